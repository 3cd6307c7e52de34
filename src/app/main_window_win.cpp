#include "app/main_window_win.h"

#include <commctrl.h>

#include <stdexcept>

#include "app/about_win.h"
#include "app/common_dialogs_win.h"
#include "app/lifetime_win.h"
#include "app/placement_win.h"
#include "app/resource.h"
#include "app/shell_win.h"
#include "base/placement.h"
#include "base/program_folder.h"
#include "drawings/drawings_actions_win.h"
#include "promo/promo_win.h"
#include "run/run_actions_win.h"
#include "script/template_actions_win.h"
#include "win/group_boxes_win.h"
#include "win/tool_tips_win.h"

namespace kavro {

namespace {

constexpr wchar_t kClassName[] = L"kavrofrm";

struct KindStyle {
  const wchar_t* className;
  DWORD style;
  DWORD exStyle;
};

KindStyle StyleOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::Button:
      return {WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP, 0};
    case ControlKind::Frame:
      return {WC_BUTTONW, BS_GROUPBOX, 0};
    case ControlKind::ListBox:
      return {WC_LISTBOXW,
              LBS_SORT | LBS_EXTENDEDSEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS |
                  WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
              WS_EX_CLIENTEDGE};
    case ControlKind::MultiLineText:
      return {WC_EDITW, ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP,
              WS_EX_CLIENTEDGE};
    case ControlKind::Text:
      return {WC_EDITW, ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::Label:
      return {WC_STATICW, SS_LEFT, 0};
    case ControlKind::OptionButton:
      return {WC_BUTTONW, BS_AUTORADIOBUTTON | WS_TABSTOP, 0};
  }
  throw std::logic_error("unknown control kind");
}

// The message font of the system: what frames, labels and text boxes use.
HFONT CreateMessageFont(int dpiY) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    return CreateFontIndirectW(&metrics.lfMessageFont);
  }
  return CreateFontW(-MulDiv(9, dpiY, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                     L"MS Shell Dlg");
}

}  // namespace

std::wstring ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  return FolderOfPath(path);
}

MainWindow::MainWindow() = default;
MainWindow::~MainWindow() {
  // The controls use the fonts below: the window goes first.
  if (Hwnd()) {
    DestroyWindow(Hwnd());
  }
}

std::unique_ptr<MainWindow> MainWindow::Create() {
  std::unique_ptr<MainWindow> window(new MainWindow());
  window->dpi_ = win::ScreenDpi::Query();

  HINSTANCE instance = GetModuleHandleW(nullptr);
  window->icon_.Reset(static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_KAVRO), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR)));
  window->smallIcon_.Reset(static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_KAVRO), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR)));

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS;
  RECT frame{0, 0, window->TwipsToPixelsX(kMainClientWidthTwips),
             window->TwipsToPixelsY(kMainClientHeightTwips)};
  AdjustWindowRectEx(&frame, style, FALSE, 0);

  win::WindowCreateArgs args;
  args.className = kClassName;
  args.title = kMainCaption;
  args.style = style;
  args.width = frame.right - frame.left;
  args.height = frame.bottom - frame.top;
  args.x = 0;
  args.y = 0;
  args.icon = window->icon_.Get();
  args.smallIcon = window->smallIcon_.Get();
  window->CreateWindowFrom(args);
  SendMessageW(window->Hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(window->icon_.Get()));
  SendMessageW(window->Hwnd(), WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(window->smallIcon_.Get()));
  TopLevelWindowOpened();

  window->CreateControls();
  win::PutGroupBoxesBeneathTheirControls(window->Hwnd());
  window->CreateToolTips();
  window->OnLoad();
  return window;
}

void MainWindow::CreateControls() {
  buttonFont_.Reset(CreateFontW(dpi_.FontHeight(9), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"宋体"));
  textFont_.Reset(CreateMessageFont(dpi_.y));
  HINSTANCE instance = GetModuleHandleW(nullptr);
  for (const ControlDesign& design : MainWindowDesign()) {
    int left = design.left;
    int top = design.top;
    if (design.container != MainControl::None) {
      const ControlDesign& container = DesignOf(design.container);
      left += container.left;
      top += container.top;
    }
    KindStyle kind = StyleOf(design.kind);
    HWND control = CreateWindowExW(
        kind.exStyle, kind.className, design.text, WS_CHILD | WS_VISIBLE | kind.style,
        TwipsToPixelsX(left), TwipsToPixelsY(top), TwipsToPixelsX(design.width),
        TwipsToPixelsY(design.height), Hwnd(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlCommandId(design.id))), instance,
        nullptr);
    if (!control) {
      throw std::runtime_error("cannot create a control of the main window");
    }
    HFONT font = design.kind == ControlKind::Button ? buttonFont_.Get() : textFont_.Get();
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  SendMessageW(Item(MainControl::Option2), BM_SETCHECK, BST_CHECKED, 0);
}

void MainWindow::CreateToolTips() {
  toolTip_ = win::CreateToolTips(Hwnd());
  if (!toolTip_) {
    return;  // the window works without tool tips
  }
  for (const ControlDesign& design : MainWindowDesign()) {
    if (!design.toolTip) {
      continue;
    }
    if (design.kind == ControlKind::Frame) {
      // A group box lets the mouse through to its parent: the tip covers its rectangle there.
      win::AddAreaTip(toolTip_, Hwnd(), Item(design.id),
                      static_cast<UINT_PTR>(ControlCommandId(design.id)), design.toolTip);
    } else {
      win::AddControlTip(toolTip_, Hwnd(), Item(design.id), design.toolTip);
    }
  }
}

void MainWindow::OnLoad() {
  promo::ShowPromoWindows();
  helpFilePath_ = JoinFolder(ProgramFolder(), kHelpFileName);
  dialogs_ = MakeCommonDialogs(Hwnd());
  drawings::AcceptDrops(*this);
  CenterOnScreen(Hwnd());
}

void MainWindow::Show() {
  ShowWindow(Hwnd(), SW_SHOWNORMAL);
  UpdateWindow(Hwnd());
  SetFocus(Item(MainControl::xpcmdbutton7));
}

HWND MainWindow::Item(MainControl id) const { return GetDlgItem(Hwnd(), ControlCommandId(id)); }

std::wstring MainWindow::ItemText(MainControl id) const {
  HWND item = Item(id);
  int len = GetWindowTextLengthW(item);
  std::wstring text(static_cast<size_t>(len) + 1, L'\0');
  int got = GetWindowTextW(item, text.data(), len + 1);
  text.resize(static_cast<size_t>(got));
  return text;
}

void MainWindow::SetItemText(MainControl id, const std::wstring& text) {
  SetWindowTextW(Item(id), text.c_str());
}

bool MainWindow::IsChecked(MainControl id) const {
  return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void MainWindow::OnCommand(MainControl id, int notification) {
  if (id == MainControl::List2) {
    if (notification == LBN_DBLCLK) {
      drawings::DeleteSelected(*this);
    }
    return;
  }
  if (notification != BN_CLICKED) {
    return;
  }
  switch (id) {
    case MainControl::xpcmdbutton6: drawings::AddFiles(*this); break;
    case MainControl::xpcmdbutton9: drawings::DeleteSelected(*this); break;
    case MainControl::xpcmdbutton8: drawings::DeleteAll(*this); break;
    case MainControl::xpcmdbutton10: drawings::SaveList(*this); break;
    case MainControl::xpcmdbutton11: drawings::LoadList(*this); break;
    case MainControl::xpcmdbutton1: script::SaveTemplate(*this); break;
    case MainControl::xpcmdbutton5: script::LoadTemplate(*this); break;
    case MainControl::Command9: run::ModifyRun(*this); break;
    case MainControl::xpcmdbutton7: run::PreviewRun(*this); break;
    case MainControl::xpcmdbutton4: Shell().openHelp(Hwnd(), JoinFolder(ProgramFolder(), kHelpFileName)); break;
    case MainControl::xpcmdbutton2: MoreSoftware(Hwnd()); break;
    case MainControl::xpcmdbutton3: EndProgramNow();
    default: break;
  }
}

LRESULT MainWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND: {
      int id = LOWORD(wp) - ControlCommandId(MainControl::xpcmdbutton7);
      if (lp != 0 && id >= 0 && id < static_cast<int>(MainControl::None)) {
        OnCommand(static_cast<MainControl>(id), HIWORD(wp));
      }
      return 0;
    }
    case WM_HELP:
      // F1 anywhere in the window opens the help file registered at load.
      Shell().openHelp(Hwnd(), helpFilePath_);
      return TRUE;
    case WM_DESTROY:
      TopLevelWindowClosed();
      return 0;
    default:
      return win::Window::OnMessage(msg, wp, lp);
  }
}

void MainWindow::OnDestroyed() {}

}  // namespace kavro
