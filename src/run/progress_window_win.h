#pragma once
// Form3: the small borderless window that stands in for the main window during a modify run.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "win/handles_win.h"
#include "win/lifetime_win.h"
#include "win/window_win.h"

namespace kavro::run {

enum class ProgressLabel { Label1, Label2, Label3, Label4, Label5 };

class ProgressWindow : public win::Window {
 public:
  // Loads Form3 with its design captions, topmost and placed, and shows it. Until RunEnded a
  // double-click does nothing. `gone` is called once the window has been destroyed; it may delete
  // this object.
  static std::unique_ptr<ProgressWindow> Load(win::Lifetime& lifetime, std::function<void()> gone);

  void SetLabel(ProgressLabel label, const std::wstring& text);  // repaints at once
  std::wstring LabelText(ProgressLabel label) const;
  HWND Label(ProgressLabel label) const;
  // Restacks the window at the top of the topmost band. Under Wine another process's window
  // that is activated can cover Form3's surface although Form3 stays first in the z-order;
  // leaving the topmost band and entering it again brings it back. Elsewhere it changes nothing.
  void ComeToFront();
  // From now on a double-click (or Alt+F4) unloads the window and then calls `dismissed`. Form3
  // restacks itself now and once more a moment later, when AutoCAD has surely finished coming
  // to the front.
  void RunEnded(std::function<void()> dismissed);
  // Until RunEnded, a click on the window or Esc calls `asked` (the run may be stopped).
  void OnStopAsked(std::function<void()> asked) { stopAsked_ = std::move(asked); }
  void Unload();  // closes it; its captions are gone

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnDestroyed() override;

 private:
  ProgressWindow(win::Lifetime& lifetime, std::function<void()> gone)
      : lifetime_(lifetime), gone_(std::move(gone)) {}
  void Create();
  void DoubleClicked();
  void Clicked();

  win::Lifetime& lifetime_;
  std::function<void()> gone_;
  std::function<void()> dismissed_;
  std::function<void()> stopAsked_;
  win::UniqueFont font_;
  bool runEnded_ = false;
};

}  // namespace kavro::run
