#pragma once
// The runs over the drawing list, started from the main window's buttons.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "run/autocad_win.h"
#include "run/progress_window_win.h"
#include "run/run_engine.h"
#include "run/run_limits.h"
#include "run/stop_question_win.h"
#include "win/lifetime_win.h"
#include "win/message_box_win.h"

namespace kavro::run {

// What the runs are given by the program (tests give their own).
struct RunEnvironment {
  AutoCadLink& cad;
  const RunLimits& limits;
  win::Lifetime& lifetime;
  std::wstring programFolder;
  std::function<std::wstring()> timeOfDay;
  win::MessageBoxes& messages;  // the question whether to stop
  // The record (journal and log) of a run that starts now; the program keeps them in its data
  // folder.
  std::function<std::unique_ptr<RunRecord>(RunKind)> makeRecord;
};

class Runs {
 public:
  // `main` is the main window's view for the runs, `mainWindow` its window (disabled while a run
  // waits for AutoCAD). Both outlive this object.
  Runs(RunEnvironment environment, MainView& main, HWND mainWindow);
  ~Runs();
  Runs(const Runs&) = delete;
  Runs& operator=(const Runs&) = delete;

  void Modify();   // Command9
  void Preview();  // xpcmdbutton7

  // Form3 while it is loaded, or null.
  ProgressWindow* Form3() const { return form3_.get(); }

 private:
  template <typename RunFunction>
  void RunWith(RunKind kind, RunFunction run);

  RunEnvironment environment_;
  MainView& main_;
  HWND mainWindow_;
  std::unique_ptr<ProgressWindow> form3_;
  StopQuestion stopQuestion_;
};

}  // namespace kavro::run
