#pragma once
// What a side window's browser may do with a navigation that its page asks for. The window shows
// its own page and nothing else: a link to any other page goes to the user's own browser, and
// only web and mail addresses are handed over, whole and harmless as a shell argument.
#include <string_view>

namespace kavro::promo {

enum class Navigation {
  Stay,         // goes ahead inside the side window
  OpenOutside,  // cancelled here and handed to the user's browser
  Refuse,       // cancelled, and nothing else happens
};

// `topLevel` is false for a frame inside the page. `ownPage` is the page the window loaded.
Navigation DecideNavigation(std::wstring_view url, std::wstring_view ownPage, bool topLevel);

// A new window the page asks for never opens inside the program; its address goes to the user's
// browser when DecideNavigation would open it outside.
Navigation DecideNewWindow(std::wstring_view url);

}  // namespace kavro::promo
