// An address the side window's page asks the browser to go to: what stays inside, and what is
// handed to the shell, whatever the page says.
#include <string>

#include "fuzz_text.h"
#include "promo/navigation.h"

namespace {

using kavro::fuzz::Check;
using kavro::promo::Navigation;

bool StartsWith(const std::wstring& url, const std::wstring& scheme) {
  return kavro::fuzz::AsciiLower(url).starts_with(scheme);
}

// What the shell may get: a web or mail address, nothing that splits or quotes a command line.
void CheckHandedOver(const std::wstring& url) {
  Check(StartsWith(url, L"http://") || StartsWith(url, L"https://") || StartsWith(url, L"mailto:"),
        "only web and mail addresses leave the program");
  for (wchar_t c : url) {
    Check(c > L' ' && c != L'"' && c != 0x7F, "a whole, unquoted shell argument");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kavro::fuzz::FieldReader input(data, size);
  bool topLevel = input.Read<uint8_t>() & 1;
  std::wstring url = input.RestAsText();
  const std::wstring own = L"http://www.kavro.org/gdownload.htm";

  Navigation decided = kavro::promo::DecideNavigation(url, own, topLevel);
  if (decided == Navigation::OpenOutside) {
    Check(topLevel, "a frame never opens the user's browser");
    CheckHandedOver(url);
  }
  if (decided == Navigation::Stay && topLevel) {
    Check(url.size() == own.size() || StartsWith(url, L"about:") || StartsWith(url, L"res://"),
          "the top of the window shows its own page or the browser's own");
  }
  if (kavro::promo::DecideNewWindow(url) == Navigation::OpenOutside) {
    CheckHandedOver(url);
  }
  Check(kavro::promo::DecideNavigation(own, own, true) == Navigation::Stay, "own page stays");
  return 0;
}
