#include "cli/console_win.h"

#include <string>

#include "cli/console_text.h"

namespace kavro::cli {

namespace {

// The watch the handler reports to. Windows calls the handler on a thread of its own.
std::atomic<CtrlCWatch*> activeWatch{nullptr};

}  // namespace

TextOut::TextOut(DWORD standardHandle) : handle_(GetStdHandle(standardHandle)) {
  DWORD mode = 0;
  console_ =
      handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE && GetConsoleMode(handle_, &mode);
}

void TextOut::Write(std::wstring_view text) {
  if (handle_ == nullptr || handle_ == INVALID_HANDLE_VALUE || text.empty()) return;
  if (console_) {
    // Unicode straight to the console: no code page stands between the text and the screen.
    std::wstring lines;
    for (wchar_t c : text) {
      if (c == L'\n') lines += L'\r';
      lines += c;
    }
    DWORD written = 0;
    WriteConsoleW(handle_, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr);
    return;
  }
  std::string bytes = EncodedForPipe(text);
  DWORD written = 0;
  WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

CtrlCWatch::CtrlCWatch(std::function<void()> endProgram)
    : endProgram_(std::move(endProgram)), pressed_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  activeWatch.store(this);
  SetConsoleCtrlHandler(&CtrlCWatch::Handler, TRUE);
}

CtrlCWatch::~CtrlCWatch() {
  SetConsoleCtrlHandler(&CtrlCWatch::Handler, FALSE);
  activeWatch.store(nullptr);
}

BOOL WINAPI CtrlCWatch::Handler(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;  // closing: default
  CtrlCWatch* watch = activeWatch.load();
  if (!watch) return FALSE;
  int presses = ++watch->presses_;
  if (presses == 1) SetEvent(watch->pressed_.Get());
  if (presses == 2 && watch->endOnSecond_.load() && watch->endProgram_) watch->endProgram_();
  return TRUE;
}

}  // namespace kavro::cli
