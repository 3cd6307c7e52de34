#pragma once
// Tool tips of a window's controls.
#include <windows.h>

namespace kavro::win {

// A tool tip window owned by `owner`; nullptr when none could be made (the window works without).
HWND CreateToolTips(HWND owner);
// A tip over `control`, a child of `owner`.
void AddControlTip(HWND tips, HWND owner, HWND control, const wchar_t* text);
// A tip over `control`'s rectangle in `owner`, for controls that let the mouse through to their
// parent (group boxes). `id` names the tool.
void AddAreaTip(HWND tips, HWND owner, HWND control, UINT_PTR id, const wchar_t* text);

}  // namespace kavro::win
