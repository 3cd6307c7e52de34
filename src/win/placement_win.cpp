#include "win/placement_win.h"

#include "win/screen_units_win.h"

namespace kavro::win {

ScreenTwips QueryScreen() {
  ScreenDpi dpi = ScreenDpi::Query();
  ScreenTwips screen;
  screen.perPixelX = TwipsPerPixel(dpi.x);
  screen.perPixelY = TwipsPerPixel(dpi.y);
  screen.size.width = static_cast<float>(GetSystemMetrics(SM_CXSCREEN)) * screen.perPixelX;
  screen.size.height = static_cast<float>(GetSystemMetrics(SM_CYSCREEN)) * screen.perPixelY;
  return screen;
}

TwipRect WindowTwips(HWND window, const ScreenTwips& screen) {
  RECT r{};
  GetWindowRect(window, &r);
  return {static_cast<float>(r.left) * screen.perPixelX,
          static_cast<float>(r.top) * screen.perPixelY,
          static_cast<float>(r.right - r.left) * screen.perPixelX,
          static_cast<float>(r.bottom - r.top) * screen.perPixelY};
}

void MoveWindowTo(HWND window, TwipPoint place, const ScreenTwips& screen) {
  int x = static_cast<int>(RoundHalfEven(place.left / screen.perPixelX));
  int y = static_cast<int>(RoundHalfEven(place.top / screen.perPixelY));
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

template <typename Rule>
void PlaceBy(HWND window, Rule rule) {
  ScreenTwips screen = QueryScreen();
  TwipRect current = WindowTwips(window, screen);
  MoveWindowTo(window, rule(screen.size, TwipSize{current.width, current.height}), screen);
}

}  // namespace

void CenterOnScreen(HWND window) { PlaceBy(window, CenterHigh); }
void PlaceAtLeftEdge(HWND window) { PlaceBy(window, FlushLeft); }
void PlaceAtRightEdge(HWND window) { PlaceBy(window, FlushRight); }

void KeepOnTop(HWND window) {
  ScreenTwips screen = QueryScreen();
  PixelRect r = KeepOnTopPixels(WindowTwips(window, screen), screen.perPixelX, screen.perPixelY);
  SetWindowPos(window, HWND_TOPMOST, r.x, r.y, r.cx, r.cy, 0);
}

}  // namespace kavro::win
