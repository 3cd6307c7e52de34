#pragma once
// Placement of the program's windows on the primary screen (see base/placement.h).
#include <windows.h>

#include "base/placement.h"

namespace kavro::win {

struct ScreenTwips {
  TwipSize size;         // the whole primary screen
  float perPixelX = 15;  // twips per pixel
  float perPixelY = 15;
};
ScreenTwips QueryScreen();
TwipRect WindowTwips(HWND window, const ScreenTwips& screen);
void MoveWindowTo(HWND window, TwipPoint place, const ScreenTwips& screen);

// Centred across the screen with one third of the free height above (main, progress, About).
void CenterOnScreen(HWND window);
// Flush with the left or right screen edge, one third of the free height above.
void PlaceAtLeftEdge(HWND window);
void PlaceAtRightEdge(HWND window);
// Makes the window topmost at its current place and size.
void KeepOnTop(HWND window);

}  // namespace kavro::win
