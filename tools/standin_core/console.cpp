#include "console.h"

#include <string>

namespace standin::core {

Console::Console(DWORD which) : out_(GetStdHandle(which)) {
  DWORD mode = 0;
  isConsole_ = out_ != INVALID_HANDLE_VALUE && out_ && GetConsoleMode(out_, &mode);
}

void Console::Line(std::wstring_view text) {
  if (out_ == INVALID_HANDLE_VALUE || !out_) return;
  std::wstring line(text);
  line += L"\r\n";
  DWORD done = 0;
  if (isConsole_) {
    WriteConsoleW(out_, line.data(), static_cast<DWORD>(line.size()), &done, nullptr);
    return;
  }
  // wchar_t is UTF-16LE on Windows: its bytes are the output. A pipe may take part of a write.
  const char* bytes = reinterpret_cast<const char*>(line.data());
  DWORD left = static_cast<DWORD>(line.size() * sizeof(wchar_t));
  while (left > 0 && WriteFile(out_, bytes, left, &done, nullptr) && done > 0) {
    bytes += done;
    left -= done;
  }
}

}  // namespace standin::core
