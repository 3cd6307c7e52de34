#pragma once
// Building a window's child controls from its design table, and what they share: fonts, icons
// and reading a control's text.
#include <windows.h>

#include <string>

#include "win/handles_win.h"
#include "win/screen_units_win.h"

namespace kavro::win {

struct ControlCreateArgs {
  HWND parent = nullptr;
  const wchar_t* className = nullptr;
  int id = 0;
  float left = 0, top = 0, width = 0, height = 0;  // twips, in the parent's client area
  const wchar_t* text = L"";
  DWORD style = 0;  // WS_CHILD | WS_VISIBLE are always added
  DWORD exStyle = 0;
  HFONT font = nullptr;  // nullptr: the system font
};

// Creates the control at the screen's DPI. Throws std::runtime_error when it cannot be made.
HWND CreateControl(const ControlCreateArgs& args, const ScreenDpi& dpi);

// A font of `points` size at the screen's DPI; a Chinese face name gets the GB2312 character set.
UniqueFont CreatePointFont(const ScreenDpi& dpi, const wchar_t* face, double points,
                           bool bold = false, bool underline = false);
// 宋体 9 pt: the buttons of the main window and the progress window's labels.
UniqueFont CreateSongTiFont(const ScreenDpi& dpi);
// The system's message font: frames, labels and text boxes.
UniqueFont CreateMessageFont(const ScreenDpi& dpi);

// A window's 32 x 32 and 16 x 16 icons from one icon resource.
struct WindowIcons {
  UniqueIcon big;
  UniqueIcon small;
};
WindowIcons LoadWindowIcons(int resourceId);
void SetWindowIcons(HWND window, const WindowIcons& icons);

// The whole text of a window or control, of any length.
std::wstring WindowText(HWND window);

}  // namespace kavro::win
