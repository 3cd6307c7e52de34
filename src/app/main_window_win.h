#pragma once
// kavrofrm: the program's main window. It holds all of the user's working data in its controls:
// the drawing list (List2), the script template (Text1), the start page (Text2) and the AutoCAD
// generation (Option1/Option2).
#include <windows.h>

#include <memory>
#include <string>

#include "base/file_dialog.h"
#include "app/main_layout.h"
#include "win/handles_win.h"
#include "win/screen_units_win.h"
#include "win/window_win.h"

namespace kavro {

class MainWindow : public win::Window {
 public:
  // Creates the window and runs its load sequence (side windows, help path, placement); the
  // window is not yet visible. Throws when the window cannot be created.
  static std::unique_ptr<MainWindow> Create();
  ~MainWindow() override;

  void Show();
  HWND Item(MainControl id) const;
  std::wstring ItemText(MainControl id) const;
  void SetItemText(MainControl id, const std::wstring& text);
  bool IsChecked(MainControl id) const;
  const std::wstring& HelpFilePath() const { return helpFilePath_; }

  FileDialogControl& CommonDialog1() { return commonDialog1_; }
  FileDialogControl& CommonDialog4() { return commonDialog4_; }
  FileDialogBackend& Dialogs() { return *dialogs_; }
  // Tests put a scripted backend here.
  void SetDialogBackend(std::unique_ptr<FileDialogBackend> backend) { dialogs_ = std::move(backend); }

  // Screen pixels of a twip length at the screen's DPI.
  int TwipsToPixelsX(float twips) const { return dpi_.TwipsToPixelsX(twips); }
  int TwipsToPixelsY(float twips) const { return dpi_.TwipsToPixelsY(twips); }

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnDestroyed() override;

 private:
  MainWindow();
  void CreateControls();
  void CreateToolTips();
  void OnLoad();
  void OnCommand(MainControl id, int notification);

  win::ScreenDpi dpi_;
  win::UniqueFont buttonFont_;
  win::UniqueFont textFont_;
  win::UniqueIcon icon_;
  win::UniqueIcon smallIcon_;
  HWND toolTip_ = nullptr;
  std::wstring helpFilePath_;
  FileDialogControl commonDialog1_{32000};
  FileDialogControl commonDialog4_{260};
  std::unique_ptr<FileDialogBackend> dialogs_;
};

// The folder of this program's executable, e.g. "C:\Tools\Draw" or "D:\".
std::wstring ProgramFolder();

}  // namespace kavro
