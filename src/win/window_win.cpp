#include "win/window_win.h"

#include <stdexcept>

#include "base/titles.h"
#include "win/text_win.h"

namespace kavro::win {

Window::~Window() {
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

void Window::CreateWindowFrom(const WindowCreateArgs& args) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  if (!GetClassInfoExW(instance, args.className, &wc)) {
    wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = args.classStyle;
    wc.lpfnWndProc = &Window::Procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = args.background;
    wc.hIcon = args.icon;
    wc.hIconSm = args.smallIcon;
    wc.lpszClassName = args.className;
    if (!RegisterClassExW(&wc)) {
      throw std::runtime_error("RegisterClassEx failed");
    }
  }
  HWND hwnd =
      CreateWindowExW(args.exStyle, args.className, args.title.c_str(), args.style, args.x, args.y,
                      args.width, args.height, args.parent, nullptr, instance, this);
  if (!hwnd) {
    throw std::runtime_error("CreateWindowEx failed");
  }
}

LRESULT Window::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

LRESULT CALLBACK Window::Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (!self) {
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
  LRESULT result = 0;
  try {
    result = self->OnMessage(msg, wp, lp);
  } catch (const std::exception& e) {
    ReportUnexpected(hwnd, e.what());
  } catch (...) {
    ReportUnexpected(hwnd, "unknown failure");
  }
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    self->OnDestroyed();
  }
  return result;
}

void ReportUnexpected(HWND owner, const char* what) {
  std::wstring text = L"发生意外错误：" + FromUtf8(what);
  MessageBoxW(owner, text.c_str(), kProgramTitle, MB_OK | MB_ICONERROR);
}

}  // namespace kavro::win
