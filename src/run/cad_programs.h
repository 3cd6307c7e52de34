#pragma once
// The CAD programs of this machine, found from the registry's class names without starting any,
// and the choice of one by name.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavro::run {

// In the order the list shows them.
enum class CadProduct { AutoCad, ZwCad, GstarCad, BricsCad };

// A class name of a CAD program's automation, split: its product and the version it names
// ("24.3", "2025", "25.0"; empty for a version-independent name).
struct CadClassName {
  CadProduct product;
  std::wstring version;
};

// The class name's product and version; nullopt for every other name.
std::optional<CadClassName> ParseCadClassName(std::wstring_view name);

// One class name as HKEY_CLASSES_ROOT holds it. The Windows side enumerates the keys that
// ParseCadClassName accepts and reads these; nothing is started.
struct CadClassKey {
  std::wstring name;
  std::wstring clsid;   // as CLSIDFromProgID finds it (following CurVer); empty when none
  std::wstring server;  // HKCR\CLSID\<clsid>\LocalServer32, variables expanded; empty when none
};

// One program file and every class name that leads to it.
struct CadProgram {
  CadProduct product = CadProduct::AutoCad;
  std::wstring release{};      // "2024", "2000i", "2025", "V25"; empty when nothing tells it
  std::wstring displayName{};  // "AutoCAD 2024", "中望CAD 2025", "浩辰CAD 2024", "BricsCAD V25"
  std::wstring clsid{};        // the class of its most precise class name
  std::wstring program{};      // the program file of LocalServer32
  std::vector<std::wstring> classNames{};  // the most precise first
  bool coreConsole = false;                // accoreconsole.exe lies beside it (AutoCAD only)
  int order = 0;                           // newer is larger, within its product
};

// Every CAD program the keys name: AutoCAD releases, then 中望CAD, 浩辰CAD and BricsCAD, each
// newest first. A class without a CLSID or a program file is left out.
std::vector<CadProgram> FindCadPrograms(const std::vector<CadClassKey>& keys,
                                        const std::function<bool(std::wstring_view)>& fileExists);

// The program of a COM LocalServer32 command text: the quoted part when it starts with a quote,
// else everything up to the first ".exe" that ends a word (the path may hold spaces, as an
// unquoted "C:\Program Files\...\acad.exe /Automation" does), else up to the first blank. Blanks
// around it are dropped; an empty text gives an empty path.
std::wstring ServerProgram(std::wstring_view commandText);

// accoreconsole.exe in the folder of `program`; empty when `program` names no folder.
std::wstring CoreConsoleBeside(std::wstring_view program);

// The program a --cad NAME means: a display name ("中望CAD 2025"), a class name, or a short
// form ("autocad", "zwcad", "gstarcad", "bricscad", optionally ":release", e.g. "autocad:2024").
// Letter case and blanks around the name do not matter.
struct CadChoice {
  enum class Outcome { Found, Unknown, Ambiguous };
  Outcome outcome = Outcome::Unknown;
  size_t index = 0;                  // into the list, when found
  std::vector<std::wstring> offers;  // what may be given instead, when not found
};
CadChoice ChooseCad(const std::vector<CadProgram>& programs, std::wstring_view name);

// The message of a name that found no program, listing the offers.
std::wstring CadChoiceMessage(const CadChoice& choice, std::wstring_view name);

// What `自动` drives. With "AutoCAD.Application" registered it is that class, attached to or
// started as always; else the first program of the list that runs, else the first one.
struct AutomaticCad {
  bool autoCadClass = false;
  std::optional<size_t> index{};  // neither: no CAD program at all
};
AutomaticCad ChooseAutomatic(const std::vector<CadProgram>& programs, bool autoCadClassRegistered,
                             const std::function<bool(const CadProgram&)>& running);

// "AutoCAD", "中望CAD", "浩辰CAD", "BricsCAD".
std::wstring ProductName(CadProduct product);

// The application's members that report whether it is idle, in the order they are tried: each
// program's own, found by name at run time. None answering: its state is unknown.
std::vector<std::wstring> StateMethods(CadProduct product);

// The template of a new drawing in a program other than AutoCAD: its own under TEMPLATE\ in the
// folder of `programFile` when that file exists; empty: the drawing is made without one.
std::wstring ProductTemplate(CadProduct product, std::wstring_view programFile,
                             const std::function<bool(std::wstring_view)>& fileExists);

// One line of `kavro cad`: display name, class name, program file, console yes/no.
std::wstring CadListLine(const CadProgram& program);

}  // namespace kavro::run
