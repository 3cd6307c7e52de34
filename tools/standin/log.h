#pragma once
// The stand-in's log: what a client did to it, one line per event, UTF-8, CR LF line ends,
// written through at once (the file may be read while the server runs). Line forms:
//
//   Documents.Add <path>                 a method call with its argument(s), space-separated;
//   Documents.Open <path>                string arguments unquoted when they are the last
//   Document.Open <path>                 argument, paths as given
//   Document.Close true                  booleans as true/false
//   Document.SendCommand "filedia\r0\r"  command text quoted, see Quote()
//   put Application.Visible true         a property set
//   get Application.Caption              a property read (also GetAcadState, IsQuiescent)
//   Typed "filedia~0~"                   keys typed into the window, one line per command the
//                                        command line completed, Enter written as "~"
//   Application.Quit
//   - <note>                             what the stand-in did on its own: start, commands run,
//                                        scripts applied, saves, rejected calls, failures
//
// So the lines that are neither "get " nor "- " are exactly what a client sent.
#include <windows.h>

#include <string>
#include <string_view>

namespace standin {

class Log {
 public:
  void Open(const std::wstring& path);
  void Line(std::wstring_view text);
  void Note(std::wstring_view text) { Line(L"- " + std::wstring(text)); }

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

Log& TheLog();

// Text in double quotes; backslash, quote and control characters escaped as \\ \" \r \n \t
// and \xNN.
std::wstring Quote(std::wstring_view text);
// Text typed at the command line: Enter (CR) shown as "~", the rest as Quote() does.
std::wstring QuoteTyped(std::wstring_view text);

}  // namespace standin
