#pragma once
// The CAD programs of this machine, read from HKEY_CLASSES_ROOT without starting any.
#include <string>
#include <vector>

#include "run/cad_programs.h"

namespace kavro::run {

// Every class name of HKEY_CLASSES_ROOT that ParseCadClassName accepts, with its CLSID and
// LocalServer32 (environment variables expanded).
std::vector<CadClassKey> ReadCadClassKeys();

// FindCadPrograms over ReadCadClassKeys, with the files as they are on disk.
std::vector<CadProgram> FindCadProgramsOnMachine();

// "AutoCAD.Application" leads to a class (what `自动` attaches to or starts first).
bool AutoCadClassRegistered();

}  // namespace kavro::run
