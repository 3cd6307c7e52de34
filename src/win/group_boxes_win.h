#pragma once
// Group boxes (frames) under the controls they hold.
#include <windows.h>

namespace kavro::win {

// Puts every group box among `window`'s children at the bottom of the z-order, keeping their
// order among themselves and everyone else's. A group box lets the mouse through to what lies
// under it only for its own thread: WindowFromPoint asked from another process (a drag from the
// file manager) stops at a frame that lies above its controls. No frame is a tab stop, so the
// tab order of the others stays as it is.
void PutGroupBoxesBeneathTheirControls(HWND window);

}  // namespace kavro::win
