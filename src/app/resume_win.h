#pragma once
// After a crash: the drawings, template and start page of a modify run that never ended are
// offered again when the program starts.
#include "app/main_window_win.h"
#include "app/services_win.h"

namespace kavro {

// Asks about the newest abandoned run, if there is one; Yes puts its rest into the window.
// Nothing is sent to AutoCAD. Never throws.
void OfferResume(MainWindow& window, Services& services);

}  // namespace kavro
