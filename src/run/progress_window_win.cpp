#include "run/progress_window_win.h"

#include <commctrl.h>

#include "win/controls_win.h"
#include "win/placement_win.h"
#include "win/screen_units_win.h"

namespace kavro::run {

namespace {

constexpr wchar_t kClassName[] = L"Form3";
constexpr int kClientWidthTwips = 3900;
constexpr int kClientHeightTwips = 1140;

struct LabelDesign {
  int left, top;  // twips
  const wchar_t* caption;
};
const LabelDesign kLabels[] = {
    {840, 120, L"正在替换第   页  共   页"},
    {840, 480, L"开始时间："},
    {1920, 480, L""},
    {840, 840, L"结束时间："},
    {1920, 840, L""},
};
constexpr int kFirstLabelId = 100;
constexpr UINT kUnloadMessage = WM_APP + 1;
constexpr UINT_PTR kRestackTimer = 1;
constexpr UINT kRestackDelayMs = 150;

}  // namespace

std::unique_ptr<ProgressWindow> ProgressWindow::Load(win::Lifetime& lifetime,
                                                     std::function<void()> gone) {
  std::unique_ptr<ProgressWindow> window(new ProgressWindow(lifetime, std::move(gone)));
  window->Create();
  return window;
}

void ProgressWindow::Create() {
  const win::ScreenDpi dpi = win::ScreenDpi::Query();

  win::WindowCreateArgs args;
  args.className = kClassName;
  args.style = WS_POPUP | WS_CLIPCHILDREN;
  args.exStyle = WS_EX_TOOLWINDOW;  // not in the task bar
  args.x = 0;
  args.y = 0;
  args.width = dpi.TwipsToPixelsX(kClientWidthTwips);
  args.height = dpi.TwipsToPixelsY(kClientHeightTwips);
  CreateWindowFrom(args);
  lifetime_.WindowOpened();

  font_ = win::CreateSongTiFont(dpi);
  int id = kFirstLabelId;
  for (const LabelDesign& design : kLabels) {
    // SS_NOTIFY: a double-click on a label reaches this window as STN_DBLCLK. Each label takes
    // the size of its text (SetLabel).
    win::CreateControl({.parent = Hwnd(),
                        .className = WC_STATICW,
                        .id = id++,
                        .left = static_cast<float>(design.left),
                        .top = static_cast<float>(design.top),
                        .style = SS_LEFT | SS_NOTIFY,
                        .font = font_.Get()},
                       dpi);
  }
  for (int i = 0; i < 5; ++i) SetLabel(static_cast<ProgressLabel>(i), kLabels[i].caption);

  win::KeepOnTop(Hwnd());
  win::CenterOnScreen(Hwnd());
  ShowWindow(Hwnd(), SW_SHOW);
  UpdateWindow(Hwnd());
}

HWND ProgressWindow::Label(ProgressLabel label) const {
  return GetDlgItem(Hwnd(), kFirstLabelId + static_cast<int>(label));
}

void ProgressWindow::SetLabel(ProgressLabel which, const std::wstring& text) {
  HWND label = Label(which);
  SetWindowTextW(label, text.c_str());
  // Each label takes the size of its text.
  HDC dc = GetDC(label);
  HGDIOBJ old = SelectObject(dc, font_.Get());
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(label, dc);
  SetWindowPos(label, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // Repainted at once: the run may not return to the message loop for a while. Only what
  // changed is painted (the label, and what a shorter text uncovered).
  InvalidateRect(label, nullptr, TRUE);
  RedrawWindow(Hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

std::wstring ProgressWindow::LabelText(ProgressLabel which) const {
  return win::WindowText(Label(which));
}

void ProgressWindow::ComeToFront() {
  const UINT keep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
  SetWindowPos(Hwnd(), HWND_NOTOPMOST, 0, 0, 0, 0, keep);
  SetWindowPos(Hwnd(), HWND_TOPMOST, 0, 0, 0, 0, keep);
}

void ProgressWindow::RunEnded(std::function<void()> dismissed) {
  dismissed_ = std::move(dismissed);
  runEnded_ = true;
  ComeToFront();
  SetTimer(Hwnd(), kRestackTimer, kRestackDelayMs, nullptr);
}

void ProgressWindow::Unload() {
  if (Hwnd()) DestroyWindow(Hwnd());  // OnDestroyed frees this object
}

void ProgressWindow::DoubleClicked() {
  // While the run works through the list a double-click does nothing. The window goes once
  // the label that was clicked has finished with its own message.
  if (runEnded_) PostMessageW(Hwnd(), kUnloadMessage, 0, 0);
}

void ProgressWindow::Clicked() {
  if (!runEnded_ && stopAsked_) stopAsked_();
}

LRESULT ProgressWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_LBUTTONDBLCLK:
      DoubleClicked();
      return 0;
    case WM_LBUTTONDOWN:
      Clicked();
      return 0;
    case WM_KEYDOWN:
      if (wp == VK_ESCAPE) Clicked();
      return 0;
    case WM_COMMAND:
      if (HIWORD(wp) == STN_DBLCLK) DoubleClicked();
      // A label clicked, or Esc as the dialog manager sends it (IDCANCEL, code 0 too).
      if (HIWORD(wp) == STN_CLICKED) Clicked();
      return 0;
    case WM_CLOSE:
      // Alt+F4: as a double-click, so that the main window is never left hidden.
      DoubleClicked();
      return 0;
    case WM_TIMER:
      if (wp == kRestackTimer) {
        KillTimer(Hwnd(), kRestackTimer);
        ComeToFront();
        return 0;
      }
      return win::Window::OnMessage(msg, wp, lp);
    case kUnloadMessage: {
      std::function<void()> dismissed = std::move(dismissed_);
      Unload();  // this object may be gone after this line
      if (dismissed) dismissed();
      return 0;
    }
    case WM_DESTROY:
      lifetime_.WindowClosed();
      return 0;
    default:
      return win::Window::OnMessage(msg, wp, lp);
  }
}

void ProgressWindow::OnDestroyed() {
  std::function<void()> gone = std::move(gone_);
  if (gone) gone();  // may delete this object
}

}  // namespace kavro::run
