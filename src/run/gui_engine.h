#pragma once
// The desktop AutoCAD from the command line: the main window's modify run, with its call
// streams, its script file, its journal and log, reporting to the console instead of Form3.
#include <functional>
#include <string>
#include <vector>

#include "run/parallel_run.h"
#include "run/run_engine.h"
#include "run/run_record.h"

namespace kavro::run {

// What the modify runs drive: the main window's own pieces.
struct GuiEngineParts {
  CadConnector& connector;
  Keystrokes& keys;
  ScriptFile& script;
  std::function<std::wstring()> timeOfDay;
  std::function<double()> clockSeconds;
  std::function<bool()> stopRequested;  // after the drawing at hand, no more
  std::function<void(const DrawingEnd&)> drawingEnded;
  std::function<void(const std::wstring&)> message;  // the run's messages
  HistoryFiles* history = nullptr;                   // the command histories; null: none
};

struct GuiOutcome {
  ParallelSummary summary;
  bool reachedAutoCad = false;  // false: no drawing was touched, AutoCAD could not be reached
};

// Runs the drawings at the `selection` positions of `inputs` (ascending), each with the page of
// its position: one modify run per stretch of consecutive positions, so that a plain run (every
// position) is exactly the main window's. A failure ends the run, as it does there.
GuiOutcome RunOnGui(const RunInputs& inputs, const std::vector<size_t>& selection,
                    RunRecord& record, const GuiEngineParts& parts);

}  // namespace kavro::run
