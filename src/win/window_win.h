#pragma once
// Base for the program's windows: registers its class once, keeps the this-pointer from
// WM_NCCREATE, and stops every exception at the window procedure, reporting it to the user.
#include <windows.h>

#include <string>

namespace kavro::win {

struct WindowCreateArgs {
  const wchar_t* className = nullptr;
  std::wstring title;
  DWORD style = WS_OVERLAPPEDWINDOW;
  DWORD exStyle = 0;
  int x = CW_USEDEFAULT;
  int y = CW_USEDEFAULT;
  int width = CW_USEDEFAULT;
  int height = CW_USEDEFAULT;
  HWND parent = nullptr;
  HICON icon = nullptr;
  HICON smallIcon = nullptr;
  HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  UINT classStyle = CS_DBLCLKS;
};

class Window {
 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  virtual ~Window();

  HWND Hwnd() const { return hwnd_; }

 protected:
  // Throws std::runtime_error when the window cannot be created.
  void CreateWindowFrom(const WindowCreateArgs& args);
  virtual LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
  // Called after WM_NCDESTROY; the handle is gone by then.
  virtual void OnDestroyed() {}

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  HWND hwnd_ = nullptr;
};

// Shows what an exception that reached a window procedure said; the program carries on.
void ReportUnexpected(HWND owner, const char* what);

}  // namespace kavro::win
