// kavro.com on machines whose CAD programs are other than one "AutoCAD.Application": the stand-in
// installed under other programs' class names, folders and profiles.
#include <windows.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/program_folder.h"
#include "base/utf8.h"
#include "record/record_files_win.h"
#include "support/cad_installs.h"
#include "support/core_process.h"
#include "support/support.h"
#include "win/file_win.h"
#include "win/program_folder_win.h"
#include "win/text_win.h"

namespace kavro {
namespace {

using test::CadInstall;
using test::InstalledCad;

CadInstall Zwcad() {
  return {L"ZWCAD 2025",
          L"zwcad.exe",
          {L"ZWCAD.Application", L"ZWCAD.Application.2025"},
          L"{6A1C0E31-2B8D-4E57-9C4F-1D2E3F405161}",
          {.version = L"25.0", .product = L"ZWCAD", .stateMethod = L"GetZcadState"}};
}
CadInstall AutoCad(const std::wstring& year, const std::wstring& version, const std::wstring& clsid,
                   bool versionFree) {
  CadInstall install{L"Autodesk\\AutoCAD " + year,
                     L"acad.exe",
                     {L"AutoCAD.Application." + version},
                     clsid,
                     {.version = version, .secureLoad = 0, .coreSecureLoad = 0},
                     L"acad.dwt",
                     true};
  if (versionFree) install.classNames.push_back(L"AutoCAD.Application");
  return install;
}

std::wstring DataFolder() { return JoinFolder(win::LocalAppDataFolder(), L"Kavro"); }

bool Has(const std::wstring& text, const std::wstring& part) {
  return text.find(part) != std::wstring::npos;
}

class CadPrograms : public ::testing::Test {
 protected:
  void SetUp() override {
    test::Standin::KillAll();
    test::Standin::Unregister();
    folder_ = test::MakeTempFolder(L"cad_drawings");
    drawing_ = test::MakeDrawing(folder_, L"a.dwg", "drawing\r\n");
    list_ = JoinFolder(folder_, L"list.txt");
    script_ = JoinFolder(folder_, L"template.scr");
    win::WriteFileReplacing(list_, win::EncodeAnsi(drawing_ + L"\r\n").bytes);
    win::WriteFileReplacing(script_, "-text 0,0 page\r\n");
  }
  void TearDown() override {
    installs_.clear();
    test::Standin::Register();  // as every other test expects the machine
    for (const std::wstring& f : {run::JournalFolder(DataFolder()), run::LogFolder(DataFolder())})
      test::DeleteFilesIn(f);
  }
  InstalledCad& Install(CadInstall install) {
    return *installs_.emplace_back(std::make_unique<InstalledCad>(std::move(install)));
  }

  struct Ran {
    DWORD code = 0;
    std::wstring output;
  };
  Ran Kavro(const std::wstring& arguments) {
    test::CoreProcess com(test::KavroComPath(), arguments);
    EXPECT_TRUE(com.Started());
    EXPECT_TRUE(com.Wait(60000));
    return {com.ExitCode(), FromUtf8(com.OutputBytes()).value_or(L"")};
  }
  Ran Run(const std::wstring& options) {
    return Kavro(L"run \"" + list_ + L"\" \"" + script_ + L"\" " + options);
  }

  std::vector<std::unique_ptr<InstalledCad>> installs_;
  std::wstring folder_, drawing_, list_, script_;
};

TEST_F(CadPrograms, ZwcadAloneIsChosenByAutomaticAndDrivenItsOwnWay) {
  InstalledCad& zwcad = Install(Zwcad());
  Ran ran = Run(L"");
  EXPECT_EQ(ran.code, 0u) << ToUtf8(ran.output);
  // Its own state query, and a new drawing without AutoCAD's template (it has none of its own).
  EXPECT_TRUE(zwcad.Logged(L"get Application.GetZcadState"));
  EXPECT_TRUE(zwcad.Logged(L"Documents.Add "));
  EXPECT_FALSE(zwcad.Logged(L"acad.dwt"));
  EXPECT_TRUE(zwcad.Logged(L"Documents.Open " + drawing_));
  EXPECT_TRUE(zwcad.Logged(L"Document.Close true"));
  // R14 is AutoCAD's own: refused before anything is sent.
  size_t starts = zwcad.Starts();
  Ran r14 = Run(L"--r14 --cad zwcad");
  EXPECT_EQ(r14.code, 2u);
  EXPECT_TRUE(Has(r14.output, L"中望CAD 2025")) << ToUtf8(r14.output);
  EXPECT_EQ(zwcad.Starts(), starts);
}

TEST_F(CadPrograms, AutoCadReleasesSideBySideEachReachedByItsName) {
  InstalledCad& old =
      Install(AutoCad(L"2014", L"19.1", L"{6A1C0E32-2B8D-4E57-9C4F-1D2E3F405162}", false));
  InstalledCad& current =
      Install(AutoCad(L"2024", L"24.3", L"{6A1C0E33-2B8D-4E57-9C4F-1D2E3F405163}", true));
  InstalledCad& zwcad = Install(Zwcad());
  // Every program, AutoCAD releases first, newest first.
  Ran list = Kavro(L"cad");
  EXPECT_EQ(list.code, 0u);
  size_t at = 0;
  for (const std::wstring& line :
       {L"AutoCAD 2024\tAutoCAD.Application.24.3\t" + current.ExePath() + L"\t控制台：有",
        L"AutoCAD 2014\tAutoCAD.Application.19.1\t" + old.ExePath() + L"\t控制台：有",
        L"中望CAD 2025\tZWCAD.Application.2025\t" + zwcad.ExePath() + L"\t控制台：无"}) {
    at = list.output.find(line, at);
    EXPECT_NE(at, std::wstring::npos) << ToUtf8(line) << "\n" << ToUtf8(list.output);
  }

  struct Case {
    const wchar_t* options;
    DWORD code;
    InstalledCad* reached;  // its log shows the drawing opened, or its console run
    const wchar_t* says;
  } cases[] = {
      {L"--cad autocad:2014", 0, &old, L""},
      {L"--cad \"AutoCAD 2024\"", 0, &current, L""},
      {L"--engine core --cad autocad:2014", 0, &old, L""},
      {L"--engine core --cad zwcad", 2, nullptr, L"中望CAD 没有 Core Console"},
      {L"--cad autocad", 2, nullptr, L"AutoCAD 2024、AutoCAD 2014"},
      {L"--cad nosuch", 2, nullptr, L"可选：AutoCAD 2024、AutoCAD 2014、中望CAD 2025"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.options));
    size_t before[] = {old.LogLines().size(), current.LogLines().size()};
    Ran ran = Run(c.options);
    EXPECT_EQ(ran.code, c.code) << ToUtf8(ran.output);
    EXPECT_TRUE(Has(ran.output, c.says)) << ToUtf8(ran.output);
    EXPECT_EQ(old.LogLines().size() > before[0], c.reached == &old);
    EXPECT_EQ(current.LogLines().size() > before[1], c.reached == &current);
  }
  EXPECT_TRUE(old.Logged(L"- core "));
  EXPECT_FALSE(current.Logged(L"- core "));
}

TEST_F(CadPrograms, GstarcadRefusingToBeAttachedToIsStartedAnew) {
  InstalledCad& gstar = Install({L"GstarCAD2024",
                                 L"gcad.exe",
                                 {L"GStarCAD.Application", L"GStarCAD.Application.24"},
                                 L"{6A1C0E34-2B8D-4E57-9C4F-1D2E3F405164}",
                                 {.version = L"24.0", .secureLoad = 0, .product = L"GstarCAD", .refuseAttach = true},
                                 L"gcad.dwt"});
  ASSERT_TRUE(gstar.StartDirectly());
  Ran ran = Run(L"--cad gstarcad");
  EXPECT_EQ(ran.code, 0u) << ToUtf8(ran.output);
  EXPECT_EQ(gstar.Starts(), 2u);
  EXPECT_TRUE(gstar.Logged(L"-Embedding"));
  // Its own template beside its program file.
  EXPECT_TRUE(
      gstar.Logged(L"Documents.Add " + FolderOfPath(gstar.ExePath()) + L"\\TEMPLATE\\gcad.dwt"));
}

}  // namespace
}  // namespace kavro
