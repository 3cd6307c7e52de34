#pragma once
// kavrofrm: the program's main window. It holds all of the user's working data in its controls:
// the drawing list (List2), the script template (Text1), the start page (Text2), the AutoCAD
// generation (Option1/Option2) and the CAD program (CAD). It hands each subsystem the narrow view
// of itself that it needs.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/main_layout.h"
#include "app/services_win.h"
#include "base/file_dialog.h"
#include "run/cad_programs.h"
#include "run/run_actions_win.h"
#include "win/controls_win.h"
#include "win/screen_units_win.h"
#include "win/window_win.h"

namespace kavro {

class MainWindow : public win::Window {
 public:
  // Creates the window and runs its load sequence (side windows, help path, placement); the
  // window is not yet visible. Throws when the window cannot be created.
  static std::unique_ptr<MainWindow> Create(Services& services);
  ~MainWindow() override;

  void Show();
  HWND Item(MainControl id) const;
  std::wstring ItemText(MainControl id) const;
  void SetItemText(MainControl id, const std::wstring& text);
  bool IsChecked(MainControl id) const;
  // The CAD program chosen in CAD: its class name; empty for 自动.
  std::wstring ChosenCad() const;
  // Chooses the program with that class name; 自动 when none has it.
  void SelectCad(const std::wstring& className);
  // Clicks a button of the window as the user would (BM_CLICK).
  void Click(MainControl id) const;

  FileDialogControl& CommonDialog1() { return commonDialog1_; }
  FileDialogControl& CommonDialog4() { return commonDialog4_; }
  run::Runs& Runs() { return *runs_; }

  int TwipsToPixelsX(float twips) const { return dpi_.TwipsToPixelsX(twips); }
  int TwipsToPixelsY(float twips) const { return dpi_.TwipsToPixelsY(twips); }

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  class RunView;
  explicit MainWindow(Services& services);
  void CreateControls();
  void CreateToolTips();
  void FillCadList();
  void OnLoad();
  void OnCommand(MainControl id, int notification);
  void OpenHelp();

  Services& services_;
  win::ScreenDpi dpi_;
  win::UniqueFont buttonFont_;
  win::UniqueFont textFont_;
  win::WindowIcons icons_;
  HWND toolTip_ = nullptr;
  std::wstring helpFilePath_;
  FileDialogControl commonDialog1_{32000};
  FileDialogControl commonDialog4_{260};
  std::unique_ptr<FileDialogBackend> dialogs_;
  std::unique_ptr<RunView> runView_;
  std::unique_ptr<run::Runs> runs_;
  std::vector<run::CadProgram> cadPrograms_;  // CAD's entries after 自动
};

}  // namespace kavro
