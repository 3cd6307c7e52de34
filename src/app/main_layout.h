#pragma once
// The main window's design: its controls, in tab order, with their twip rectangles relative to
// their container, and their texts. The Win32 view builds itself from this table.
#include <span>

#include "kavro_version.h"

namespace kavro {

enum class MainControl {
  xpcmdbutton7,
  xpcmdbutton2,
  xpcmdbutton3,
  Command9,
  xpcmdbutton4,
  Frame2,
  Text1,
  xpcmdbutton1,
  xpcmdbutton5,
  Option1,
  Option2,
  Text2,
  Label1,
  Frame1,
  List2,
  xpcmdbutton6,
  xpcmdbutton8,
  xpcmdbutton9,
  xpcmdbutton10,
  xpcmdbutton11,
  CAD,  // the CAD program; in the tab order after Option2 (see the design's order)
  None,
};

enum class ControlKind {
  Button,
  Frame,
  ListBox,
  MultiLineText,
  Text,
  Label,
  OptionButton,
  DropDownList,  // its height is the closed box's; its text the first entry
};

struct ControlDesign {
  MainControl id;
  ControlKind kind;
  MainControl container;         // None: the window itself
  int left, top, width, height;  // twips, relative to the container
  const wchar_t* text;
  const wchar_t* toolTip;  // nullptr: none
};

inline constexpr int kMainClientWidthTwips = 8280;
inline constexpr int kMainClientHeightTwips = 8175;
inline constexpr wchar_t kMainCaption[] = L"Kavro V" KAVRO_PRODUCT_VERSION_TEXT;

// The first entry of CAD: the automatic choice of the CAD program.
inline constexpr wchar_t kAutomaticCad[] = L"自动";

// Every control of the main window, in tab order.
std::span<const ControlDesign> MainWindowDesign();
const ControlDesign& DesignOf(MainControl id);

// Command identifier of a control (WM_COMMAND, GetDlgItem).
constexpr int ControlCommandId(MainControl id) { return 1000 + static_cast<int>(id); }

}  // namespace kavro
