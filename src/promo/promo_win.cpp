#include "promo/promo_win.h"

#include <commctrl.h>

#include <memory>
#include <string>
#include <utility>

#include "base/links.h"
#include "base/resource.h"
#include "promo/browser_win.h"
#include "promo/docking.h"
#include "win/controls_win.h"
#include "win/handles_win.h"
#include "win/placement_win.h"
#include "win/window_win.h"

namespace kavro::promo {

namespace {

constexpr wchar_t kCaption[] = L"休息一下，马上回来！";
constexpr COLORREF kBackColour = RGB(197, 210, 240);
constexpr float kClientWidthTwips = 1965.0f;
constexpr float kClientHeightTwips = 9135.0f;
constexpr UINT_PTR kTimer1 = 1;  // edge docking, polls as fast as the system timer allows
constexpr UINT_PTR kTimer2 = 2;  // arms Timer1 after the start-up delay
constexpr UINT kPollMs = 1;

// Left, top, width, height in twips, relative to the client area.
struct TwipBox {
  float left, top, width, height;
};
// The browser overhangs the client area on every side; the window clips it.
constexpr TwipBox kWebBrowser1{-100, -200, 2400, 9690};
constexpr TwipBox kImage2{1680, 600, 435, 435};
constexpr TwipBox kImage1{1155, 600, 435, 435};
constexpr TwipBox kLabel1{0, 8760, 495, 420};
// Where no browser engine exists: a link to the page below the pictures.
constexpr TwipBox kNoBrowserText{90, 1260, 1785, 3000};

struct PromoDesign {
  const wchar_t* className;
  const wchar_t* page;
  void (*place)(HWND);
};
constexpr PromoDesign kAdfrm{L"adfrm", links::kGoodDownloadsPage, win::PlaceAtRightEdge};
constexpr PromoDesign kAd1frm{L"ad1frm", links::kBetterDownloadsPage, win::PlaceAtLeftEdge};

constexpr UINT kLoadPageMessage = WM_APP + 1;

int Id(PromoControl control) { return static_cast<int>(control); }

}  // namespace

// Pictures, brush and font shared by both windows.
struct PromoResources {
  win::WindowIcons icons = win::LoadWindowIcons(IDI_PROMO);
  win::UniqueBitmap close{LoadBitmapResource(IDB_PROMO_CLOSE)};
  win::UniqueBitmap minimise{LoadBitmapResource(IDB_PROMO_MINIMISE)};
  win::UniqueBrush back{CreateSolidBrush(kBackColour)};
  win::UniqueFont font = win::CreateMessageFont(win::ScreenDpi::Query());

  static HBITMAP LoadBitmapResource(int id) {
    return static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0));
  }
};

class PromoWindow : public win::Window {
 public:
  PromoWindow(PromoWindows& owner, const PromoDesign& design)
      : owner_(owner), design_(design), resources_(*owner.resources_) {}
  void Create();
  void OnLoad();

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnDestroyed() override {
    owner_.Closed(this);
    delete this;
  }

 private:
  void CreateControls();
  void ShowNoBrowserText();
  HWND CreateChild(DWORD style, const TwipBox& box, PromoControl id);
  RECT Pixels(const TwipBox& box) const;
  void LoadPage();
  void OnCommand(PromoControl id, int notification);
  void DrawPicture(const DRAWITEMSTRUCT& item) const;
  void DockTick();

  PromoWindows& owner_;
  const PromoDesign& design_;
  const PromoResources& resources_;
  win::ScreenDpi dpi_ = win::ScreenDpi::Query();
  HWND browser_ = nullptr;
  bool polling_ = false;
};

RECT PromoWindow::Pixels(const TwipBox& box) const {
  auto x = [&](float twips) { return dpi_.TwipsToPixelsX(twips); };
  auto y = [&](float twips) { return dpi_.TwipsToPixelsY(twips); };
  return {x(box.left), y(box.top), x(box.left) + x(box.width), y(box.top) + y(box.height)};
}

void PromoWindow::Create() {
  RECT size = Pixels({0, 0, kClientWidthTwips, kClientHeightTwips});
  win::WindowCreateArgs args;
  args.className = design_.className;
  args.title = kCaption;
  // No border or title bar, so the outer size is the client size; a tool window stays out of the
  // task bar and, unlike an owned window, outlives the main window.
  args.style = WS_POPUP | WS_CLIPCHILDREN;
  args.exStyle = WS_EX_TOOLWINDOW;
  args.x = 0;
  args.y = 0;
  args.width = size.right;
  args.height = size.bottom;
  args.icon = resources_.icons.big.Get();
  args.smallIcon = resources_.icons.small.Get();
  args.background = resources_.back.Get();
  CreateWindowFrom(args);
  win::SetWindowIcons(Hwnd(), resources_.icons);
  CreateControls();
}

HWND PromoWindow::CreateChild(DWORD style, const TwipBox& box, PromoControl id) {
  return win::CreateControl({.parent = Hwnd(),
                             .className = WC_STATICW,
                             .id = Id(id),
                             .left = box.left,
                             .top = box.top,
                             .width = box.width,
                             .height = box.height,
                             .style = WS_CLIPSIBLINGS | style},
                            dpi_);
}

void PromoWindow::CreateControls() {
  // The pictures and the label sit above the browser, so that they are seen and take clicks.
  for (auto [box, id] :
       {std::pair{kImage2, PromoControl::Image2}, {kImage1, PromoControl::Image1}}) {
    SetWindowPos(CreateChild(SS_OWNERDRAW | SS_NOTIFY, box, id), HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  SetWindowPos(CreateChild(SS_NOTIFY, kLabel1, PromoControl::Label1), HWND_TOP, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void PromoWindow::ShowNoBrowserText() {
  HWND text = CreateChild(SS_CENTER | SS_NOTIFY | SS_EDITCONTROL, kNoBrowserText,
                          PromoControl::NoBrowserText);
  SendMessageW(text, WM_SETFONT, reinterpret_cast<WPARAM>(resources_.font.Get()), FALSE);
  std::wstring caption = L"单击此处，在浏览器中打开下载页面：\r\n\r\n";
  SetWindowTextW(text, (caption + design_.page).c_str());
}

void PromoWindow::OnLoad() {
  design_.place(Hwnd());
  win::KeepOnTop(Hwnd());
  // The page loads once the program's windows are on the screen: asking for the browser engine
  // can take a noticeable moment, and the main window need not wait for it.
  PostMessageW(Hwnd(), kLoadPageMessage, 0, 0);
  SetTimer(Hwnd(), kTimer2, owner_.environment_.settings.dockingDelayMs, nullptr);
}

void PromoWindow::LoadPage() {
  const PromoSettings& settings = owner_.environment_.settings;
  if (settings.hostBrowserAnyway || (settings.askForBrowserEngine && BrowserEngineAvailable())) {
    browser_ = CreateBrowser(Hwnd(), Pixels(kWebBrowser1), Id(PromoControl::WebBrowser1),
                             owner_.environment_.shell);
  }
  if (browser_ && !NavigateBrowser(browser_, design_.page)) {
    // The control refused the page: show the link in its place instead.
    DestroyWindow(browser_);
    browser_ = nullptr;
  }
  if (browser_) {
    // Beneath the pictures and the label, so that they are seen and take clicks.
    SetWindowPos(browser_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  } else {
    ShowNoBrowserText();
  }
}

void PromoWindow::OnCommand(PromoControl id, int notification) {
  switch (id) {
    case PromoControl::Image1:
      if (notification == STN_CLICKED) {
        ShowWindow(Hwnd(), SW_MINIMIZE);
      }
      break;
    case PromoControl::Image2:
      if (notification == STN_CLICKED) {
        owner_.environment_.lifetime.EndNow();
      }
      break;
    case PromoControl::Label1:
      if (notification == STN_DBLCLK) {
        PostMessageW(Hwnd(), WM_CLOSE, 0, 0);  // closes this window only
      }
      break;
    case PromoControl::NoBrowserText:
      if (notification == STN_CLICKED) {
        owner_.environment_.shell.OpenLink(Hwnd(), design_.page);
      }
      break;
    default:
      break;
  }
}

// The 128 x 128 pictures are stretched to their controls.
void PromoWindow::DrawPicture(const DRAWITEMSTRUCT& item) const {
  HBITMAP picture = item.CtlID == static_cast<UINT>(Id(PromoControl::Image2))
                        ? resources_.close.Get()
                        : resources_.minimise.Get();
  BITMAP info{};
  if (!picture || !GetObjectW(picture, sizeof(info), &info)) {
    return;
  }
  HDC source = CreateCompatibleDC(item.hDC);
  HGDIOBJ old = SelectObject(source, picture);
  SetStretchBltMode(item.hDC, HALFTONE);
  SetBrushOrgEx(item.hDC, 0, 0, nullptr);
  const RECT& r = item.rcItem;
  StretchBlt(item.hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, source, 0, 0,
             info.bmWidth, info.bmHeight, SRCCOPY);
  SelectObject(source, old);
  DeleteDC(source);
}

// One docking tick: the decision is made afresh from the pointer and the window's place; the
// window moves only when its pixel position really changes.
void PromoWindow::DockTick() {
  POINT pointer{};
  RECT outer{};
  if (!GetCursorPos(&pointer) || !GetWindowRect(Hwnd(), &outer)) {
    return;
  }
  win::ScreenTwips twips = win::QueryScreen();
  ScreenPixels screen{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), twips.perPixelX,
                      twips.perPixelY};
  DockingInput in =
      DockingInputOf({pointer.x, pointer.y}, {outer.left, outer.top, outer.right, outer.bottom},
                     screen, IsIconic(Hwnd()) != FALSE);
  DockingStep step = DecideDocking(in);
  if (auto to = DockingMove(step, in, screen)) {
    SetWindowPos(Hwnd(), nullptr, to->x, to->y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (step.bringToFront) {
    // Shown and raised, but not activated: passing the pointer over it must not take the
    // keyboard away from the window the user types in.
    ShowWindow(Hwnd(), SW_SHOWNA);
    if (GetWindow(Hwnd(), GW_HWNDPREV)) {
      SetWindowPos(Hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
}

LRESULT PromoWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kLoadPageMessage:
      LoadPage();
      return 0;
    case WM_TIMER:
      if (wp == kTimer2 && !polling_) {
        polling_ = SetTimer(Hwnd(), kTimer1, kPollMs, nullptr) != 0;
      } else if (wp == kTimer1) {
        DockTick();
      }
      return 0;
    case WM_COMMAND:
      if (lp != 0) {
        OnCommand(static_cast<PromoControl>(LOWORD(wp)), HIWORD(wp));
      }
      return 0;
    case WM_DRAWITEM:
      DrawPicture(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
      return TRUE;
    case WM_CTLCOLORSTATIC:
      SetBkColor(reinterpret_cast<HDC>(wp), kBackColour);
      return reinterpret_cast<LRESULT>(resources_.back.Get());
    case WM_DESTROY:
      KillTimer(Hwnd(), kTimer1);
      KillTimer(Hwnd(), kTimer2);
      owner_.environment_.lifetime.WindowClosed();
      return 0;
    default:
      return win::Window::OnMessage(msg, wp, lp);
  }
}

PromoWindows::PromoWindows(PromoEnvironment environment) : environment_(environment) {}

PromoWindows::~PromoWindows() {
  for (PromoWindow* window : {adfrm_, ad1frm_}) {
    if (window) DestroyWindow(window->Hwnd());  // the window deletes itself
  }
}

void PromoWindows::Show() {
  if (!resources_) resources_ = std::make_unique<PromoResources>();
  for (auto [window, design] : {std::pair{&adfrm_, &kAdfrm}, {&ad1frm_, &kAd1frm}}) {
    if (!*window) {
      auto created = std::make_unique<PromoWindow>(*this, *design);
      created->Create();
      *window = created.release();  // from now on the window deletes itself when destroyed
      environment_.lifetime.WindowOpened();
      (*window)->OnLoad();
    }
    ShowWindow((*window)->Hwnd(), SW_SHOWNA);
  }
}

void PromoWindows::Closed(PromoWindow* window) {
  if (adfrm_ == window) adfrm_ = nullptr;
  if (ad1frm_ == window) ad1frm_ = nullptr;
}

}  // namespace kavro::promo
