// The folder of a run's scripts trusted by the Core Console through the AutoCAD user profile, for
// as long as the run lasts: the stand-in console reads the profile at start as AutoCAD's does, so
// a script it ignores leaves its drawing unchanged and one it runs saves it.
#include <windows.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/core_trust_win.h"
#include "support/cad_profile.h"
#include "support/core_process.h"
#include "support/standin.h"
#include "support/support.h"
#include "win/file_win.h"
#include "win/text_win.h"

namespace kavro {
namespace {

using run::CoreConsoleTrust;
using test::CadProfile;
using test::ReadBytes;

constexpr char kDrawing[] = "drawing\r\n";
constexpr char kScript[] = "filedia 0\r\n_.qsave\r\n";
constexpr wchar_t kTrusted[] = L"TRUSTEDPATHS";
constexpr wchar_t kFolderVariable[] = L"KAVRO_TRUST_TEST_FOLDER";
constexpr wchar_t kDataVariable[] = L"KAVRO_TRUST_TEST_DATA";

class CoreTrustTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = test::MakeTempFolder(L"core-trust");
    scripts_ = folder_ + L"\\Run 1";
    data_ = folder_ + L"\\Data";
    CreateDirectoryW(scripts_.c_str(), nullptr);
    CreateDirectoryW(data_.c_str(), nullptr);
    script_ = test::MakeDrawing(scripts_, L"kavro.scr", kScript);
    // The settings would trust the folder: only the profile can make the console ignore it.
    standin_ = std::make_unique<test::Standin>(
        test::StandinOptions{.version = L"23.1", .coreTrustedPaths = scripts_});
  }
  void TearDown() override { CadProfile::RemoveAll(); }

  // Whether a Core Console started now runs the script (and so saves its drawing).
  bool ConsoleRuns() {
    std::wstring name = L"d" + std::to_wstring(++drawings_) + L".dwg";
    std::wstring drawing = test::MakeDrawing(folder_, name, kDrawing);
    test::CoreProcess core(L"/i \"" + drawing + L"\" /s \"" + script_ + L"\"");
    EXPECT_TRUE(core.Wait());
    return ReadBytes(drawing) == std::string(kDrawing) + kScript;
  }
  CoreConsoleTrust Trust(const std::wstring& folder, std::wstring* refusal = nullptr) {
    std::wstring said;
    CoreConsoleTrust trust = CoreConsoleTrust::ForFolder(folder, data_, said);
    EXPECT_TRUE(refusal || said.empty()) << win::ToUtf8(said);
    if (refusal) *refusal = said;
    return trust;
  }
  CoreConsoleTrust Trust() { return Trust(scripts_); }
  size_t Notes() const { return test::FilesIn(data_).size(); }

  std::wstring folder_, scripts_, data_, script_;
  std::unique_ptr<test::Standin> standin_;
  int drawings_ = 0;
};

TEST_F(CoreTrustTest, TrustsTheFolderForTheRunAndPutsBackTheExactValue) {
  CadProfile profile(L"R23.1");
  profile.SetText(L"SECURELOAD", L"1");
  profile.SetText(kTrusted, L"C:\\x");
  EXPECT_FALSE(ConsoleRuns());
  {
    CoreConsoleTrust trust = Trust();
    EXPECT_TRUE(trust.Changed());
    EXPECT_EQ(profile.Text(kTrusted), L"C:\\x;" + scripts_);
    EXPECT_EQ(1u, Notes());
    EXPECT_TRUE(ConsoleRuns());
    // Moved, the change is undone once, by its last owner.
    CoreConsoleTrust owner = std::move(trust);
    trust = CoreConsoleTrust();
    EXPECT_EQ(profile.Text(kTrusted), L"C:\\x;" + scripts_);
  }
  EXPECT_EQ(profile.Text(kTrusted), L"C:\\x");
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), profile.TypeOf(kTrusted));
  EXPECT_EQ(0u, Notes());
  EXPECT_FALSE(ConsoleRuns());

  // No value before (SECURELOAD stored as a number): none after.
  profile.Remove(kTrusted);
  profile.SetNumber(L"SECURELOAD", 2);
  {
    CoreConsoleTrust trust = Trust();
    EXPECT_EQ(profile.Text(kTrusted), scripts_);
    EXPECT_TRUE(ConsoleRuns());
  }
  EXPECT_EQ(static_cast<DWORD>(REG_NONE), profile.TypeOf(kTrusted));

  // An expandable value stays expandable and unexpanded.
  profile.SetText(kTrusted, L"%APPDATA%\\x", REG_EXPAND_SZ);
  {
    CoreConsoleTrust trust = Trust();
    EXPECT_EQ(profile.Text(kTrusted), L"%APPDATA%\\x;" + scripts_);
  }
  EXPECT_EQ(profile.Text(kTrusted), L"%APPDATA%\\x");
  EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), profile.TypeOf(kTrusted));
}

// Only the run's own change is undone: a value changed meanwhile stays, and two runs at once,
// ending in either order, leave the profile as they found it. A folder that cannot be trusted is
// refused and changes nothing.
TEST_F(CoreTrustTest, OnlyItsOwnChangeIsUndoneAndARefusedFolderChangesNothing) {
  CadProfile profile(L"R23.1");
  profile.SetText(kTrusted, L"C:\\x");
  {
    CoreConsoleTrust trust = Trust();
    profile.SetText(kTrusted, L"D:\\theirs");
  }
  EXPECT_EQ(profile.Text(kTrusted), L"D:\\theirs");
  profile.SetText(kTrusted, L"C:\\x");
  std::wstring second = scripts_ + L"-2";
  CreateDirectoryW(second.c_str(), nullptr);
  {
    CoreConsoleTrust first = Trust();
    CoreConsoleTrust other = Trust(second);
    EXPECT_EQ(profile.Text(kTrusted), L"C:\\x;" + scripts_ + L";" + second);
    first.Restore();
    EXPECT_EQ(profile.Text(kTrusted), L"C:\\x;" + second);
  }
  EXPECT_EQ(profile.Text(kTrusted), L"C:\\x");
  EXPECT_EQ(0u, Notes());
  RemoveDirectoryW(second.c_str());
  // Without a place for the note, the profile is not touched. (A folder TRUSTEDPATHS cannot
  // hold is refused by the plan: unit tests.)
  std::wstring refusal;
  std::wstring missing = data_ + L"\\missing";
  CoreConsoleTrust none = CoreConsoleTrust::ForFolder(scripts_, missing, refusal);
  EXPECT_FALSE(none.Changed());
  EXPECT_NE(std::wstring::npos, refusal.find(missing)) << win::ToUtf8(refusal);
  EXPECT_NE(std::wstring::npos, refusal.find(scripts_)) << win::ToUtf8(refusal);
  EXPECT_EQ(profile.Text(kTrusted), L"C:\\x");

  profile.SetBinary(kTrusted, "C:\\x");
  EXPECT_FALSE(Trust(scripts_, &refusal).Changed());
  EXPECT_NE(std::wstring::npos, refusal.find(scripts_)) << win::ToUtf8(refusal);
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), profile.TypeOf(kTrusted));
  EXPECT_EQ(0u, Notes());
}

// Which profiles need the folder is decided by PlanCoreTrust (unit tests); here, that such a
// profile is read from the registry and left alone.
TEST_F(CoreTrustTest, NothingChangesWhereNothingIsToDo) {
  CadProfile::RemoveAll();
  EXPECT_FALSE(Trust().Changed());
  EXPECT_FALSE(CadProfile::AnyLeft());
  {
    CadProfile covered(L"R24.3");
    covered.SetText(L"SECURELOAD", L"1");
    covered.SetText(kTrusted, L"C:\\x;" + folder_ + L"\\...");
    EXPECT_FALSE(Trust().Changed());
    EXPECT_EQ(covered.Text(kTrusted), L"C:\\x;" + folder_ + L"\\...");
    EXPECT_EQ(0u, Notes());
  }
  // The profile's SECURELOAD 0 lets the console run a script the settings would not trust.
  standin_ = std::make_unique<test::Standin>(test::StandinOptions{.version = L"23.1"});
  EXPECT_FALSE(ConsoleRuns());
  CadProfile profile(L"R23.1");
  profile.SetNumber(L"SECURELOAD", 0);
  EXPECT_TRUE(ConsoleRuns());
}

// A run killed with the folder in TRUSTEDPATHS: the next start puts the old value back, but never
// while the run that made the change still runs.
TEST_F(CoreTrustTest, AKilledRunsChangeIsUndoneAtTheNextStart) {
  CadProfile profile(L"R23.1");
  profile.SetText(kTrusted, L"C:\\x");
  SetEnvironmentVariableW(kFolderVariable, scripts_.c_str());
  SetEnvironmentVariableW(kDataVariable, data_.c_str());
  HANDLE child = test::StartThisProgram(L"CoreTrustChild.DISABLED_HoldsTrustUntilKilled");
  ASSERT_TRUE(child);
  std::wstring changed = L"C:\\x;" + scripts_;
  EXPECT_TRUE(test::PumpUntil([&] { return profile.Text(kTrusted) == changed; }, 20000));
  EXPECT_EQ(0, run::RestoreLeftTrust(data_));
  EXPECT_EQ(profile.Text(kTrusted), changed);

  TerminateProcess(child, 1);
  WaitForSingleObject(child, 10000);
  CloseHandle(child);
  EXPECT_EQ(profile.Text(kTrusted), changed);
  ASSERT_EQ(1u, Notes());
  // A note cut short was never followed by a change: it only goes.
  ASSERT_TRUE(win::WriteFileReplacing(data_ + L"\\core-trust-1-1.txt", "kavro core").ok);
  EXPECT_EQ(1, run::RestoreLeftTrust(data_));
  EXPECT_EQ(profile.Text(kTrusted), L"C:\\x");
  EXPECT_EQ(0u, Notes());
  EXPECT_FALSE(ConsoleRuns());
}

// Started by the test above: makes the change, then waits to be killed.
TEST(CoreTrustChild, DISABLED_HoldsTrustUntilKilled) {
  std::wstring folder = test::EnvironmentValue(kFolderVariable);
  if (folder.empty()) GTEST_SKIP();
  std::wstring refusal;
  CoreConsoleTrust trust =
      CoreConsoleTrust::ForFolder(folder, test::EnvironmentValue(kDataVariable), refusal);
  ASSERT_TRUE(trust.Changed());
  Sleep(60000);
}

}  // namespace
}  // namespace kavro
