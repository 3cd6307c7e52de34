#pragma once
// What accoreconsole prints: UTF-16LE text, also into a pipe or file (raw bytes, no byte-order
// mark), as the real one does; to a console window through the console's own call.
#include <windows.h>

#include <string_view>

namespace standin::core {

class Console {
 public:
  explicit Console(DWORD which = STD_OUTPUT_HANDLE);
  // One line, CR LF appended. Output that cannot be written is dropped: the program goes on.
  void Line(std::wstring_view text);

 private:
  HANDLE out_;
  bool isConsole_ = false;
};

}  // namespace standin::core
