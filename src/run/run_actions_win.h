#pragma once
// The runs over the drawing list, started from the main window.
namespace kavro {
class MainWindow;
}

namespace kavro::run {

void ModifyRun(MainWindow& window);   // Command9
void PreviewRun(MainWindow& window);  // xpcmdbutton7

}  // namespace kavro::run
