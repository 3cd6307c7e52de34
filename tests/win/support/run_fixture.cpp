#include "support/run_fixture.h"

#include <shlobj.h>

#include "support/support.h"

namespace kavro::test {

std::wstring AwkwardFolder(const std::wstring& name) {
  std::wstring folder = MakeTempFolder(name) + L"\\图纸~1 {A}+(1)^%";
  SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
  return folder;
}

void RunFixture::SetUp() {
  folder_ = MakeTempFolder(L"run_drawings");
  Open(MakeTempFolder(L"run_program"));
}

void RunFixture::Open(const std::wstring& programFolder, bool keepRecords) {
  window_.reset();
  services_ = std::make_unique<TestServices>(TestServiceOptions{
      .programFolder = programFolder, .dataFolder = {}, .keepRecords = keepRecords});
  window_ = MainWindow::Create(services_->Get());
  window_->Show();
  PumpPending();
}

void RunFixture::TearDown() {
  window_.reset();
  services_.reset();
  standin_.reset();
}

void RunFixture::StartStandin(const StandinOptions& options) {
  standin_ = std::make_unique<Standin>(options);
}

Lines RunFixture::AddDrawings(int count, const std::wstring& prefix) {
  Lines paths;
  for (int i = 0; i < count; ++i) {
    std::wstring name = prefix + std::wstring(1, static_cast<wchar_t>(L'a' + i)) + L".dwg";
    paths.push_back(MakeDrawing(folder_, name, kDrawing));
    SendMessageW(window_->Item(MainControl::List2), LB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(paths.back().c_str()));
  }
  return paths;
}

Lines RunFixture::ListEntries() const {
  HWND list = window_->Item(MainControl::List2);
  Lines entries;
  int n = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    wchar_t text[MAX_PATH * 2] = L"";
    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    entries.push_back(text);
  }
  return entries;
}

std::wstring RunFixture::ScriptPath() const { return services_->programFolder + L"\\kavro.scr"; }

bool RunFixture::Form3Closed() const {
  return PumpUntil([this] { return Form3() == nullptr; });
}

bool RunFixture::MainShownAndEnabled() const {
  return IsWindowVisible(window_->Hwnd()) && IsWindowEnabled(window_->Hwnd());
}

Lines RunFixture::Messages() const { return services_->messages->Texts(); }

void RunFixture::ExpectStopped(const std::wstring& named, const Lines& listed,
                               const std::wstring& says) const {
  Lines messages = Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find(named), std::wstring::npos) << messages[0];
  EXPECT_NE(messages[0].find(says), std::wstring::npos) << messages[0];
  EXPECT_EQ(ListEntries(), listed);
  EXPECT_EQ(Form3(), nullptr);
  EXPECT_TRUE(MainShownAndEnabled());
}

}  // namespace kavro::test
