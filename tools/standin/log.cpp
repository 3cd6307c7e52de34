#include "log.h"

#include <cwchar>

#include "win/text_win.h"

namespace standin {

void Log::Open(const std::wstring& path) {
  file_ = CreateFileW(path.c_str(), FILE_APPEND_DATA,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
}

namespace {

// Several stand-ins (the Core Consoles of a parallel run) append to one log at once. Windows
// appends each write whole, but Wine finds the end of the file and writes there in two steps, so
// one line could overwrite another: writers take turns.
HANDLE WritersTurn() {
  static HANDLE mutex = CreateMutexW(nullptr, FALSE, L"KavroStandinLogWriters");
  return mutex;
}

}  // namespace

void Log::Line(std::wstring_view text) {
  if (file_ == INVALID_HANDLE_VALUE) {
    return;
  }
  std::string bytes = kavro::win::ToUtf8(text) + "\r\n";
  HANDLE turn = WritersTurn();
  // Abandoned: a writer died holding it; the turn is ours all the same.
  DWORD wait = turn ? WaitForSingleObject(turn, 5000) : WAIT_FAILED;
  DWORD written = 0;
  WriteFile(file_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) ReleaseMutex(turn);
}

Log& TheLog() {
  static Log log;
  return log;
}

namespace {

std::wstring QuoteWith(std::wstring_view text, const wchar_t* enter) {
  std::wstring out = L"\"";
  for (wchar_t c : text) {
    switch (c) {
      case L'\\':
        out += L"\\\\";
        break;
      case L'"':
        out += L"\\\"";
        break;
      case L'\r':
        out += enter;
        break;
      case L'\n':
        out += L"\\n";
        break;
      case L'\t':
        out += L"\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7f) {
          wchar_t hex[8];
          swprintf(hex, 8, L"\\x%02X", static_cast<unsigned>(c));
          out += hex;
        } else {
          out += c;
        }
    }
  }
  return out + L"\"";
}

}  // namespace

std::wstring Quote(std::wstring_view text) { return QuoteWith(text, L"\\r"); }
std::wstring QuoteTyped(std::wstring_view text) { return QuoteWith(text, L"~"); }

}  // namespace standin
