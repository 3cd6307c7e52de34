#include "run/cad_programs.h"

#include <algorithm>
#include <array>
#include <map>
#include <tuple>
#include <utility>

namespace kavro::run {
namespace {

// The class names of each product's automation, with or without a version after a dot.
struct ClassFamily {
  CadProduct product;
  std::wstring_view prefix;
  bool dottedVersion;  // "24.3" as well as "24"
};
constexpr std::array<ClassFamily, 5> kFamilies{{
    // AutoCAD.Application and AutoCAD.Application.<major>:
    // https://help.autodesk.com/cloudhelp/2015/ENU/AutoCAD-ActiveX/files/GUID-0225808C-8C91-407B-990C-15AB966FFFA8.htm
    // and .<major>.<minor> (e.g. "AutoCAD.Application.24.2"):
    // https://github.com/getup700/IronMan.Acad/blob/db1e468f9143497f51b9b93e09f43dca0c7dd803/src/IronMan.CAD.Demo/Command/ConnectCommand.cs
    {CadProduct::AutoCad, L"AutoCAD.Application", true},
    // ZWCAD.Application:
    // https://github.com/obook/pyzwcad/blob/70bc3d59b4ecf0188f7e64dcf0328e6b2b1e5003/pyzwcad/api.py
    // versioned by the year (ZWCAD.Application.2025): public code found with the search tool
    // (find_string "ZWCAD.Application.20"; it gives no repository address).
    {CadProduct::ZwCad, L"ZWCAD.Application", false},
    // GStarCAD.Application, Gcad.Application, GCAD.Application, optionally .<number>:
    // https://github.com/GstarCAD-AI/pygcadwin/blob/c159b11b1b4fb0dd134391f4496cade8c1cee8a2/pygcadwin/_com.py
    {CadProduct::GstarCad, L"GStarCAD.Application", false},
    {CadProduct::GstarCad, L"Gcad.Application", false},
    // BricscadApp.AcadApplication:
    // https://github.com/AnCode666/multiCAD-mcp/blob/18d914da68c5ca7e261e448218f0a7f19b9bc38b/src/config.json
    // versioned "BricscadApp.AcadApplication.20.0": public code found with the search tool
    // (search "BricscadApp.AcadApplication ProgID version"; no repository address given).
    {CadProduct::BricsCad, L"BricscadApp.AcadApplication", true},
}};

struct ProductText {
  std::wstring_view label;  // the display name's first part
  std::wstring_view shortName;
};
constexpr std::array<ProductText, 4> kProducts{{
    {L"AutoCAD", L"autocad"},
    {L"中望CAD", L"zwcad"},
    {L"浩辰CAD", L"gstarcad"},
    {L"BricsCAD", L"bricscad"},
}};

const ProductText& TextOf(CadProduct product) { return kProducts[static_cast<size_t>(product)]; }

// AutoCAD's releases by their version number, the one table of them. Source:
// https://help.autodesk.com/cloudhelp/2025/ENU/AutoCAD-LT/files/GUID-793238B6-F8B8-4D20-BB3A-001700AECD75.htm
// (ACADVER, 15.0 to 25.0) and https://wiip.fr/en/blog/autocad-versions (R15.0 to R25.1).
struct AutoCadRelease {
  int major;
  int minor;
  std::wstring_view name;
};
constexpr std::array<AutoCadRelease, 26> kAutoCadReleases{{
    {15, 0, L"2000"}, {15, 1, L"2000i"}, {15, 2, L"2002"}, {16, 0, L"2004"}, {16, 1, L"2005"},
    {16, 2, L"2006"}, {17, 0, L"2007"},  {17, 1, L"2008"}, {17, 2, L"2009"}, {18, 0, L"2010"},
    {18, 1, L"2011"}, {18, 2, L"2012"},  {19, 0, L"2013"}, {19, 1, L"2014"}, {20, 0, L"2015"},
    {20, 1, L"2016"}, {21, 0, L"2017"},  {22, 0, L"2018"}, {23, 0, L"2019"}, {23, 1, L"2020"},
    {24, 0, L"2021"}, {24, 1, L"2022"},  {24, 2, L"2023"}, {24, 3, L"2024"}, {25, 0, L"2025"},
    {25, 1, L"2026"},
}};

wchar_t AsciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; }

bool SameText(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](wchar_t x, wchar_t y) { return AsciiLower(x) == AsciiLower(y); });
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsAlnum(wchar_t c) {
  wchar_t lower = AsciiLower(c);
  return IsDigit(c) || (lower >= L'a' && lower <= L'z');
}
bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring_view Trimmed(std::wstring_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Digits only, 1 to `most` of them.
bool IsNumber(std::wstring_view text, size_t most) {
  return !text.empty() && text.size() <= most && std::all_of(text.begin(), text.end(), IsDigit);
}

int NumberOf(std::wstring_view digits) {
  int value = 0;
  for (wchar_t c : digits) value = value * 10 + (c - L'0');
  return value;
}

// "24.3" as {24, 3}; "24" as {24, -1}; empty as {-1, -1}.
std::pair<int, int> VersionParts(std::wstring_view version) {
  if (version.empty()) return {-1, -1};
  size_t dot = version.find(L'.');
  if (dot == std::wstring_view::npos) return {NumberOf(version), -1};
  return {NumberOf(version.substr(0, dot)), NumberOf(version.substr(dot + 1))};
}

std::wstring_view FolderOf(std::wstring_view program) {
  size_t slash = program.find_last_of(L"\\/");
  return slash == std::wstring_view::npos ? std::wstring_view() : program.substr(0, slash);
}

// The last year (1990..2099, a run of four digits) in the program's folder, 0 when none. The
// products install into folders named with the year: "...\Autodesk\AutoCAD 2024\acad.exe",
// "...\ZWSOFT\ZWCAD 2025\ZWCAD.exe", "...\Gstarsoft\GstarCAD2024\gcad.exe" (public code found with
// the search tool's find_string "\ZWCAD.exe", "\gcad.exe"; it gives no repository address).
int YearInFolder(std::wstring_view program) {
  std::wstring_view folder = FolderOf(program);
  int year = 0;
  for (size_t at = 0; at < folder.size();) {
    size_t end = at;
    while (end < folder.size() && IsDigit(folder[end])) ++end;
    if (end == at) {
      ++at;
      continue;
    }
    if (end - at == 4) {
      int value = NumberOf(folder.substr(at, 4));
      if (value >= 1990 && value <= 2099) year = value;
    }
    at = end;
  }
  return year;
}

// The last "V<1 or 2 digits>" standing alone in the folder, as BricsCAD's folders are named
// ("C:\Program Files\Bricsys\BricsCAD V25 en_US\", a public BRX SDK read-me found with the
// search tool; no repository address given); 0 when none.
int VersionInFolder(std::wstring_view program) {
  std::wstring_view folder = FolderOf(program);
  int version = 0;
  for (size_t at = 0; at + 1 < folder.size(); ++at) {
    if (AsciiLower(folder[at]) != L'v' || (at > 0 && IsAlnum(folder[at - 1]))) continue;
    size_t end = at + 1;
    while (end < folder.size() && IsDigit(folder[end])) ++end;
    size_t digits = end - at - 1;
    if (digits >= 1 && digits <= 2 && (end == folder.size() || !IsAlnum(folder[end]))) {
      version = NumberOf(folder.substr(at + 1, digits));
    }
  }
  return version;
}

const AutoCadRelease* ReleaseByNumber(int major, int minor) {
  for (const auto& release : kAutoCadReleases) {
    if (release.major == major && release.minor == minor) return &release;
  }
  return nullptr;
}

const AutoCadRelease* ReleaseByYear(int year) {
  for (const auto& release : kAutoCadReleases) {
    if (release.name == std::to_wstring(year)) return &release;
  }
  return nullptr;
}

// The release's name and order, from the most precise class name's version and the folder.
void NameRelease(CadProgram& program, std::wstring_view version) {
  auto [major, minor] = VersionParts(version);
  switch (program.product) {
    case CadProduct::AutoCad: {
      const AutoCadRelease* release = minor >= 0 ? ReleaseByNumber(major, minor) : nullptr;
      if (!release) {
        // A name without the minor number ("AutoCAD.Application.24") covers several releases:
        // the folder's year tells which, when it agrees.
        const AutoCadRelease* byYear = ReleaseByYear(YearInFolder(program.program));
        if (byYear && (major < 0 || byYear->major == major)) release = byYear;
      }
      if (release) {
        program.release = release->name;
        program.order = release->major * 100 + release->minor;
      } else if (major >= 0) {
        program.release = L"R" + std::wstring(version);
        program.order = major * 100 + std::max(minor, 0);
      }
      break;
    }
    case CadProduct::ZwCad:
    case CadProduct::GstarCad: {
      // ZWCAD names the year ("2025"); GstarCAD its last two digits: GstarCAD 2026 registers
      // GStarCAD.Application.26 (a public read-me found with the search tool's find_string
      // "GStarCAD.Application.2"; no repository address given).
      int year = major >= 1990 && major <= 2099 ? major
                 : program.product == CadProduct::GstarCad && major >= 0 && major <= 99
                     ? 2000 + major
                     : 0;
      if (year == 0) year = YearInFolder(program.program);
      if (year > 0) {
        program.release = std::to_wstring(year);
        program.order = year;
      }
      break;
    }
    case CadProduct::BricsCad: {
      int v = major > 0 && major <= 99 ? major : VersionInFolder(program.program);
      if (v > 0) {
        program.release = L"V" + std::to_wstring(v);
        program.order = v;
      }
      break;
    }
  }
  program.displayName = std::wstring(TextOf(program.product).label);
  if (!program.release.empty()) program.displayName += L" " + program.release;
}

// A program file's key: letter case and the kind of slash do not matter.
std::wstring ProgramKey(std::wstring_view program) {
  std::wstring key;
  for (wchar_t c : program) key += c == L'/' ? L'\\' : AsciiLower(c);
  return key;
}

// Where the first ".exe" that is followed by a blank or the end stops; npos when none is.
size_t EndOfExe(std::wstring_view text) {
  constexpr std::wstring_view kExe = L".exe";
  for (size_t at = 0; at + kExe.size() <= text.size(); ++at) {
    size_t end = at + kExe.size();
    if (SameText(text.substr(at, kExe.size()), kExe) &&
        (end == text.size() || IsBlank(text[end]))) {
      return end;
    }
  }
  return std::wstring_view::npos;
}

struct Found {
  CadClassName parsed;
  std::wstring name;
  std::wstring clsid;
  std::wstring program;
};

// The most precise first: a dotted version, then any version, then the larger, then by name.
bool MorePrecise(const Found& a, const Found& b) {
  auto rank = [](const Found& f) {
    auto [major, minor] = VersionParts(f.parsed.version);
    return std::tuple(minor >= 0, major >= 0, major, minor);
  };
  if (rank(a) != rank(b)) return rank(a) > rank(b);
  return a.name < b.name;
}

// A display name without a release, "AutoCAD" or "BricsCAD", reads as the short form.
bool IsShortName(std::wstring_view name) {
  return std::any_of(kProducts.begin(), kProducts.end(),
                     [&](const ProductText& p) { return SameText(p.shortName, name); });
}

// The name that finds exactly this program: its display name, unless another has the same or it
// reads as a short form; then its most precise class name.
std::wstring OfferName(const std::vector<CadProgram>& programs, size_t index) {
  const CadProgram& program = programs[index];
  size_t same = std::count_if(programs.begin(), programs.end(), [&](const CadProgram& other) {
    return SameText(other.displayName, program.displayName);
  });
  bool own = same == 1 && !IsShortName(program.displayName);
  return own ? program.displayName : program.classNames.front();
}

CadChoice Choice(const std::vector<CadProgram>& programs, const std::vector<size_t>& matches) {
  CadChoice choice;
  if (matches.size() == 1) {
    choice.outcome = CadChoice::Outcome::Found;
    choice.index = matches.front();
    return choice;
  }
  choice.outcome = matches.empty() ? CadChoice::Outcome::Unknown : CadChoice::Outcome::Ambiguous;
  if (matches.empty()) {
    for (size_t i = 0; i < programs.size(); ++i) choice.offers.push_back(OfferName(programs, i));
  } else {
    for (size_t i : matches) choice.offers.push_back(OfferName(programs, i));
  }
  return choice;
}

}  // namespace

std::optional<CadClassName> ParseCadClassName(std::wstring_view name) {
  for (const auto& family : kFamilies) {
    if (name.size() < family.prefix.size() ||
        !SameText(name.substr(0, family.prefix.size()), family.prefix)) {
      continue;
    }
    std::wstring_view rest = name.substr(family.prefix.size());
    if (rest.empty()) return CadClassName{family.product, {}};
    if (rest.front() != L'.') continue;
    rest.remove_prefix(1);
    size_t dot = rest.find(L'.');
    bool whole = dot == std::wstring_view::npos
                     ? IsNumber(rest, 4)
                     : family.dottedVersion && IsNumber(rest.substr(0, dot), 4) &&
                           IsNumber(rest.substr(dot + 1), 2);
    if (whole) return CadClassName{family.product, std::wstring(rest)};
  }
  return std::nullopt;
}

std::vector<CadProgram> FindCadPrograms(const std::vector<CadClassKey>& keys,
                                        const std::function<bool(std::wstring_view)>& fileExists) {
  // Grouped by product and program file, in the order of the key.
  std::map<std::pair<CadProduct, std::wstring>, std::vector<Found>> groups;
  for (const CadClassKey& key : keys) {
    std::optional<CadClassName> parsed = ParseCadClassName(key.name);
    std::wstring program = ServerProgram(key.server);
    if (!parsed || key.clsid.empty() || program.empty()) continue;
    std::wstring group = ProgramKey(program);
    groups[{parsed->product, group}].push_back({*parsed, key.name, key.clsid, std::move(program)});
  }

  std::vector<CadProgram> programs;
  for (auto& [key, names] : groups) {
    std::sort(names.begin(), names.end(), MorePrecise);
    const Found& first = names.front();
    CadProgram program{.product = key.first, .clsid = first.clsid, .program = first.program};
    for (const Found& found : names) program.classNames.push_back(found.name);
    NameRelease(program, first.parsed.version);
    if (program.product == CadProduct::AutoCad) {
      std::wstring console = CoreConsoleBeside(program.program);
      program.coreConsole = !console.empty() && fileExists(console);
    }
    programs.push_back(std::move(program));
  }
  std::stable_sort(programs.begin(), programs.end(), [](const CadProgram& a, const CadProgram& b) {
    if (a.product != b.product) return a.product < b.product;
    return a.order > b.order;
  });
  return programs;
}

std::wstring ServerProgram(std::wstring_view commandText) {
  std::wstring_view text = Trimmed(commandText);
  if (!text.empty() && text.front() == L'"') {
    text.remove_prefix(1);
    return std::wstring(Trimmed(text.substr(0, text.find(L'"'))));
  }
  size_t end = EndOfExe(text);
  if (end == std::wstring_view::npos) {
    end = 0;
    while (end < text.size() && !IsBlank(text[end])) ++end;
  }
  return std::wstring(text.substr(0, end));
}

std::wstring CoreConsoleBeside(std::wstring_view program) {
  size_t slash = program.find_last_of(L"\\/");
  if (slash == std::wstring_view::npos) return {};
  return std::wstring(program.substr(0, slash)) + L"\\accoreconsole.exe";
}

CadChoice ChooseCad(const std::vector<CadProgram>& programs, std::wstring_view name) {
  name = Trimmed(name);
  std::vector<size_t> matches;
  auto collect = [&](auto&& matchesProgram) {
    for (size_t i = 0; i < programs.size(); ++i) {
      if (matchesProgram(programs[i])) matches.push_back(i);
    }
    return !matches.empty();
  };
  if (name.empty()) return Choice(programs, matches);
  if (!IsShortName(name) &&
      collect([&](const CadProgram& p) { return SameText(p.displayName, name); })) {
    return Choice(programs, matches);
  }
  if (collect([&](const CadProgram& p) {
        return std::any_of(p.classNames.begin(), p.classNames.end(),
                           [&](const std::wstring& c) { return SameText(c, name); });
      })) {
    return Choice(programs, matches);
  }
  size_t colon = name.find(L':');
  std::wstring_view product = Trimmed(name.substr(0, colon));
  std::optional<std::wstring_view> release;
  if (colon != std::wstring_view::npos) release = Trimmed(name.substr(colon + 1));
  collect([&](const CadProgram& p) {
    if (!SameText(TextOf(p.product).shortName, product)) return false;
    if (!release) return true;
    std::wstring_view own = p.release;
    // BricsCAD's "V25" may be given as "25".
    if (!own.empty() && own.front() == L'V' && !release->empty() && IsDigit(release->front())) {
      own.remove_prefix(1);
    }
    return !own.empty() && SameText(own, *release);
  });
  return Choice(programs, matches);
}

std::wstring CadChoiceMessage(const CadChoice& choice, std::wstring_view name) {
  if (choice.outcome == CadChoice::Outcome::Found) return {};
  std::wstring quoted = L"“" + std::wstring(Trimmed(name)) + L"”";
  if (choice.offers.empty()) return L"本机没有登记任何 CAD 程序，找不到" + quoted + L"。";
  std::wstring list;
  for (const auto& offer : choice.offers) list += (list.empty() ? L"" : L"、") + offer;
  if (choice.outcome == CadChoice::Outcome::Ambiguous) {
    return quoted + L"可指多个 CAD 程序，请选其一：" + list + L"。";
  }
  return L"没有名为" + quoted + L"的 CAD 程序。可选：" + list + L"。";
}

AutomaticCad ChooseAutomatic(const std::vector<CadProgram>& programs, bool autoCadClassRegistered,
                             const std::function<bool(const CadProgram&)>& running) {
  if (autoCadClassRegistered) return {.autoCadClass = true};
  for (size_t i = 0; i < programs.size(); ++i) {
    if (running(programs[i])) return {.index = i};
  }
  if (programs.empty()) return {};
  return {.index = 0};
}

std::wstring ProductName(CadProduct product) { return std::wstring(TextOf(product).label); }

std::vector<std::wstring> StateMethods(CadProduct product) {
  // GetAcadState first wherever the program has it: AutoCAD's, and GstarCAD's current type
  // library. ZWCAD's own is GetZcadState, an older GstarCAD's GetGcadState:
  // https://github.com/CEXT-Dan/PyRx/blob/004404e9ec59b283b57ca1e6f4a1fcc772592313/PyRxCore/PyAcadApplicationImpl.cpp
  // https://github.com/zhongxingmin/EnclosuresDesignTools/blob/e007adecd6f9e2c6fbdcbe045b6ff255ab1cf8f7/grxsdk/inc-x64/GcadVbaApps.h
  switch (product) {
    case CadProduct::ZwCad:
      return {L"GetAcadState", L"GetZcadState"};
    case CadProduct::GstarCad:
      return {L"GetAcadState", L"GetGcadState"};
    case CadProduct::AutoCad:
    case CadProduct::BricsCad:
      break;
  }
  return {L"GetAcadState"};
}

std::wstring ProductTemplate(CadProduct product, std::wstring_view programFile,
                             const std::function<bool(std::wstring_view)>& fileExists) {
  // zwcad.dwt (ZWCAD 2024) and gcad.dwt (GstarCAD) as public code passes them to Documents.Add,
  // found with the search tool's exact-string search (no address given); BricsCAD's default.dwt
  // is unconfirmed there, and is used only when the file is present.
  std::wstring_view name;
  switch (product) {
    case CadProduct::ZwCad:
      name = L"zwcad.dwt";
      break;
    case CadProduct::GstarCad:
      name = L"gcad.dwt";
      break;
    case CadProduct::BricsCad:
      name = L"default.dwt";
      break;
    case CadProduct::AutoCad:
      return {};
  }
  size_t slash = programFile.find_last_of(L"\\/");
  if (slash == std::wstring_view::npos) return {};
  std::wstring path = std::wstring(programFile.substr(0, slash)) + L"\\TEMPLATE\\";
  path += name;
  return fileExists(path) ? path : std::wstring();
}

std::wstring CadListLine(const CadProgram& program) {
  return program.displayName + L"\t" + program.classNames.front() + L"\t" + program.program +
         L"\t" + (program.coreConsole ? L"控制台：有" : L"控制台：无");
}

}  // namespace kavro::run
