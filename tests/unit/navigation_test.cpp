#include "promo/navigation.h"

#include <gtest/gtest.h>

namespace kavro::promo {
namespace {

constexpr wchar_t kOwn[] = L"http://www.kavro.org/gdownload.htm";

// Only the window's own page, the browser's own pages and the page's frames load inside; other
// web and mail addresses go to the user's browser; everything else is refused.
TEST(Navigation, OwnPageStaysOtherPagesGoOutsideTheRestIsRefused) {
  struct Case {
    const wchar_t* url;
    bool topLevel;
    Navigation expected;
  };
  const Case cases[] = {
      {kOwn, true, Navigation::Stay},
      {L"HTTP://WWW.KAVRO.ORG/GDOWNLOAD.HTM", true, Navigation::Stay},
      {L"about:blank", true, Navigation::Stay},
      {L"res://ieframe.dll/navcancl.htm", true, Navigation::Stay},
      {L"http://www.kavro.org/bdownload.htm", true, Navigation::OpenOutside},
      {L"https://example.org/a?b=c", true, Navigation::OpenOutside},
      {L"mailto:author@kavro.org", true, Navigation::OpenOutside},
      {L"http://www.kavro.org/frame.htm", false, Navigation::Stay},
      {L"mailto:author@kavro.org", false, Navigation::Refuse},
      {L"file:///C:/Windows/notepad.exe", true, Navigation::Refuse},
      {L"\\\\server\\share\\setup.exe", true, Navigation::Refuse},
      {L"javascript:alert(1)", true, Navigation::Refuse},
      {L"http://", true, Navigation::Refuse},
      {L"", true, Navigation::Refuse},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecideNavigation(c.url, kOwn, c.topLevel), c.expected) << c.url << c.topLevel;
  }
  EXPECT_EQ(DecideNewWindow(L"http://www.kavro.org/popup.htm"), Navigation::OpenOutside);
  EXPECT_EQ(DecideNewWindow(kOwn), Navigation::OpenOutside);  // never in a second window here
  EXPECT_EQ(DecideNewWindow(L""), Navigation::Refuse);
}

}  // namespace
}  // namespace kavro::promo
