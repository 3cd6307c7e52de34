#include "support/window_fixture.h"

namespace kavro::test {

void WindowFixture::SetUp() {
  ASSERT_EQ(GetACP(), 936u) << "the Wine prefix must run with the Chinese code page";
  window_ = MainWindow::Create(services_.Get());
  window_->Show();
  PumpPending();
  // Wine reuses process ids from run to run: the folder name needs more than the id.
  folder_ = MakeTempFolder(L"window-" + std::to_wstring(GetTickCount64()));
}

void WindowFixture::Add(const Lines& entries) {
  for (const std::wstring& entry : entries) {
    SendMessageW(List(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
  }
}

std::vector<SeenDialog> WindowFixture::Click(C button, std::vector<DialogAnswer> answers) {
  const auto& shown = services_.messages->shown;
  size_t before = shown.size();
  std::vector<SeenDialog> seen = RunAnswering([&] { window_->Click(button); }, std::move(answers));
  for (size_t i = before; i < shown.size(); ++i) seen.push_back({shown[i].title, shown[i].text});
  return seen;
}

Lines WindowFixture::Answered(C button, DialogOutcome outcome, const std::wstring& path) {
  services_.Scripted().answers.push_back({outcome, path});
  const auto& shown = services_.messages->shown;
  size_t before = shown.size();
  window_->Click(button);
  Lines boxes;
  for (size_t i = before; i < shown.size(); ++i)
    boxes.push_back(shown[i].title + L"|" + shown[i].text);
  return boxes;
}

}  // namespace kavro::test
