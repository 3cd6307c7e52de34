#include "win/controls_win.h"

#include <algorithm>
#include <stdexcept>

namespace kavro::win {

HWND CreateControl(const ControlCreateArgs& args, const ScreenDpi& dpi) {
  HWND control = CreateWindowExW(
      args.exStyle, args.className, args.text, WS_CHILD | WS_VISIBLE | args.style,
      dpi.TwipsToPixelsX(args.left), dpi.TwipsToPixelsY(args.top), dpi.TwipsToPixelsX(args.width),
      dpi.TwipsToPixelsY(args.height), args.parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.id)), GetModuleHandleW(nullptr), nullptr);
  if (!control) {
    throw std::runtime_error("cannot create a control of a window");
  }
  if (args.font) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(args.font), FALSE);
  }
  return control;
}

UniqueFont CreatePointFont(const ScreenDpi& dpi, const wchar_t* face, double points, bool bold,
                           bool underline) {
  const bool chineseFace = face[0] > 0x7F;
  return UniqueFont(CreateFontW(dpi.FontHeight(points), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE,
                                underline, FALSE, chineseFace ? GB2312_CHARSET : DEFAULT_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_DONTCARE, face));
}

UniqueFont CreateSongTiFont(const ScreenDpi& dpi) { return CreatePointFont(dpi, L"宋体", 9); }

UniqueFont CreateMessageFont(const ScreenDpi& dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    return UniqueFont(CreateFontIndirectW(&metrics.lfMessageFont));
  }
  return CreatePointFont(dpi, L"MS Shell Dlg", 9);
}

WindowIcons LoadWindowIcons(int resourceId) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  auto load = [&](int size) {
    return UniqueIcon(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(resourceId),
                                                    IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
  };
  return {load(32), load(16)};
}

void SetWindowIcons(HWND window, const WindowIcons& icons) {
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icons.big.Get()));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icons.small.Get()));
}

std::wstring WindowText(HWND window) {
  // The length is only a hint: some windows of other threads answer it with 0 (Wine's file
  // dialogs). A buffer that came back full is grown and read again.
  size_t size = std::max<size_t>(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, 256);
  for (;;) {
    std::wstring text(size, L'\0');
    int got = GetWindowTextW(window, text.data(), static_cast<int>(size));
    if (got < 0) got = 0;
    if (static_cast<size_t>(got) + 1 < size) {
      text.resize(static_cast<size_t>(got));
      return text;
    }
    size *= 2;
  }
}

}  // namespace kavro::win
