// kavro_demo.exe: what scripts/run.sh does inside Wine when there is no display to look at. It
// waits on Kavro's windows instead of waiting a fixed time, and starts a run from the main window
// as a user would:
//   kavro_demo wait [seconds]           until kavro.exe's main window and both side windows are
//                                       shown and painted; exit code 1 when they never come
//   kavro_demo modify [seconds] PATH... puts the drawings in the main window's list, a script
//                                       template and start page 1, chooses R2000+ and presses
//                                       "批量修改"; returns once the progress window says the run
//                                       is done (it stays so until double-clicked)
//   kavro_demo close                    dismisses the progress window, if shown, and closes the
//                                       main window as a user would
// Prints one line of what it saw (UTF-8).
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "app/main_layout.h"

namespace {

using kavro::ControlCommandId;
using kavro::MainControl;

void Print(const std::wstring& text) {
  std::wstring line = text + L"\n";
  int n = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string bytes(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), bytes.data(), n,
                      nullptr, nullptr);
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()),
            &written, nullptr);
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = L"";
  GetClassNameW(window, name, 64);
  return name;
}

// A text of a window of another process, without hanging on a busy one.
std::wstring TextOf(HWND window) {
  wchar_t text[512] = L"";
  DWORD_PTR got = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      2000, &got);
  return text;
}

struct Search {
  const wchar_t* className;
  DWORD process;  // 0: any
  HWND found = nullptr;
};

BOOL CALLBACK Visit(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (IsWindowVisible(window) && ClassOf(window) == search->className &&
      (search->process == 0 || process == search->process)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND Find(const wchar_t* className, DWORD process = 0) {
  Search search{className, process};
  EnumWindows(&Visit, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Polls `done` every 50 ms until it is true or `seconds` passed.
template <typename F>
bool WaitFor(F done, int seconds) {
  for (ULONGLONG end = GetTickCount64() + 1000ULL * seconds;;) {
    if (done()) return true;
    if (GetTickCount64() > end) return false;
    Sleep(50);
  }
}

// The window's thread has handled what was sent before, and the window and its children are
// painted now.
bool Painted(HWND window) {
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &got)) return false;
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &got) != 0;
}

HWND MainWindow() {
  HWND main = Find(L"kavrofrm");
  return main && TextOf(main) == kavro::kMainCaption ? main : nullptr;
}

int WaitForKavro(int seconds) {
  HWND main = nullptr, side = nullptr, side1 = nullptr;
  DWORD process = 0;
  bool shown = WaitFor(
      [&] {
        if (!(main = MainWindow())) return false;
        GetWindowThreadProcessId(main, &process);
        return (side = Find(L"adfrm", process)) && (side1 = Find(L"ad1frm", process));
      },
      seconds);
  if (!shown) {
    Print(main ? L"kavro_demo: the main window \"" + std::wstring(kavro::kMainCaption) +
                     L"\" came, but its side windows did not within " + std::to_wstring(seconds) +
                     L" s"
               : L"kavro_demo: Kavro's main window \"" + std::wstring(kavro::kMainCaption) +
                     L"\" did not appear within " + std::to_wstring(seconds) + L" s");
    return 1;
  }
  for (HWND w : {main, side, side1}) {
    if (!Painted(w)) {
      Print(L"kavro_demo: Kavro's windows do not answer");
      return 1;
    }
  }
  // A question at the start (a run to resume) stands in front of the main window.
  if (HWND box = Find(L"#32770", process)) {
    HWND text = GetDlgItem(box, 0xFFFF);
    Print(L"kavro_demo: Kavro starts with a question: " + (text ? TextOf(text) : TextOf(box)));
  }
  Print(L"kavro_demo: Kavro's main window \"" + std::wstring(kavro::kMainCaption) + L"\" is shown");
  return 0;
}

int ModifyRun(int seconds, const std::vector<std::wstring>& drawings) {
  HWND main = MainWindow();
  if (!main) {
    Print(L"kavro_demo: Kavro's main window is not there");
    return 1;
  }
  auto item = [&](MainControl id) { return GetDlgItem(main, ControlCommandId(id)); };
  for (const std::wstring& path : drawings) {
    SendMessageW(item(MainControl::List2), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
  }
  SendMessageW(item(MainControl::Text1), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(L"-text 0,0 2.5 0 page\r\nzoom e"));
  SendMessageW(item(MainControl::Text2), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"1"));
  SendMessageW(item(MainControl::Option2), BM_CLICK, 0, 0);
  PostMessageW(item(MainControl::Command9), BM_CLICK, 0, 0);  // "  批量修改"

  constexpr wchar_t kDone[] = L"Kavro完成 双击窗口返回";  // run/run_engine.h
  HWND form = nullptr;
  std::wstring first;
  bool done = WaitFor(
      [&] {
        form = Find(L"Form3");
        first = form ? TextOf(GetDlgItem(form, 100)) : L"";
        return first == kDone;
      },
      seconds);
  if (!done) {
    Print(form ? L"kavro_demo: the progress window did not say the run was done within " +
                     std::to_wstring(seconds) + L" s; it says: " + first
               : L"kavro_demo: no progress window came within " + std::to_wstring(seconds) + L" s");
    return 1;
  }
  if (!Painted(form)) return 1;
  std::wstring labels;
  for (int id = 100; id < 105; ++id) {
    std::wstring text = TextOf(GetDlgItem(form, id));
    if (!text.empty()) labels += (labels.empty() ? L"" : L" | ") + text;
  }
  Print(L"kavro_demo: the progress window says: " + labels);
  return 0;
}

int Close() {
  if (HWND form = Find(L"Form3")) {
    DWORD_PTR got = 0;
    SendMessageTimeoutW(GetDlgItem(form, 103), WM_LBUTTONDBLCLK, MK_LBUTTON, 0, SMTO_ABORTIFHUNG,
                        5000, &got);
    WaitFor([] { return Find(L"Form3") == nullptr; }, 10);
  }
  HWND main = MainWindow();
  if (main) PostMessageW(main, WM_CLOSE, 0, 0);
  return main ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> args(argv + 1, argv + argc);
  if (args.empty()) {
    Print(L"usage: kavro_demo wait [seconds] | modify [seconds] PATH... | close");
    return 2;
  }
  int seconds = 60;
  size_t next = 1;
  if (args.size() > 1 && !args[1].empty() && iswdigit(args[1][0])) {
    seconds = _wtoi(args[1].c_str());
    next = 2;
  }
  if (args[0] == L"wait") return WaitForKavro(seconds);
  if (args[0] == L"close") return Close();
  if (args[0] == L"modify" && args.size() > next) {
    return ModifyRun(seconds, std::vector<std::wstring>(args.begin() + next, args.end()));
  }
  Print(L"usage: kavro_demo wait [seconds] | modify [seconds] PATH... | close");
  return 2;
}
