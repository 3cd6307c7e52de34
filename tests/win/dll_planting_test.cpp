// kavro.exe started from a folder where someone left DLLs named like those the program and the
// system components it uses load (a download folder, a share): none of them may be loaded, while
// the user opens help and the About window and the side windows load their pages.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "promo/promo_win.h"
#include "support/kavro_process.h"
#include "support/support.h"
#include "win/text_win.h"

namespace kavro {
namespace {

std::vector<std::wstring> PlantedNames() {
  std::vector<std::wstring> names;
  std::wstringstream list(win::FromUtf8(KAVRO_PLANTED_DLLS));
  for (std::wstring name; std::getline(list, name, L',');) names.push_back(name);
  return names;
}

// Beside the test programs, under the build folder (a relative path with forward slashes).
std::wstring PlantedFolder() { return test::BuildFolder() + L"\\" KAVRO_PLANTED_FOLDER; }

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Wine prefers its own DLLs to any file of the same name. These overrides, for the two programs
// started here, make it look for a native DLL along the search path first, as Windows does, so
// that a planted one is found if the search reaches the program's folder.
constexpr const wchar_t* kStarted[] = {L"kavro.exe", L"linking_program.exe"};

std::wstring OverridesKey(const wchar_t* program) {
  return std::wstring(L"Software\\Wine\\AppDefaults\\") + program + L"\\DllOverrides";
}

// Loaded by Wine's own DLLs in ways Windows' do not: version.dll and imm32.dll are linked by
// Wine's user32 (a known DLL on Windows, whose imports are never looked for beside the program),
// and msimg32.dll is delay-loaded by Wine's common controls through the start-up search path,
// which Wine's loader keeps whatever SetDefaultDllDirectories said. Overriding them would test
// Wine, not the program; they stay planted, under Wine's usual order.
bool LoadedByWineItself(const std::wstring& name) {
  return name == L"version.dll" || name == L"imm32.dll" || name == L"msimg32.dll";
}

void PreferNative(const std::vector<std::wstring>& names) {
  for (const wchar_t* program : kStarted) {
    for (std::wstring name : names) {
      if (LoadedByWineItself(name)) continue;
      if (name.ends_with(L".dll")) name.resize(name.size() - 4);
      const wchar_t order[] = L"native,builtin";
      RegSetKeyValueW(HKEY_CURRENT_USER, OverridesKey(program).c_str(), name.c_str(), REG_SZ, order,
                      sizeof(order));
    }
  }
}

void ForgetOverrides() {
  for (const wchar_t* program : kStarted) {
    RegDeleteTreeW(HKEY_CURRENT_USER,
                   (std::wstring(L"Software\\Wine\\AppDefaults\\") + program).c_str());
  }
}

// A download folder: a copy of kavro.exe and its help file, the program that links DLLs the
// ordinary way, and every planted DLL, without markers.
class DllPlanting : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = test::MakeTempFolder(L"downloads");
    std::wstring built = test::BuildFolder();
    CopyFileW(test::KavroExePath().c_str(), (folder_ + L"\\kavro.exe").c_str(), FALSE);
    CopyFileW((built + L"\\kavro.chm").c_str(), (folder_ + L"\\kavro.chm").c_str(), FALSE);
    CopyFileW((PlantedFolder() + L"\\linking_program.exe").c_str(),
              (folder_ + L"\\linking_program.exe").c_str(), FALSE);
    for (const std::wstring& name : names_) {
      ASSERT_TRUE(CopyFileW((PlantedFolder() + L"\\" + name).c_str(),
                            (folder_ + L"\\" + name).c_str(), FALSE))
          << name;
      DeleteFileW(Marker(name).c_str());
    }
    PreferNative(names_);
  }
  void TearDown() override { ForgetOverrides(); }

  std::wstring Marker(const std::wstring& name) const {
    return folder_ + L"\\" + name + L".loaded";
  }
  std::vector<std::wstring> Loaded() const {
    std::vector<std::wstring> loaded;
    for (const std::wstring& name : names_) {
      if (Exists(Marker(name))) loaded.push_back(name);
    }
    return loaded;
  }

  std::wstring folder_;
  const std::vector<std::wstring> names_ = PlantedNames();
};

// The planted DLLs work: a program that links hhctrl.ocx by name loads the one in its folder
// (and then fails to start, as that one refuses to load).
TEST_F(DllPlanting, AProgramLinkingThemLoadsThePlantedDlls) {
  test::RunProgram(L"\"" + folder_ + L"\\linking_program.exe\"", 10000, folder_.c_str());
  std::vector<std::wstring> loaded = Loaded();
  EXPECT_NE(std::find(loaded.begin(), loaded.end(), L"hhctrl.ocx"), loaded.end());
}

TEST_F(DllPlanting, KavroLoadsNoneOfThem) {
  ASSERT_GE(names_.size(), 20u);
  test::KavroProcess kavro;
  ASSERT_TRUE(kavro.Start(folder_ + L"\\kavro.exe", folder_.c_str()))
      << ::testing::PrintToString(Loaded());
  // Help, where a help file is there to open.
  PostMessageW(kavro.Item(MainControl::xpcmdbutton4), BM_CLICK, 0, 0);
  if (Exists(folder_ + L"\\kavro.chm")) {
    EXPECT_NE(kavro.WaitForWindow([](HWND w) { return test::WindowText(w) == L"Kavro 帮助"; }),
              nullptr);
  }
  // The About window, after the home page was handed to the shell.
  PostMessageW(kavro.Item(MainControl::xpcmdbutton2), BM_CLICK, 0, 0);
  EXPECT_NE(kavro.WaitForWindow([](HWND w) { return test::ClassOf(w) == L"aboutfrm"; }), nullptr);
  // The side windows load their pages once shown. The link in place of the page means that no
  // engine is there to load anything more; a hosted browser goes on loading for the whole time.
  test::PumpUntil(
      [&] {
        return GetDlgItem(kavro.adfrm, int(promo::PromoControl::NoBrowserText)) &&
               GetDlgItem(kavro.ad1frm, int(promo::PromoControl::NoBrowserText));
      },
      1500);
  EXPECT_EQ(Loaded(), std::vector<std::wstring>{});
}

}  // namespace
}  // namespace kavro
