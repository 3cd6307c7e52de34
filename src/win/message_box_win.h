#pragma once
// Message boxes, as a service: the program shows them, tests record them.
#include <windows.h>

#include <string>

namespace kavro::win {

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // As MessageBoxW: the button pressed (IDOK, IDYES...).
  virtual int Show(HWND owner, const std::wstring& text, const wchar_t* title, UINT flags) = 0;
};

class SystemMessageBoxes final : public MessageBoxes {
 public:
  int Show(HWND owner, const std::wstring& text, const wchar_t* title, UINT flags) override {
    return MessageBoxW(owner, text.c_str(), title, flags);
  }
};

}  // namespace kavro::win
