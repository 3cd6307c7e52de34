#pragma once
// aboutfrm: the small window that names the program's author and offers the author's links. It is
// opened only modally, by the main window's More-software button, and closed by its OK button.
#include <windows.h>

#include <array>
#include <map>
#include <memory>

#include "app/about_layout.h"
#include "win/handles_win.h"
#include "win/controls_win.h"
#include "win/screen_units_win.h"
#include "win/shell_win.h"
#include "win/window_win.h"

namespace kavro {

class AboutWindow : public win::Window {
 public:
  // Creates the window owned by `owner` and places it (CenterForm); it is not yet visible. Its
  // links go to `shell`. Throws when the window cannot be created.
  static std::unique_ptr<AboutWindow> Create(HWND owner, win::Shell& shell);
  ~AboutWindow() override;

  void Show();
  HWND Item(AboutControl id) const { return items_[static_cast<size_t>(id)]; }
  // True once OK, Escape or the close box asked the window to go.
  bool CloseRequested() const { return closeRequested_; }
  // Centred across the screen, one third of the free height above: done at every opening.
  void CenterForm();

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  explicit AboutWindow(win::Shell& shell) : shell_(shell) {}
  void CreateControls();
  void CreateToolTips();
  HFONT FontFor(const AboutFont& font);
  int ToPixelsX(int twips) const { return dpi_.TwipsToPixelsX(twips); }
  int ToPixelsY(int twips) const { return dpi_.TwipsToPixelsY(twips); }
  const AboutDesign* DesignOfWindow(HWND control) const;
  LRESULT ColourOf(HDC dc, HWND control);
  void Paint();
  void OnCommand(int id, int notification);

  win::Shell& shell_;
  win::ScreenDpi dpi_;
  std::array<HWND, static_cast<size_t>(AboutControl::None)> items_{};
  std::map<std::wstring, win::UniqueFont> fonts_;
  win::UniqueBrush whiteBrush_;
  win::WindowIcons headerIcons_;
  HWND toolTip_ = nullptr;
  bool closeRequested_ = false;
};

// Shows the About window over `owner` and returns when it has closed; the owner takes no input
// meanwhile. Every call creates and places the window anew.
void ShowAboutModal(HWND owner, win::Shell& shell);

// xpcmdbutton2: opens the home page, then shows the About window modally.
void MoreSoftware(HWND owner, win::Shell& shell);

}  // namespace kavro
