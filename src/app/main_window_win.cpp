#include "app/main_window_win.h"

#include <commctrl.h>

#include <stdexcept>

#include "app/about_win.h"
#include "base/program_folder.h"
#include "base/resource.h"
#include "base/titles.h"
#include "drawings/drawings_actions_win.h"
#include "drawings/list_box_win.h"
#include "script/template_actions_win.h"
#include "win/placement_win.h"
#include "win/program_folder_win.h"
#include "record/record_files_win.h"
#include "run/cad_programs_win.h"
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
    case ControlKind::DropDownList:
      // WS_GROUP: the arrow keys stay between the option buttons before it.
      return {WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP, 0};
  }
  throw std::logic_error("unknown control kind");
}

}  // namespace

// The runs' view of the window: their inputs, the list they empty, and where they report.
class MainWindow::RunView final : public run::MainView {
 public:
  explicit RunView(MainWindow& window) : window_(window) {}
  size_t DrawingCount() override { return List().Count(); }
  std::wstring Drawing(size_t index) override { return List().At(index); }
  void RemoveFirstDrawings(size_t count) override { List().RemoveFirst(count); }
  void SetStartPage(const std::wstring& text) override {
    window_.SetItemText(MainControl::Text2, text);
  }
  std::wstring ScriptTemplate() override { return window_.ItemText(MainControl::Text1); }
  std::wstring StartPage() override { return window_.ItemText(MainControl::Text2); }
  bool TargetsR2000() override { return window_.IsChecked(MainControl::Option2); }
  std::wstring ChosenCad() override { return window_.ChosenCad(); }
  void Hide() override { ShowWindow(window_.Hwnd(), SW_HIDE); }
  void Show() override {
    EnableWindow(window_.Hwnd(), TRUE);
    window_.Show();
  }
  void ShowMessage(const std::wstring& text, run::MessageKind kind) override {
    UINT flags = kind == run::MessageKind::Notice    ? MB_OK
                 : kind == run::MessageKind::Warning ? MB_OK | MB_ICONWARNING
                                                     : MB_OK | MB_ICONERROR;
    const wchar_t* title = kind == run::MessageKind::Refusal ? L"错误" : kProgramTitle;
    window_.services_.Messages().Show(window_.Hwnd(), text, title, flags);
  }

 private:
  drawings::DrawingListBox List() {
    return drawings::DrawingListBox(window_.Item(MainControl::List2));
  }
  MainWindow& window_;
};

MainWindow::MainWindow(Services& services) : services_(services) {}

MainWindow::~MainWindow() {
  runs_.reset();  // Form3 first
  // The controls use the fonts below: the window goes first.
  if (Hwnd()) {
    DestroyWindow(Hwnd());
  }
}

std::unique_ptr<MainWindow> MainWindow::Create(Services& services) {
  std::unique_ptr<MainWindow> window(new MainWindow(services));
  window->dpi_ = win::ScreenDpi::Query();
  window->icons_ = win::LoadWindowIcons(IDI_KAVRO);

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
  args.icon = window->icons_.big.Get();
  args.smallIcon = window->icons_.small.Get();
  window->CreateWindowFrom(args);
  win::SetWindowIcons(window->Hwnd(), window->icons_);
  services.lifetime.WindowOpened();

  window->CreateControls();
  win::PutGroupBoxesBeneathTheirControls(window->Hwnd());
  window->CreateToolTips();
  window->OnLoad();
  return window;
}

void MainWindow::CreateControls() {
  buttonFont_ = win::CreateSongTiFont(dpi_);
  textFont_ = win::CreateMessageFont(dpi_);
  for (const ControlDesign& design : MainWindowDesign()) {
    float left = static_cast<float>(design.left);
    float top = static_cast<float>(design.top);
    if (design.container != MainControl::None) {
      const ControlDesign& container = DesignOf(design.container);
      left += static_cast<float>(container.left);
      top += static_cast<float>(container.top);
    }
    KindStyle kind = StyleOf(design.kind);
    // A drop-down list's window also holds its open list: room for eight entries.
    float height =
        static_cast<float>(design.height) * (design.kind == ControlKind::DropDownList ? 9 : 1);
    win::CreateControl(
        {.parent = Hwnd(),
         .className = kind.className,
         .id = ControlCommandId(design.id),
         .left = left,
         .top = top,
         .width = static_cast<float>(design.width),
         .height = height,
         .text = design.text,
         .style = kind.style,
         .exStyle = kind.exStyle,
         .font = design.kind == ControlKind::Button ? buttonFont_.Get() : textFont_.Get()},
        dpi_);
  }
  SendMessageW(Item(MainControl::Option2), BM_SETCHECK, BST_CHECKED, 0);
  FillCadList();
}

void MainWindow::FillCadList() {
  HWND list = Item(MainControl::CAD);
  cadPrograms_ = run::FindCadProgramsOnMachine();
  SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kAutomaticCad));
  for (const run::CadProgram& program : cadPrograms_) {
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(program.displayName.c_str()));
  }
  SendMessageW(list, CB_SETCURSEL, 0, 0);
}

std::wstring MainWindow::ChosenCad() const {
  LRESULT at = SendMessageW(Item(MainControl::CAD), CB_GETCURSEL, 0, 0);
  if (at <= 0 || static_cast<size_t>(at) > cadPrograms_.size()) return {};
  return cadPrograms_[static_cast<size_t>(at) - 1].classNames.front();
}

void MainWindow::SelectCad(const std::wstring& className) {
  size_t at = 0;
  for (size_t i = 0; i < cadPrograms_.size() && !className.empty(); ++i) {
    for (const std::wstring& name : cadPrograms_[i].classNames) {
      if (_wcsicmp(name.c_str(), className.c_str()) == 0) at = i + 1;
    }
  }
  SendMessageW(Item(MainControl::CAD), CB_SETCURSEL, at, 0);
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
  services_.promo.Show();
  helpFilePath_ = JoinFolder(win::ProgramFolder(), kHelpFileName);
  dialogs_ = services_.MakeDialogs(Hwnd());
  runView_ = std::make_unique<RunView>(*this);
  runs_ = std::make_unique<run::Runs>(
      run::RunEnvironment{services_.cad, services_.runLimits, services_.lifetime,
                          services_.ProgramFolder(), services_.TimeOfDay(), services_.Messages(),
                          [this](run::RunKind kind) {
                            return run::MakeRunRecord(kind, services_.DataFolder(),
                                                      services_.TimeOfDay());
                          }},
      *runView_, Hwnd());
  drawings::AcceptDrops({Hwnd(), Item(MainControl::List2), commonDialog1_, commonDialog4_,
                         *dialogs_, services_.Messages()});
  win::CenterOnScreen(Hwnd());
}

void MainWindow::Show() {
  ShowWindow(Hwnd(), SW_SHOWNORMAL);
  UpdateWindow(Hwnd());
  SetFocus(Item(MainControl::xpcmdbutton7));
}

HWND MainWindow::Item(MainControl id) const { return GetDlgItem(Hwnd(), ControlCommandId(id)); }

std::wstring MainWindow::ItemText(MainControl id) const { return win::WindowText(Item(id)); }

void MainWindow::SetItemText(MainControl id, const std::wstring& text) {
  SetWindowTextW(Item(id), text.c_str());
}

bool MainWindow::IsChecked(MainControl id) const {
  return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void MainWindow::Click(MainControl id) const { SendMessageW(Item(id), BM_CLICK, 0, 0); }

void MainWindow::OpenHelp() { services_.Shell().OpenHelp(Hwnd(), helpFilePath_); }

void MainWindow::OnCommand(MainControl id, int notification) {
  const drawings::DrawingsView list{Hwnd(),         Item(MainControl::List2),
                                    commonDialog1_, commonDialog4_,
                                    *dialogs_,      services_.Messages()};
  const script::TemplateView scriptTemplate{Hwnd(), Item(MainControl::Text1), commonDialog1_,
                                            *dialogs_, services_.Messages()};
  if (id == MainControl::List2) {
    if (notification == LBN_DBLCLK) {
      drawings::DeleteSelected(list);
    }
    return;
  }
  if (notification != BN_CLICKED) {
    return;
  }
  switch (id) {
    case MainControl::xpcmdbutton6:
      drawings::AddFiles(list);
      break;
    case MainControl::xpcmdbutton9:
      drawings::DeleteSelected(list);
      break;
    case MainControl::xpcmdbutton8:
      drawings::DeleteAll(list);
      break;
    case MainControl::xpcmdbutton10:
      drawings::SaveList(list);
      break;
    case MainControl::xpcmdbutton11:
      drawings::LoadList(list);
      break;
    case MainControl::xpcmdbutton1:
      script::SaveTemplate(scriptTemplate);
      break;
    case MainControl::xpcmdbutton5:
      script::LoadTemplate(scriptTemplate);
      break;
    case MainControl::Command9:
      runs_->Modify();
      break;
    case MainControl::xpcmdbutton7:
      runs_->Preview();
      break;
    case MainControl::xpcmdbutton4:
      OpenHelp();
      break;
    case MainControl::xpcmdbutton2:
      MoreSoftware(Hwnd(), services_.Shell());
      break;
    case MainControl::xpcmdbutton3:
      services_.lifetime.EndNow();
      break;
    default:
      break;
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
      OpenHelp();
      return TRUE;
    case WM_DESTROY:
      services_.lifetime.WindowClosed();
      return 0;
    default:
      return win::Window::OnMessage(msg, wp, lp);
  }
}

}  // namespace kavro
