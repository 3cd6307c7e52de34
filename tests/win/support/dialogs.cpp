#include <atomic>
#include <chrono>
#include <thread>

#include "support/support.h"

namespace kavro::test {
namespace {

HWND FindOpenDialog(DWORD thread) {
  return FindTopWindow(thread, [](HWND w) {
    // Enabled: not one that is on its way out.
    return IsWindowVisible(w) && IsWindowEnabled(w) && ClassOf(w) == L"#32770";
  });
}

}  // namespace

DialogAnswer ChooseName(std::wstring name) {
  return [name](HWND dialog) {
    HWND box = GetDlgItem(dialog, 0x47C);  // cmb13, else edt1
    SendMessageW(box ? box : GetDlgItem(dialog, 0x480), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(name.c_str()));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  };
}

DialogAnswer Press(int id) {
  return [id](HWND dialog) { PostMessageW(dialog, WM_COMMAND, static_cast<WPARAM>(id), 0); };
}

std::vector<SeenDialog> RunAnswering(const std::function<void()>& action,
                                     std::vector<DialogAnswer> answers) {
  std::vector<SeenDialog> seen;
  std::atomic<bool> done{false};
  DWORD thread = GetCurrentThreadId();
  std::thread watcher([&] {
    for (size_t next = 0;; ++next) {
      auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      HWND dialog = nullptr;
      while (!(dialog = FindOpenDialog(thread)) && !done &&
             std::chrono::steady_clock::now() < deadline) {
        Sleep(10);
      }
      if (!dialog) return;
      // Let the dialog finish its start-up: every dialog of the program has a title.
      while (WindowText(dialog).empty() && std::chrono::steady_clock::now() < deadline) Sleep(10);
      Sleep(50);
      HWND message = GetDlgItem(dialog, 0xFFFF);
      seen.push_back({WindowText(dialog), message ? WindowText(message) : L""});
      if (next < answers.size()) {
        answers[next](dialog);
      } else {
        PostMessageW(dialog, WM_COMMAND, message ? IDOK : IDCANCEL, 0);
      }
      while (IsWindow(dialog) && IsWindowVisible(dialog) &&
             std::chrono::steady_clock::now() < deadline) {
        Sleep(10);
      }
    }
  });
  action();
  done = true;
  watcher.join();
  return seen;
}

}  // namespace kavro::test
