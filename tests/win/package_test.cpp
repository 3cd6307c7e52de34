// The release packages as a user meets them: the installer run silently into a chosen folder, the
// program started from there, the uninstaller, and the zip unpacked (by the test's set-up script)
// to C:\Kavro Zip. Both must hold the same program folder.
#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "kavro_version.h"
#include "support/kavro_process.h"
#include "support/support.h"
#include "win/registry_win.h"
#include "win/text_win.h"

namespace kavro {
namespace {

namespace fs = std::filesystem;
using Microsoft::WRL::ComPtr;

const std::wstring kVersion = win::FromUtf8(KAVRO_VERSION_TEXT);
const std::wstring kUninstallKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kavro";
const fs::path kInstallFolder = L"C:\\Kavro Test";
const fs::path kZipFolder = L"C:\\Kavro Zip\\Kavro";
const std::wstring kReadme = L"读我.txt";

fs::path PackageFolder() { return fs::path(test::BuildFolder()) / L"packages"; }

fs::path KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  fs::path folder;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path))) folder = path;
  CoTaskMemFree(path);
  return folder;
}

fs::path StartMenuFolder() { return KnownFolder(FOLDERID_CommonPrograms) / L"Kavro"; }

std::set<std::wstring> FileNames(const fs::path& folder) {
  std::set<std::wstring> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    names.insert(entry.path().filename().wstring());
  }
  return names;
}

// As typed at a prompt (NSIS wants "/D=" unquoted).
long RunWaiting(const std::wstring& commandLine) { return test::RunProgram(commandLine, 60000); }

// The installer's uninstall entry, or null; a value of it (an empty one when it is not there).
win::UniqueKey UninstallKey() {
  HKEY key = nullptr;
  RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey.c_str(), 0, KEY_READ, &key);
  return win::UniqueKey(key);
}
win::RegistryValue KeyValue(const wchar_t* name) {
  win::UniqueKey key = UninstallKey();
  return (key ? win::ReadValue(key.Get(), name) : std::nullopt).value_or(win::RegistryValue{});
}

fs::path ShortcutTarget(const fs::path& link) {
  ComPtr<IShellLinkW> shellLink;
  ComPtr<IPersistFile> file;
  wchar_t target[MAX_PATH] = {};
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_PPV_ARGS(&shellLink))) &&
      SUCCEEDED(shellLink.As(&file)) && SUCCEEDED(file->Load(link.c_str(), STGM_READ))) {
    shellLink->GetPath(target, MAX_PATH, nullptr, 0);
  }
  return target;
}

// What the packages must hold: the program, its help, the read-me, and kavro.com when built.
std::set<std::wstring> ProgramFiles() {
  std::set<std::wstring> names{L"kavro.exe", L"kavro.chm", kReadme};
  if (fs::exists(fs::path(test::BuildFolder()) / L"kavro.com")) names.insert(L"kavro.com");
  return names;
}

// Starts kavro.exe from `folder`; its main window shows and its help button opens the help file
// that lies beside it.
void StartsWithItsHelp(const fs::path& folder) {
  SCOPED_TRACE(folder.string());
  test::KavroProcess kavro;
  ASSERT_TRUE(kavro.Start((folder / L"kavro.exe").wstring()));
  EXPECT_TRUE(IsWindowVisible(kavro.main));
  PostMessageW(kavro.Item(MainControl::xpcmdbutton4), BM_CLICK, 0, 0);
  EXPECT_TRUE(kavro.WaitForWindow([](HWND w) { return test::WindowText(w) == L"Kavro 帮助"; }))
      << "the help button opened no help window";
  PostMessageW(kavro.Item(MainControl::xpcmdbutton3), BM_CLICK, 0, 0);
  EXPECT_TRUE(kavro.EndedWithoutError());
}

class Package : public testing::Test {
 protected:
  static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  static void TearDownTestSuite() { CoUninitialize(); }

  // An earlier run that stopped half-way leaves no trace behind for this one.
  void SetUp() override {
    std::error_code ignored;
    fs::remove_all(kInstallFolder, ignored);
    fs::remove_all(StartMenuFolder(), ignored);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUninstallKey.c_str());
  }

  static long Install() {
    return RunWaiting(L"\"" + (PackageFolder() / (L"Kavro-" + kVersion + L"-setup.exe")).wstring() +
                      L"\" /S /D=" + kInstallFolder.wstring());
  }

  // The uninstaller copies itself away and returns at once: wait for what it leaves.
  static bool Uninstall() {
    if (RunWaiting(L"\"" + (kInstallFolder / L"Uninstall.exe").wstring() + L"\" /S") != 0) {
      return false;
    }
    return test::PumpUntil([] { return !UninstallKey() && !fs::exists(StartMenuFolder()); }, 20000);
  }
};

TEST_F(Package, InstallsStartsAndUninstallsLeavingTheRunLogs) {
  ASSERT_EQ(Install(), 0);

  std::set<std::wstring> expected = ProgramFiles();
  expected.insert(L"Uninstall.exe");
  EXPECT_EQ(FileNames(kInstallFolder), expected);

  EXPECT_EQ(KeyValue(L"DisplayName").text, L"Kavro");
  EXPECT_EQ(KeyValue(L"DisplayVersion").text, kVersion);
  EXPECT_EQ(KeyValue(L"Publisher").text, L"Kavro");
  EXPECT_EQ(KeyValue(L"DisplayIcon").text, (kInstallFolder / L"kavro.exe").wstring() + L",0");
  EXPECT_EQ(KeyValue(L"UninstallString").text,
            L"\"" + (kInstallFolder / L"Uninstall.exe").wstring() + L"\"");
  uintmax_t bytes = 0;
  for (const auto& name : expected) bytes += fs::file_size(kInstallFolder / name);
  EXPECT_NEAR(KeyValue(L"EstimatedSize").number, static_cast<double>(bytes / 1024), 1.0);

  EXPECT_EQ(ShortcutTarget(StartMenuFolder() / L"Kavro.lnk"), kInstallFolder / L"kavro.exe");
  EXPECT_EQ(ShortcutTarget(StartMenuFolder() / L"Kavro 帮助.lnk"), kInstallFolder / L"kavro.chm");
  EXPECT_EQ(ShortcutTarget(StartMenuFolder() / L"卸载 Kavro.lnk"),
            kInstallFolder / L"Uninstall.exe");

  StartsWithItsHelp(kInstallFolder);

  // A run's log and journal stand in the user's own folder, and a drawing list the user saved
  // in the program folder: the uninstaller must not touch them. The script file a run wrote
  // there goes.
  std::ofstream(kInstallFolder / L"图纸.txt") << "C:\\a.dwg\r\n";
  std::ofstream(kInstallFolder / L"kavro.scr") << "zoom e";
  const fs::path local = KnownFolder(FOLDERID_LocalAppData) / L"Kavro";
  const fs::path log = local / L"logs" / L"package-test.log";
  const fs::path journal = local / L"journal" / L"package-test.journal";
  for (const auto& file : {log, journal}) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "run\r\n";
  }

  ASSERT_TRUE(Uninstall());
  EXPECT_TRUE(test::PumpUntil([] { return !fs::exists(kInstallFolder / L"kavro.exe"); }));
  EXPECT_EQ(FileNames(kInstallFolder), std::set<std::wstring>{L"图纸.txt"});
  EXPECT_TRUE(fs::exists(log));
  EXPECT_TRUE(fs::exists(journal));
  fs::remove(log);
  fs::remove(journal);
  fs::remove_all(kInstallFolder);
}

TEST_F(Package, ZipHoldsTheSameProgramFolderAndRunsFromIt) {
  ASSERT_TRUE(fs::exists(PackageFolder() / (L"Kavro-" + kVersion + L".zip")));
  ASSERT_EQ(FileNames(kZipFolder.parent_path()), std::set<std::wstring>{L"Kavro"})
      << "the zip must unpack to one folder, Kavro";
  EXPECT_EQ(FileNames(kZipFolder), ProgramFiles());

  // The read-me: UTF-8 with a byte-order mark, CR LF line ends, and where the run logs are.
  std::ifstream in(kZipFolder / kReadme, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text.rfind("\xEF\xBB\xBF", 0), 0u);
  size_t lf = 0, crlf = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') ++lf, crlf += i > 0 && text[i - 1] == '\r';
  }
  EXPECT_GT(lf, 10u);
  EXPECT_EQ(crlf, lf);
  EXPECT_NE(text.find("%LOCALAPPDATA%\\Kavro\\logs\\"), std::string::npos);
  EXPECT_NE(text.find(win::ToUtf8(L"Kavro " + kVersion)), std::string::npos);

  StartsWithItsHelp(kZipFolder);
}

}  // namespace
}  // namespace kavro
