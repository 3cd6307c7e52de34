#include "support/run_fixture.h"

#include <shlobj.h>

#include "record/record_files_win.h"
#include "support/support.h"

namespace kavro::test {

std::wstring AwkwardFolder(const std::wstring& name) {
  std::wstring folder = MakeTempFolder(name) + L"\\图纸~1 {A}+(1)^%";
  SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
  return folder;
}

std::wstring Sent(const std::wstring& command) {
  return L"Document.SendCommand " + LogQuote(command);
}

namespace {

// What an R2000 run sets after `filedia 0`.
Lines SetForRun(bool history) {
  Lines calls = {L"Document.GetVariable LOGFILEMODE", L"Document.SetVariable LOGFILEMODE 1",
                 L"Document.GetVariable PROXYNOTICE", L"Document.SetVariable PROXYNOTICE 0",
                 L"Document.GetVariable DWGCHECK",    L"Document.SetVariable DWGCHECK 2"};
  if (!history) calls.erase(calls.begin() + 1);
  return calls;
}

}  // namespace

Lines PutBack(bool history) {
  Lines calls = {L"Document.SetVariable DWGCHECK 1", L"Document.SetVariable PROXYNOTICE 1",
                 L"Document.SetVariable LOGFILEMODE 0"};
  if (!history) calls.pop_back();
  return calls;
}

Lines ModifyCalls(const Lines& paths, const std::wstring& script, bool history) {
  Lines calls = {L"put Application.Visible true", L"Documents.Add " + Standin::TemplatePath(),
                 Sent(L"filedia\r0\r")};
  Lines set = SetForRun(history), putBack = PutBack(history);
  calls.insert(calls.end(), set.begin(), set.end());
  for (auto& path : paths) {
    calls.push_back(L"Documents.Open " + path);
    if (history) calls.push_back(L"Document.GetVariable LOGFILENAME");
    calls.insert(calls.end(), {Sent(L"script\r" + script + L"\r"), L"Document.Close true"});
  }
  calls.push_back(Sent(L"filedia\r1\r"));
  calls.insert(calls.end(), putBack.begin(), putBack.end());
  return calls;
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

std::wstring RunFixture::ScriptPath() const { return services_->programFolder + L"\\kavro.scr"; }

bool RunFixture::Form3Closed() const {
  return PumpUntil([this] { return Form3() == nullptr; });
}

bool RunFixture::MainShownAndEnabled() const {
  return IsWindowVisible(window_->Hwnd()) && IsWindowEnabled(window_->Hwnd());
}

Lines RunFixture::Messages() const { return services_->messages->Texts(); }

std::wstring RunFixture::LogPath() const {
  std::wstring folder = run::LogFolder(services_->dataFolder);
  Lines names = FilesIn(folder);  // the log and its history file
  std::erase_if(names, [](const std::wstring& name) { return !name.ends_with(L".csv"); });
  return names.size() == 1 ? folder + L"\\" + names[0] : L"";
}

std::vector<Lines> RunFixture::LogRows() const {
  std::vector<Lines> rows = ReadCsv(LogPath()), brief;
  for (size_t i = 1; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].size(), 8u);
    if (rows[i].size() == 8) brief.push_back({rows[i][0], rows[i][2], rows[i][6]});
  }
  return brief;
}

Lines RunFixture::Journals() const { return FilesIn(run::JournalFolder(services_->dataFolder)); }

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
