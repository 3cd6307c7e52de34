#pragma once
// Installing and registering the stand-in as "AutoCAD.Application" (HKLM: Wine ignores
// per-user classes).
#include <windows.h>

#include <string>

namespace standin {

// {8E2C5A51-4B7D-4C0F-9A36-2D71C0A5E914}
inline constexpr CLSID kClsid = {
    0x8e2c5a51, 0x4b7d, 0x4c0f, {0x9a, 0x36, 0x2d, 0x71, 0xc0, 0xa5, 0xe9, 0x14}};

// <Program Files>\AutoCAD: acad.exe, standin.ini (read at start), TEMPLATE\acad.dwt.
std::wstring InstallFolder();

// Copies this program to InstallFolder()\acad.exe, creates the template and registers the
// copy with "--config <InstallFolder()>\standin.ini" on its command line.
enum class Registered { Yes, OldCopy, No };  // OldCopy: a running stand-in held the file
Registered Register();
bool Unregister();

}  // namespace standin
