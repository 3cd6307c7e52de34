// The CAD programs found from recorded registry keys, and the choice of one by name.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "run/cad_programs.h"

namespace kavro::run {
namespace {

// A program as one line: name | CLSID | program | class names | console.
std::vector<std::wstring> Lines(const std::vector<CadProgram>& programs) {
  std::vector<std::wstring> lines;
  for (const CadProgram& p : programs) {
    std::wstring names;
    for (const auto& name : p.classNames) names += (names.empty() ? L"" : L",") + name;
    lines.push_back(p.displayName + L"|" + p.clsid + L"|" + p.program + L"|" + names +
                    (p.coreConsole ? L"|console" : L""));
  }
  return lines;
}

const std::wstring kAcad14 = L"C:\\Program Files\\Autodesk\\AutoCAD 2014\\acad.exe";
const std::wstring kAcad24 = L"C:\\Program Files\\Autodesk\\AutoCAD 2024\\acad.exe";
const std::wstring kZw25 = L"C:\\Program Files\\ZWSOFT\\ZWCAD 2025\\ZWCAD.exe";
const std::wstring kGcad = L"C:\\Program Files\\Gstarsoft\\GstarCAD2024\\gcad.exe";
const std::wstring kBcad = L"C:\\Program Files\\Bricsys\\BricsCAD V25 en_US\\bricscad.exe";

struct Machine {
  const char* what;
  std::vector<CadClassKey> keys;
  std::set<std::wstring> files;
  std::vector<std::wstring> expected;
};

std::vector<CadProgram> Find(const std::vector<CadClassKey>& keys,
                             const std::set<std::wstring>& files = {}) {
  return FindCadPrograms(keys,
                         [&](std::wstring_view f) { return files.count(std::wstring(f)) > 0; });
}

TEST(CadPrograms, FoundFromRecordedKeys) {
  const std::wstring a24 = L"\"" + kAcad24 + L"\" /Automation";
  const std::wstring g24 = L"\"C:\\PROGRAM FILES/gstarsoft/GSTARCAD2024/GCAD.EXE\"";
  const std::vector<Machine> machines = {
      {"AutoCAD 2014 and 2024 side by side, 2014 listed first",
       {{L"AutoCAD.Application.19", L"{A14}", kAcad14 + L" /Automation -Embedding"},
        {L"AutoCAD.Application.19.1", L"{A14}", kAcad14},
        {L"AutoCAD.Application", L"{A24}", a24},
        {L"Excel.Application", L"{X}", L"C:\\Office\\excel.exe"},
        {L"AutoCAD.Application.24.3", L"{A24}", a24}},
       {L"C:\\Program Files\\Autodesk\\AutoCAD 2024\\accoreconsole.exe"},
       {L"AutoCAD 2024|{A24}|" + kAcad24 + L"|AutoCAD.Application.24.3,AutoCAD.Application|console",
        L"AutoCAD 2014|{A14}|" + kAcad14 + L"|AutoCAD.Application.19.1,AutoCAD.Application.19"}},
      {"only ZWCAD; a console beside it is not its own",
       {{L"ZWCAD.Application", L"{Z}", kZw25}, {L"ZWCAD.Application.2025", L"{Z}", kZw25}},
       {L"C:\\Program Files\\ZWSOFT\\ZWCAD 2025\\accoreconsole.exe"},
       {L"中望CAD 2025|{Z}|" + kZw25 + L"|ZWCAD.Application.2025,ZWCAD.Application"}},
      {"GstarCAD: two names, two classes, one program file; then BricsCAD",
       {{L"BricscadApp.AcadApplication.25.0", L"{B}", kBcad + L" /automation"},
        {L"Gcad.Application", L"{G2}", g24},
        {L"GStarCAD.Application.24", L"{G1}", kGcad + L" -Embedding"}},
       {},
       {L"浩辰CAD 2024|{G1}|" + kGcad + L"|GStarCAD.Application.24,Gcad.Application",
        L"BricsCAD V25|{B}|" + kBcad + L"|BricscadApp.AcadApplication.25.0"}},
      {"garbage and missing values; the release from the folder, or the name alone",
       {{L"AutoCAD.Application", L"", kAcad24},
        {L"AutoCAD.Application.25", L"{BLANK}", L"   "},
        {L"AutoCAD.ApplicationX", L"{X2}", kAcad24},
        {L"ZWCAD.Application.25.0", L"{X3}", kZw25},
        {L"autocad.application.20", L"{A20}", L"D:/AutoCAD 2016/acad.exe"},
        {L"AutoCAD.Application.18", L"{A18}", L"C:\\x.exe\\AutoCAD 2010\\ACAD.EXE /Automation"},
        {L"AutoCAD.Application.17.2", L"{A17}", L"\"C:\\no end\\acad.exe"},
        {L"ZWCAD.Application.2024", L"{Z24}", L"\"\" /Automation"},
        {L"AutoCAD.Application.21", L"{A21}", L"E:\\AutoCAD 2014\\acad.exe"},
        {L"AutoCAD.Application.16.1", L"{A16}", L"acad.exe"},
        {L"ZWCAD.Application", L"{Z}", L"C:\\ZW\\zwcad.exe"},
        {L"BricscadApp.AcadApplication", L"{B}", L"C:\\BricsCAD V24\\bricscad.exe"}},
       {L"\\accoreconsole.exe", L"D:/AutoCAD 2016\\accoreconsole.exe"},
       {L"AutoCAD R21|{A21}|E:\\AutoCAD 2014\\acad.exe|AutoCAD.Application.21",
        L"AutoCAD 2016|{A20}|D:/AutoCAD 2016/acad.exe|autocad.application.20|console",
        L"AutoCAD 2010|{A18}|C:\\x.exe\\AutoCAD 2010\\ACAD.EXE|AutoCAD.Application.18",
        L"AutoCAD 2009|{A17}|C:\\no end\\acad.exe|AutoCAD.Application.17.2",
        L"AutoCAD 2005|{A16}|acad.exe|AutoCAD.Application.16.1",
        L"中望CAD|{Z}|C:\\ZW\\zwcad.exe|ZWCAD.Application",
        L"BricsCAD V24|{B}|C:\\BricsCAD V24\\bricscad.exe|BricscadApp.AcadApplication"}},
  };
  for (const Machine& m : machines) EXPECT_EQ(m.expected, Lines(Find(m.keys, m.files))) << m.what;
}

// Two AutoCAD releases, two ZWCAD installations of one year, GstarCAD and BricsCAD.
std::vector<CadProgram> Office() {
  return Find({{L"AutoCAD.Application", L"{A24}", kAcad24},
               {L"AutoCAD.Application.24.3", L"{A24}", kAcad24},
               {L"AutoCAD.Application.19.1", L"{A14}", kAcad14},
               {L"ZWCAD.Application.2025", L"{Z}", kZw25},
               {L"ZWCAD.Application", L"{Z2}", L"D:\\ZWCAD 2025\\ZWCAD.exe"},
               {L"GStarCAD.Application.24", L"{G}", kGcad},
               {L"BricscadApp.AcadApplication.25.0", L"{B}", kBcad}});
}

TEST(CadPrograms, ChosenByNameOrAutomatically) {
  using O = CadChoice::Outcome;
  struct Row {
    std::wstring name;
    O outcome;
    std::wstring found;  // the display name, or the first offer
    size_t offers;
  } rows[] = {
      {L" autocad.application.19.1 ", O::Found, L"AutoCAD 2014", 0},
      {L"AutoCAD.Application", O::Found, L"AutoCAD 2024", 0},
      {L"AutoCAD : 2014", O::Found, L"AutoCAD 2014", 0},
      {L"gstarcad", O::Found, L"浩辰CAD 2024", 0},
      {L"bricscad:25", O::Found, L"BricsCAD V25", 0},
      {L"autocad", O::Ambiguous, L"AutoCAD 2024", 2},
      {L"中望CAD 2025", O::Ambiguous, L"ZWCAD.Application.2025", 2},
      {L"autocad:2020", O::Unknown, L"AutoCAD 2024", 6},
  };
  const std::vector<CadProgram> office = Office();
  for (const Row& row : rows) {
    CadChoice choice = ChooseCad(office, row.name);
    EXPECT_EQ(row.outcome, choice.outcome) << row.name;
    EXPECT_EQ(row.offers, choice.offers.size()) << row.name;
    EXPECT_EQ(row.found,
              choice.outcome == O::Found ? office[choice.index].displayName : choice.offers.front())
        << row.name;
  }
  // A release-less "AutoCAD" reads as the short form and is offered by its class name.
  std::vector<CadProgram> two = Find({{L"AutoCAD.Application", L"{A}", L"D:\\acad\\acad.exe"},
                                      {L"AutoCAD.Application.19.1", L"{B}", kAcad14}});
  EXPECT_EQ((std::vector<std::wstring>{L"AutoCAD 2014", L"AutoCAD.Application"}),
            ChooseCad(two, L"AutoCAD").offers);
  EXPECT_EQ(
      L"没有名为“x”的 CAD 程序。可选：AutoCAD 2024、AutoCAD 2014、ZWCAD.Application.2025、"
      L"ZWCAD.Application、浩辰CAD 2024、BricsCAD V25。",
      CadChoiceMessage(ChooseCad(office, L" x "), L" x "));
  EXPECT_EQ(L"本机没有登记任何 CAD 程序，找不到“zwcad”。",
            CadChoiceMessage(ChooseCad({}, L"zwcad"), L"zwcad"));
  auto gstarRuns = [](const CadProgram& p) { return p.product == CadProduct::GstarCad; };
  auto noneRuns = [](const CadProgram&) { return false; };
  AutomaticCad autoCad = ChooseAutomatic(office, true, gstarRuns);
  EXPECT_TRUE(autoCad.autoCadClass && !autoCad.index);
  EXPECT_EQ(4u, ChooseAutomatic(office, false, gstarRuns).index);
  EXPECT_EQ(0u, ChooseAutomatic(office, false, noneRuns).index);
  EXPECT_FALSE(ChooseAutomatic({}, false, noneRuns).index);
}

// Another program's own template, when it lies under TEMPLATE beside its program file.
TEST(CadPrograms, ProductTemplateBesideTheProgramFile) {
  auto exists = [](std::wstring_view path) { return path.starts_with(L"C:\\P\\"); };
  EXPECT_EQ(ProductTemplate(CadProduct::ZwCad, L"C:\\P\\zwcad.exe", exists),
            L"C:\\P\\TEMPLATE\\zwcad.dwt");
  EXPECT_EQ(ProductTemplate(CadProduct::GstarCad, L"C:\\P\\gcad.exe", exists),
            L"C:\\P\\TEMPLATE\\gcad.dwt");
  EXPECT_EQ(ProductTemplate(CadProduct::BricsCad, L"D:\\bricscad.exe", exists), L"");
  EXPECT_EQ(ProductTemplate(CadProduct::ZwCad, L"zwcad.exe", exists), L"");
}

}  // namespace
}  // namespace kavro::run
