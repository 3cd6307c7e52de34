#pragma once
// Script template files, started from the main window.
namespace kavro {
class MainWindow;
}

namespace kavro::script {

void SaveTemplate(MainWindow& window);  // xpcmdbutton1
void LoadTemplate(MainWindow& window);  // xpcmdbutton5

}  // namespace kavro::script
