#include "win/group_boxes_win.h"

#include <iterator>
#include <vector>

namespace kavro::win {

namespace {

bool IsGroupBox(HWND control) {
  wchar_t className[16] = {};
  GetClassNameW(control, className, static_cast<int>(std::size(className)));
  return CompareStringOrdinal(className, -1, L"Button", -1, TRUE) == CSTR_EQUAL &&
         (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

}  // namespace

void PutGroupBoxesBeneathTheirControls(HWND window) {
  // Collected first: moving a window changes the walk.
  std::vector<HWND> groupBoxes;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (IsGroupBox(child)) {
      groupBoxes.push_back(child);
    }
  }
  for (HWND groupBox : groupBoxes) {
    SetWindowPos(groupBox, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

}  // namespace kavro::win
