#include "promo/promo_win.h"

#include <memory>
#include <string>
#include <utility>
#include <stdexcept>

#include "app/lifetime_win.h"
#include "app/links.h"
#include "app/placement_win.h"
#include "app/resource.h"
#include "app/shell_win.h"
#include "promo/browser_win.h"
#include "promo/docking.h"
#include "win/handles_win.h"
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
constexpr PromoDesign kAdfrm{L"adfrm", links::kGoodDownloadsPage, PlaceAtRightEdge};
constexpr PromoDesign kAd1frm{L"ad1frm", links::kBetterDownloadsPage, PlaceAtLeftEdge};

// Pictures, brush and font shared by both windows for the life of the program.
struct Shared {
  HICON icon = nullptr;
  HICON smallIcon = nullptr;
  HBITMAP close = nullptr;
  HBITMAP minimise = nullptr;
  HBRUSH back = nullptr;
  HFONT font = nullptr;
};

const Shared& SharedResources() {
  static const Shared shared = [] {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    Shared s;
    s.icon = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_PROMO), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
    s.smallIcon = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_PROMO), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    s.close = static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDB_PROMO_CLOSE), IMAGE_BITMAP, 0, 0, 0));
    s.minimise = static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDB_PROMO_MINIMISE), IMAGE_BITMAP, 0, 0, 0));
    s.back = CreateSolidBrush(kBackColour);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
      s.font = CreateFontIndirectW(&metrics.lfMessageFont);
    }
    return s;
  }();
  return shared;
}

constexpr UINT kLoadPageMessage = WM_APP + 1;

int Id(PromoControl control) { return static_cast<int>(control); }

class PromoWindow : public win::Window {
 public:
  // Loads the window on first use, then shows it without taking the focus.
  static void Show(const PromoDesign& design) {
    PromoWindow*& window = Instance(design);
    if (!window) {
      auto created = std::unique_ptr<PromoWindow>(new PromoWindow(design));
      created->Create();
      window = created.release();  // from now on the window deletes itself when destroyed
      TopLevelWindowOpened();
      window->OnLoad();
    }
    ShowWindow(window->Hwnd(), SW_SHOWNA);
  }

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnDestroyed() override {
    Instance(design_) = nullptr;
    delete this;
  }

 private:
  explicit PromoWindow(const PromoDesign& design) : design_(design) {}
  // The open window of a design, or null. Open windows are not destroyed at program exit: the
  // system takes them down with the process.
  static PromoWindow*& Instance(const PromoDesign& design) {
    static PromoWindow* adfrm = nullptr;
    static PromoWindow* ad1frm = nullptr;
    return &design == &kAdfrm ? adfrm : ad1frm;
  }
  void Create();
  void CreateControls();
  void ShowNoBrowserText();
  HWND CreateChild(const wchar_t* className, DWORD style, const TwipBox& box, PromoControl id);
  RECT Pixels(const TwipBox& box) const;
  void OnLoad();
  void LoadPage();
  void OnCommand(PromoControl id, int notification);
  void DrawPicture(const DRAWITEMSTRUCT& item) const;
  void DockTick();

  const PromoDesign& design_;
  ScreenTwips screen_ = QueryScreen();
  HWND browser_ = nullptr;
  bool polling_ = false;
};

RECT PromoWindow::Pixels(const TwipBox& box) const {
  auto x = [&](float twips) { return static_cast<int>(RoundHalfEven(twips / screen_.perPixelX)); };
  auto y = [&](float twips) { return static_cast<int>(RoundHalfEven(twips / screen_.perPixelY)); };
  return {x(box.left), y(box.top), x(box.left) + x(box.width), y(box.top) + y(box.height)};
}

void PromoWindow::Create() {
  const Shared& shared = SharedResources();
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
  args.icon = shared.icon;
  args.smallIcon = shared.smallIcon;
  args.background = shared.back;
  CreateWindowFrom(args);
  SendMessageW(Hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(shared.icon));
  SendMessageW(Hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(shared.smallIcon));
  CreateControls();
}

HWND PromoWindow::CreateChild(const wchar_t* className, DWORD style, const TwipBox& box,
                              PromoControl id) {
  RECT r = Pixels(box);
  HWND child = CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style,
                               r.left, r.top, r.right - r.left, r.bottom - r.top, Hwnd(),
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id(id))),
                               GetModuleHandleW(nullptr), nullptr);
  if (!child) {
    throw std::runtime_error("cannot create a control of a side window");
  }
  return child;
}

void PromoWindow::CreateControls() {
  // The pictures and the label sit above the browser, so that they are seen and take clicks.
  for (auto [box, id] :
       {std::pair{kImage2, PromoControl::Image2}, {kImage1, PromoControl::Image1}}) {
    SetWindowPos(CreateChild(L"Static", SS_OWNERDRAW | SS_NOTIFY, box, id), HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  SetWindowPos(CreateChild(L"Static", SS_NOTIFY, kLabel1, PromoControl::Label1), HWND_TOP, 0, 0, 0,
               0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void PromoWindow::ShowNoBrowserText() {
  HWND text = CreateChild(L"Static", SS_CENTER | SS_NOTIFY | SS_EDITCONTROL, kNoBrowserText,
                          PromoControl::NoBrowserText);
  SendMessageW(text, WM_SETFONT, reinterpret_cast<WPARAM>(SharedResources().font), FALSE);
  std::wstring caption = L"单击此处，在浏览器中打开下载页面：\r\n\r\n";
  SetWindowTextW(text, (caption + design_.page).c_str());
}

void PromoWindow::OnLoad() {
  design_.place(Hwnd());
  KeepOnTop(Hwnd());
  // The page loads once the program's windows are on the screen: asking for the browser engine
  // can take a noticeable moment, and the main window need not wait for it.
  PostMessageW(Hwnd(), kLoadPageMessage, 0, 0);
  SetTimer(Hwnd(), kTimer2, Settings().dockingDelayMs, nullptr);
}

void PromoWindow::LoadPage() {
  if (Settings().hostBrowserAnyway || BrowserEngineAvailable()) {
    browser_ = CreateBrowser(Hwnd(), Pixels(kWebBrowser1), Id(PromoControl::WebBrowser1));
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
        EndProgramNow();
      }
      break;
    case PromoControl::Label1:
      if (notification == STN_DBLCLK) {
        PostMessageW(Hwnd(), WM_CLOSE, 0, 0);  // closes this window only
      }
      break;
    case PromoControl::NoBrowserText:
      if (notification == STN_CLICKED) {
        Shell().openLink(Hwnd(), design_.page);
      }
      break;
    default:
      break;
  }
}

// The 128 x 128 pictures are stretched to their controls.
void PromoWindow::DrawPicture(const DRAWITEMSTRUCT& item) const {
  const Shared& shared = SharedResources();
  HBITMAP picture =
      item.CtlID == static_cast<UINT>(Id(PromoControl::Image2)) ? shared.close : shared.minimise;
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
  DockingInput in;
  POINT pointer{};
  RECT outer{};
  if (!GetCursorPos(&pointer) || !GetWindowRect(Hwnd(), &outer)) {
    return;
  }
  const float perX = screen_.perPixelX;
  const float perY = screen_.perPixelY;
  in.pointer = {pointer.x, pointer.y};
  in.outer = {outer.left, outer.top, outer.right, outer.bottom};
  in.window = {static_cast<float>(outer.left) * perX, static_cast<float>(outer.top) * perY,
               static_cast<float>(outer.right - outer.left) * perX,
               static_cast<float>(outer.bottom - outer.top) * perY};
  in.screen = {static_cast<float>(GetSystemMetrics(SM_CXSCREEN)) * perX,
               static_cast<float>(GetSystemMetrics(SM_CYSCREEN)) * perY};
  in.minimised = IsIconic(Hwnd()) != FALSE;

  DockingStep step = DecideDocking(in);
  if (step.left || step.top) {
    TwipPoint place{step.left.value_or(in.window.left), step.top.value_or(in.window.top)};
    if (RoundHalfEven(place.left / perX) != outer.left ||
        RoundHalfEven(place.top / perY) != outer.top) {
      MoveWindowTo(Hwnd(), place, screen_);
    }
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
      return reinterpret_cast<LRESULT>(SharedResources().back);
    case WM_DESTROY:
      KillTimer(Hwnd(), kTimer1);
      KillTimer(Hwnd(), kTimer2);
      TopLevelWindowClosed();
      return 0;
    default:
      return win::Window::OnMessage(msg, wp, lp);
  }
}

}  // namespace

PromoSettings& Settings() {
  static PromoSettings settings;
  return settings;
}

void ShowPromoWindows() {
  PromoWindow::Show(kAdfrm);
  PromoWindow::Show(kAd1frm);
}

}  // namespace kavro::promo
