#include "promo/navigation.h"

#include <algorithm>
#include <initializer_list>

namespace kavro::promo {

namespace {

wchar_t Lower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; }

bool SameIgnoringCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](wchar_t x, wchar_t y) { return Lower(x) == Lower(y); });
}

bool StartsWithScheme(std::wstring_view url, std::initializer_list<std::wstring_view> schemes) {
  return std::any_of(schemes.begin(), schemes.end(), [&](std::wstring_view scheme) {
    return url.size() > scheme.size() && SameIgnoringCase(url.substr(0, scheme.size()), scheme);
  });
}

// Nothing that could split or quote a command line, and no control character.
bool PlainAddress(std::wstring_view url) {
  return std::none_of(url.begin(), url.end(), [](wchar_t c) {
    return c <= L' ' || c == L'"' || c == 0x7F || (c >= 0x80 && c < 0xA0);
  });
}

bool ForTheUsersBrowser(std::wstring_view url) {
  return PlainAddress(url) && StartsWithScheme(url, {L"http://", L"https://", L"mailto:"});
}

}  // namespace

Navigation DecideNavigation(std::wstring_view url, std::wstring_view ownPage, bool topLevel) {
  if (!ownPage.empty() && SameIgnoringCase(url, ownPage)) {
    return Navigation::Stay;
  }
  // The browser's own pages (a blank page, its error page) and the page's frames stay inside.
  if (StartsWithScheme(url, {L"about:", L"res://"}) ||
      (!topLevel && PlainAddress(url) && StartsWithScheme(url, {L"http://", L"https://"}))) {
    return Navigation::Stay;
  }
  if (topLevel && ForTheUsersBrowser(url)) {
    return Navigation::OpenOutside;
  }
  return Navigation::Refuse;
}

Navigation DecideNewWindow(std::wstring_view url) {
  return ForTheUsersBrowser(url) ? Navigation::OpenOutside : Navigation::Refuse;
}

}  // namespace kavro::promo
