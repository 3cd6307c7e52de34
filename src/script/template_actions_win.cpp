#include "script/template_actions_win.h"

#include "app/main_window_win.h"

namespace kavro::script {

void SaveTemplate(MainWindow&) {}
void LoadTemplate(MainWindow&) {}

}  // namespace kavro::script
