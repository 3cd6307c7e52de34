#pragma once
// Drives the modal windows an action opens on this thread (the common file dialogs, message
// boxes) from a watcher thread, and a scripted stand-in for the file dialogs.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/file_dialog.h"
#include "support/support.h"

namespace kavro::test {

struct SeenDialog {
  std::wstring title;
  std::wstring text;  // a message box's text
};

using DialogAnswer = std::function<void(HWND dialog)>;

inline HWND FindOpenDialog(DWORD thread) {
  HWND found = nullptr;
  EnumThreadWindows(
      thread,
      [](HWND window, LPARAM out) -> BOOL {
        if (IsWindowVisible(window) && ClassOf(window) == L"#32770") {
          *reinterpret_cast<HWND*>(out) = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

inline std::wstring MessageText(HWND box) {
  wchar_t text[1024] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 1024);
  return text;
}

// Types `name` into the file dialog's name box and presses OK.
inline DialogAnswer ChooseName(std::wstring name) {
  return [name](HWND dialog) {
    HWND box = GetDlgItem(dialog, 0x47C);  // cmb13
    if (!box) {
      box = GetDlgItem(dialog, 0x480);  // edt1
    }
    SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  };
}
inline DialogAnswer Press(int id) {
  return [id](HWND dialog) { PostMessageW(dialog, WM_COMMAND, static_cast<WPARAM>(id), 0); };
}

// Runs `action` here while a watcher answers the dialogs it opens, one answer per dialog, in
// order; a dialog beyond the answers is closed (and still reported). Returns what each dialog
// showed.
inline std::vector<SeenDialog> RunAnswering(const std::function<void()>& action,
                                            std::vector<DialogAnswer> answers = {}) {
  std::vector<SeenDialog> seen;
  std::atomic<bool> done{false};
  DWORD thread = GetCurrentThreadId();
  std::thread watcher([&] {
    size_t next = 0;
    for (;;) {
      auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      HWND dialog = nullptr;
      while (!(dialog = FindOpenDialog(thread)) && !done &&
             std::chrono::steady_clock::now() < deadline) {
        Sleep(10);
      }
      if (!dialog) {
        return;
      }
      Sleep(50);  // let the dialog finish its start-up
      seen.push_back({WindowText(dialog), MessageText(dialog)});
      if (next < answers.size()) {
        answers[next++](dialog);
      } else {
        bool messageBox = GetDlgItem(dialog, 0xFFFF) != nullptr;
        PostMessageW(dialog, WM_COMMAND, messageBox ? IDOK : IDCANCEL, 0);
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

// Selects entries of a list box the quick way: straight through its own procedure (past the
// subclasses, each a server round trip under Wine), painting once at the end.
inline void SelectEntries(HWND list, const std::vector<int>& indexes) {
  auto procedure = reinterpret_cast<WNDPROC>(GetClassLongPtrW(list, GCLP_WNDPROC));
  CallWindowProcW(procedure, list, WM_SETREDRAW, FALSE, 0);
  for (int index : indexes) {
    CallWindowProcW(procedure, list, LB_SETSEL, TRUE, index);
  }
  CallWindowProcW(procedure, list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

// The file dialogs as a script: each showing takes the next answer.
class ScriptedDialogs : public FileDialogBackend {
 public:
  FileDialogAnswer Show(const FileDialogRequest& request) override {
    requests.push_back(request);
    if (answers.empty()) {
      return {DialogOutcome::Cancelled, {}};
    }
    FileDialogAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::deque<FileDialogAnswer> answers;
  std::vector<FileDialogRequest> requests;
};

}  // namespace kavro::test
