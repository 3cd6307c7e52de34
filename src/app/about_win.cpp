#include "app/about_win.h"

#include "win/tool_tips_win.h"

#include <commctrl.h>

#include <stdexcept>

#include "app/links.h"
#include "app/message_loop_win.h"
#include "app/placement_win.h"
#include "app/resource.h"
#include "app/shell_win.h"
#include "base/placement.h"

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

// Enables the owner again when the modal showing ends, however it ends.
class OwnerDisabled {
 public:
  explicit OwnerDisabled(HWND owner) : owner_(owner && IsWindowEnabled(owner) ? owner : nullptr) {
    if (owner_) {
      EnableWindow(owner_, FALSE);
    }
  }
  ~OwnerDisabled() {
    if (owner_) {
      EnableWindow(owner_, TRUE);
    }
  }
  OwnerDisabled(const OwnerDisabled&) = delete;
  OwnerDisabled& operator=(const OwnerDisabled&) = delete;

 private:
  HWND owner_;
};

}  // namespace

// The window and its controls go before the fonts, brush and icon they use.
AboutWindow::~AboutWindow() {
  if (Hwnd()) {
    DestroyWindow(Hwnd());
  }
}

std::unique_ptr<AboutWindow> AboutWindow::Create(HWND owner) {
  std::unique_ptr<AboutWindow> window(new AboutWindow());
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
  int height = dpi_.FontHeight(font.points);
  bool chineseFace = font.face[0] > 0x7F;
  HFONT created =
      CreateFontW(height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, font.underline, FALSE,
                  chineseFace ? GB2312_CHARSET : DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font.face);
  fonts_.emplace(key, win::UniqueFont(created));
  return created;
}

void AboutWindow::CreateControls() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  headerIcon_.Reset(static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_KAVRO), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR)));
  for (const AboutDesign& design : AboutWindowDesign()) {
    HWND parent = design.container == AboutControl::None ? Hwnd() : Item(design.container);
    const bool isButton = design.kind == AboutKind::Button;
    HWND control = CreateWindowExW(
        0, isButton ? WC_BUTTONW : WC_STATICW, design.text, WS_CHILD | WS_VISIBLE | StyleOf(design),
        ToPixelsX(design.left), ToPixelsY(design.top), ToPixelsX(design.width),
        ToPixelsY(design.height), parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(AboutCommandId(design.id))), instance,
        nullptr);
    if (!control) {
      throw std::runtime_error("cannot create a control of the About window");
    }
    items_[static_cast<size_t>(design.id)] = control;
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(design.font)), FALSE);
    if (design.kind == AboutKind::Picture) {
      SetWindowSubclass(control, &HeaderBandProc, 0, 0);
    } else if (design.kind == AboutKind::Icon) {
      SendMessageW(control, STM_SETICON, reinterpret_cast<WPARAM>(headerIcon_.Get()), 0);
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

void AboutWindow::CenterForm() { CenterOnScreen(Hwnd()); }

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
      Shell().openLink(Hwnd(), design.link);  // the window stays open whatever the shell does
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

void ShowAboutModal(HWND owner) {
  std::unique_ptr<AboutWindow> about = AboutWindow::Create(owner);
  {
    OwnerDisabled disabled(owner);
    about->Show();
    MSG msg;
    while (about->Hwnd() && !about->CloseRequested()) {
      BOOL got = GetMessageW(&msg, nullptr, 0, 0);
      if (got == 0) {
        PostQuitMessage(
            static_cast<int>(msg.wParam));  // the program is ending: let its loop see it
        break;
      }
      if (got < 0) {
        break;
      }
      ProcessMessage(msg);
    }
  }
  // The owner is enabled again before the window goes, so that it becomes the active window.
  about.reset();
}

void MoreSoftware(HWND owner) {
  Shell().openLink(owner, links::kHomePage);
  ShowAboutModal(owner);
}

}  // namespace kavro
