#pragma once
// The About window's design: its controls in creation order with their twip rectangles relative to
// their container, texts, fonts, colours and links. The Win32 view builds itself from this table.
#include <cstdint>
#include <span>
#include <string>

namespace kavro {

enum class AboutControl {
  picBGHead,
  picBGHeadIcon,
  lblBGHeadInfo1,
  Label2,
  Label7,
  Label3,
  Label9,
  Label5,
  lblHomepage,
  Label6,
  Label4,
  Command1,
  None,
};

enum class AboutKind { Picture, Icon, Label, Button };

struct AboutFont {
  const wchar_t* face;
  float points;
  bool bold = false;
  bool underline = false;
};

// Colours as 0xRRGGBB.
inline constexpr uint32_t kAboutWhite = 0xFFFFFF;
inline constexpr uint32_t kAboutBlack = 0x000000;
inline constexpr uint32_t kAboutRed = 0xFF0000;
inline constexpr uint32_t kAboutBlue = 0x0000FF;
inline constexpr uint32_t kAboutGrey = 0x808080;

struct AboutDesign {
  AboutControl id;
  AboutKind kind;
  AboutControl container;        // None: the window itself
  int left, top, width, height;  // twips, relative to the container
  const wchar_t* text;
  const wchar_t* toolTip;  // nullptr: none
  AboutFont font;
  uint32_t color;       // text colour, or the background of a picture
  const wchar_t* link;  // what a click opens; nullptr: a click does nothing
  bool handCursor;
};

inline constexpr int kAboutClientWidthTwips = 5100;
inline constexpr int kAboutClientHeightTwips = 2160;
inline constexpr AboutFont kAboutDefaultFont{L"Tahoma", 8.25f};

// The grey line under the header band, from (0, 615) to (5760, 615) in twips.
inline constexpr int kAboutBorderY = 615;
inline constexpr int kAboutBorderRight = 5760;

std::wstring AboutCaption();
std::span<const AboutDesign> AboutWindowDesign();

// Command identifier of a control of the About window.
constexpr int AboutCommandId(AboutControl id) { return 2000 + static_cast<int>(id); }

// A link as the window shows it: "http://www.kavro.org" as "www.kavro.org", "mailto:a@b" as "a@b".
std::wstring LinkDisplayText(const std::wstring& target);

}  // namespace kavro
