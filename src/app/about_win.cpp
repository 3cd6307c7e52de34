#include "app/about_win.h"

#include <commctrl.h>

#include "base/links.h"
#include "base/placement.h"
#include "base/resource.h"
#include "win/message_loop_win.h"
#include "win/placement_win.h"
#include "win/tool_tips_win.h"

namespace kavro {

namespace {

constexpr wchar_t kClassName[] = L"aboutfrm";

COLORREF ToColorRef(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

// The header band holds the icon and the header text: what they send or ask their parent goes on
// to the About window, so that one place answers clicks and colours.
LRESULT CALLBACK HeaderBandProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  switch (msg) {
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
      return SendMessageW(GetParent(hwnd), msg, wp, lp);
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, &HeaderBandProc, 0);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

DWORD StyleOf(const AboutDesign& design) {
  DWORD clickable = design.link || design.toolTip ? SS_NOTIFY : 0;
  switch (design.kind) {
    case AboutKind::Picture:
      return SS_LEFT | SS_NOTIFY | WS_CLIPCHILDREN;
    case AboutKind::Icon:
      return SS_ICON | SS_CENTERIMAGE | SS_NOTIFY;
    case AboutKind::Label:
      // Clipped at the label's edge rather than wrapped into a second line nobody sees.
      return SS_LEFTNOWORDWRAP | SS_NOPREFIX | clickable;
    case AboutKind::Button:
      return BS_DEFPUSHBUTTON | WS_TABSTOP;
  }
  return 0;
}

}  // namespace

// The window and its controls go before the fonts, brush and icon they use.
AboutWindow::~AboutWindow() {
  if (Hwnd()) {
    DestroyWindow(Hwnd());
  }
}

std::unique_ptr<AboutWindow> AboutWindow::Create(HWND owner, win::Shell& shell) {
  std::unique_ptr<AboutWindow> window(new AboutWindow(shell));
  window->dpi_ = win::ScreenDpi::Query();

  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS;
  const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT;
  RECT frame{0, 0, window->ToPixelsX(kAboutClientWidthTwips),
             window->ToPixelsY(kAboutClientHeightTwips)};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);

  win::WindowCreateArgs args;
  args.className = kClassName;
  args.title = AboutCaption();
  args.style = style;
  args.exStyle = exStyle;
  args.x = 0;
  args.y = 0;
  args.width = frame.right - frame.left;
  args.height = frame.bottom - frame.top;
  args.parent = owner;  // owned: stays above the main window, no taskbar button
  window->CreateWindowFrom(args);
  window->whiteBrush_.Reset(CreateSolidBrush(ToColorRef(kAboutWhite)));
  window->CreateControls();
  window->CreateToolTips();
  window->CenterForm();
  return window;
}

HFONT AboutWindow::FontFor(const AboutFont& font) {
  std::wstring key = std::wstring(font.face) + L"|" + std::to_wstring(font.points) +
                     (font.bold ? L"|b" : L"") + (font.underline ? L"|u" : L"");
  auto found = fonts_.find(key);
  if (found != fonts_.end()) {
    return found->second.Get();
  }
  // 8.25 pt is 11 pixels at 96 DPI, 9 pt 12, 6.75 pt 9.
  win::UniqueFont created =
      win::CreatePointFont(dpi_, font.face, font.points, font.bold, font.underline);
  HFONT handle = created.Get();
  fonts_.emplace(key, std::move(created));
  return handle;
}

void AboutWindow::CreateControls() {
  headerIcons_ = win::LoadWindowIcons(IDI_KAVRO);
  for (const AboutDesign& design : AboutWindowDesign()) {
    HWND control = win::CreateControl(
        {.parent = design.container == AboutControl::None ? Hwnd() : Item(design.container),
         .className = design.kind == AboutKind::Button ? WC_BUTTONW : WC_STATICW,
         .id = AboutCommandId(design.id),
         .left = static_cast<float>(design.left),
         .top = static_cast<float>(design.top),
         .width = static_cast<float>(design.width),
         .height = static_cast<float>(design.height),
         .text = design.text,
         .style = StyleOf(design),
         .font = FontFor(design.font)},
        dpi_);
    items_[static_cast<size_t>(design.id)] = control;
    if (design.kind == AboutKind::Picture) {
      SetWindowSubclass(control, &HeaderBandProc, 0, 0);
    } else if (design.kind == AboutKind::Icon) {
      SendMessageW(control, STM_SETICON, reinterpret_cast<WPARAM>(headerIcons_.big.Get()), 0);
      // STM_SETICON sizes the control to the icon; keep the designed rectangle.
      SetWindowPos(control, nullptr, ToPixelsX(design.left), ToPixelsY(design.top),
                   ToPixelsX(design.width), ToPixelsY(design.height),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
}

void AboutWindow::CreateToolTips() {
  toolTip_ = win::CreateToolTips(Hwnd());
  if (!toolTip_) {
    return;  // the window works without tool tips
  }
  for (const AboutDesign& design : AboutWindowDesign()) {
    if (design.toolTip) {
      win::AddControlTip(toolTip_, Hwnd(), Item(design.id), design.toolTip);
    }
  }
}

void AboutWindow::CenterForm() { win::CenterOnScreen(Hwnd()); }

void AboutWindow::Show() {
  ShowWindow(Hwnd(), SW_SHOWNORMAL);
  UpdateWindow(Hwnd());
  SetFocus(Item(AboutControl::Command1));
}

const AboutDesign* AboutWindow::DesignOfWindow(HWND control) const {
  for (const AboutDesign& design : AboutWindowDesign()) {
    if (Item(design.id) == control) {
      return &design;
    }
  }
  return nullptr;
}

LRESULT AboutWindow::ColourOf(HDC dc, HWND control) {
  const AboutDesign* design = DesignOfWindow(control);
  if (!design) {
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
  }
  const bool onWhite = design->kind != AboutKind::Label || design->container != AboutControl::None;
  SetTextColor(dc, design->kind == AboutKind::Label ? ToColorRef(design->color)
                                                    : GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, onWhite ? ToColorRef(kAboutWhite) : GetSysColor(COLOR_BTNFACE));
  return reinterpret_cast<LRESULT>(onWhite ? whiteBrush_.Get() : GetSysColorBrush(COLOR_BTNFACE));
}

void AboutWindow::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(Hwnd(), &ps);
  win::Unique<HPEN, win::DeleteGdiObject> pen(CreatePen(PS_SOLID, 1, ToColorRef(kAboutGrey)));
  HGDIOBJ old = SelectObject(dc, pen.Get());
  int y = ToPixelsY(kAboutBorderY);
  MoveToEx(dc, 0, y, nullptr);
  LineTo(dc, ToPixelsX(kAboutBorderRight) + 1, y);
  SelectObject(dc, old);
  EndPaint(Hwnd(), &ps);
}

void AboutWindow::OnCommand(int id, int notification) {
  if (id == IDOK || id == IDCANCEL ||
      (id == AboutCommandId(AboutControl::Command1) && notification == BN_CLICKED)) {
    closeRequested_ = true;
    return;
  }
  if (notification != STN_CLICKED) {
    return;
  }
  for (const AboutDesign& design : AboutWindowDesign()) {
    if (AboutCommandId(design.id) == id && design.link && design.kind != AboutKind::Button) {
      shell_.OpenLink(Hwnd(), design.link);  // the window stays open whatever the shell does
      return;
    }
  }
}

LRESULT AboutWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      OnCommand(LOWORD(wp), HIWORD(wp));
      return 0;
    case WM_CTLCOLORSTATIC:
      return ColourOf(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_SETCURSOR: {
      const AboutDesign* design = DesignOfWindow(reinterpret_cast<HWND>(wp));
      if (design && design->handCursor && LOWORD(lp) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      return win::Window::OnMessage(msg, wp, lp);
    }
    case WM_PAINT:
      Paint();
      return 0;
    case WM_CLOSE:
      closeRequested_ = true;  // the modal showing ends and destroys the window
      return 0;
    default:
      return win::Window::OnMessage(msg, wp, lp);
  }
}

void ShowAboutModal(HWND owner, win::Shell& shell) {
  std::unique_ptr<AboutWindow> about = AboutWindow::Create(owner, shell);
  {
    win::ModalScope modal(owner);
    about->Show();
    MSG msg;
    while (about->Hwnd() && !about->CloseRequested()) {
      BOOL got = GetMessageW(&msg, nullptr, 0, 0);
      if (got == 0) {
        modal.QuitSeen(static_cast<int>(msg.wParam));  // the program is ending: its loop sees it
        break;
      }
      if (got < 0) {
        break;
      }
      win::ProcessMessage(msg);
    }
  }
  // The owner is enabled again before the window goes, so that it becomes the active window.
  about.reset();
}

void MoreSoftware(HWND owner, win::Shell& shell) {
  shell.OpenLink(owner, links::kHomePage);
  ShowAboutModal(owner, shell);
}

}  // namespace kavro
