#include "run/run_actions_win.h"

#include "app/main_window_win.h"

namespace kavro::run {

void ModifyRun(MainWindow&) {}
void PreviewRun(MainWindow&) {}

}  // namespace kavro::run
