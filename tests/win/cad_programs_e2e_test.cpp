// kavro.com on machines whose CAD programs are other than one "AutoCAD.Application": the stand-in
// installed under other programs' class names, folders and profiles.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "base/program_folder.h"
#include "base/utf8.h"
#include "support/cad_installs.h"
#include "support/cad_profile.h"
#include "support/core_process.h"
#include "support/support.h"

namespace kavro {
namespace {

using test::CadInstall;
using test::InstalledCad;
using test::Lines;

const CadInstall kZwcad{L"ZWCAD 2025",
                        L"zwcad.exe",
                        {L"ZWCAD.Application", L"ZWCAD.Application.2025"},
                        L"{6A1C0E31-2B8D-4E57-9C4F-1D2E3F405161}",
                        {.version = L"25.0", .product = L"ZWCAD", .stateMethod = L"GetZcadState"}};
CadInstall AutoCad(const std::wstring& year, const std::wstring& version, wchar_t id) {
  return {L"Autodesk\\AutoCAD " + year,
          L"acad.exe",
          {L"AutoCAD.Application." + version},
          L"{6A1C0E3" + std::wstring(1, id) + L"-2B8D-4E57-9C4F-1D2E3F405161}",
          {.version = version, .secureLoad = 0, .coreSecureLoad = 0},
          L"acad.dwt"};
}

class CadPrograms : public ::testing::Test {
 protected:
  void SetUp() override {
    test::Standin::KillAll();
    test::Standin::Unregister();
    test::BatchFiles batch = test::MakeBatch(test::MakeTempFolder(L"cad_drawings"), 1,
                                             "drawing\r\n", "-text 0,0 page\r\n");
    inputs_ = L"\"" + batch.list + L"\" \"" + batch.scriptTemplate + L"\" ";
  }
  void TearDown() override {
    installs_.clear();
    test::Standin::Register();
    test::ClearKavroRecords();
  }
  InstalledCad& Install(CadInstall install) {
    return *installs_.emplace_back(std::make_unique<InstalledCad>(std::move(install)));
  }
  test::ComRan Kavro(const std::wstring& arguments) { return test::RunKavroCom(arguments); }

  std::vector<std::unique_ptr<InstalledCad>> installs_;
  std::wstring inputs_;
};

TEST_F(CadPrograms, ZwcadAloneIsChosenByAutomaticAndDrivenItsOwnWay) {
  InstalledCad& zwcad = Install(kZwcad);
  EXPECT_EQ(Kavro(L"run " + inputs_).code, 0u);
  // Its own state query, and a new drawing without AutoCAD's template (it has none of its own).
  Lines calls = zwcad.LogLines();
  EXPECT_TRUE(test::AnyHolds(calls, L"get Application.GetZcadState"));
  EXPECT_NE(std::find(calls.begin(), calls.end(), L"Documents.Add "), calls.end());
  EXPECT_TRUE(test::AnyHolds(calls, L"Document.Close true"));
  // R14 is AutoCAD's own: refused before anything is sent.
  auto [code, output] = Kavro(L"run " + inputs_ + L"--r14 --cad zwcad");
  EXPECT_EQ(code, 2u);
  EXPECT_NE(output.find(L"中望CAD 2025"), std::wstring::npos);
  EXPECT_EQ(zwcad.LogLines().size(), calls.size());
}

TEST_F(CadPrograms, EveryProgramListedAndReachedByItsName) {
  CadInstall current = AutoCad(L"2024", L"24.3", L'6');
  current.classNames.push_back(L"AutoCAD.Application");
  InstalledCad* installs[] = {&Install(AutoCad(L"2014", L"19.1", L'5')), &Install(current),
                              &Install(kZwcad)};
  // Started by hand, it refuses to be attached to: a new one is started.
  InstalledCad& gstar =
      Install({L"GstarCAD2024",
               L"gcad.exe",
               {L"GStarCAD.Application.24"},
               L"{6A1C0E34-2B8D-4E57-9C4F-1D2E3F405161}",
               {.version = L"24.0", .secureLoad = 0, .product = L"GstarCAD", .refuseAttach = true},
               L"gcad.dwt"});
  ASSERT_EQ(test::RunProgram(gstar.CommandLine()), 0);
  // 2014's console checks scripts and reads its own release's profile, 2024 being the current.
  test::CadProfile profile(L"R19.1");
  profile.SetNumber(L"SECURELOAD", 1);
  RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Autodesk\\AutoCAD", L"CurVer", REG_SZ, L"R24.3",
                  12);
  ASSERT_TRUE(test::PumpUntil([&] { return gstar.Logged(L"- ready"); }, 15000));

  std::wstring listed = Kavro(L"cad").output;
  size_t at = 0;
  for (const wchar_t* line :
       {L"AutoCAD 2024\tAutoCAD.Application.24.3\t", L"AutoCAD 2014\tAutoCAD.Application.19.1\t",
        L"中望CAD 2025\tZWCAD.Application.2025\t", L"浩辰CAD 2024\tGStarCAD.Application.24\t"}) {
    at = listed.find(line, at);
    EXPECT_NE(at, std::wstring::npos) << ToUtf8(line) << ToUtf8(listed);
  }
  EXPECT_NE(listed.find(installs[0]->ExePath() + L"\t控制台：有"), std::wstring::npos);

  struct Case {
    const wchar_t* options;
    DWORD code;
    int reached;  // the install whose log grew; -1: none
    const wchar_t* says;
  } cases[] = {
      {L"--cad autocad:2014", 0, 0, L""},
      {L"--cad \"AutoCAD 2024\"", 0, 1, L""},
      {L"--engine core --cad autocad:2014", 0, 0, L""},
      {L"--engine core --cad zwcad", 2, -1, L"中望CAD 没有 Core Console"},
      {L"--cad autocad", 2, -1, L"请选其一：AutoCAD 2024、AutoCAD 2014"},
      {L"--cad gstarcad", 0, 3, L""},
  };
  InstalledCad* all[] = {installs[0], installs[1], installs[2], &gstar};
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.options));
    size_t before[4];
    for (int i = 0; i < 4; ++i) before[i] = all[i]->LogLines().size();
    auto [code, output] = Kavro(L"run " + inputs_ + c.options);
    EXPECT_EQ(code, c.code) << ToUtf8(output);
    EXPECT_NE(output.find(c.says), std::wstring::npos) << ToUtf8(output);
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(all[i]->LogLines().size() > before[i], c.reached == i) << i;
  }
  EXPECT_TRUE(installs[0]->Logged(L"- core "));
  EXPECT_EQ(profile.TypeOf(L"TRUSTEDPATHS"), static_cast<DWORD>(REG_NONE)) << "trusted for the run";
  EXPECT_FALSE(installs[1]->Logged(L"- core "));
  EXPECT_TRUE(gstar.Logged(L"-Embedding"));
  EXPECT_TRUE(
      gstar.Logged(L"Documents.Add " + FolderOfPath(gstar.ExePath()) + L"\\TEMPLATE\\gcad.dwt"));
}

}  // namespace
}  // namespace kavro
