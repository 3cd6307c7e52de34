// The start page box's text read as a number, and the page text written from it.
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <string>

#include "fuzz_text.h"
#include "run/page_rule.h"

namespace {

using kavro::fuzz::Check;
using kavro::run::PageText;
using kavro::run::ReadLeadingNumber;

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n'; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// The text without blanks when it is a plain decimal number in C syntax as a whole (sign, digits
// with at most one point, an "e" exponent with digits): then strtod must agree.
bool PlainDecimal(const std::wstring& text, std::string* out) {
  for (wchar_t c : text) {
    if (!IsBlank(c)) out->push_back(c < 0x80 ? static_cast<char>(c) : '?');
  }
  const std::string& s = *out;
  size_t i = s[0] == '+' || s[0] == '-' ? 1 : 0;
  size_t digits = 0;
  bool point = false;
  for (; i < s.size() && (std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == '.'); ++i) {
    if (s[i] == '.') {
      if (point) return false;
      point = true;
    } else {
      ++digits;
    }
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    size_t j = i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-') ? i + 2 : i + 1;
    if (j >= s.size()) return false;
    for (i = j; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
    }
  }
  return i == s.size();
}

// A page value written and read back: exactly for whole values, to 15 digits otherwise.
void CheckPageText(double value) {
  if (!std::isfinite(value)) return;  // a run refuses such a start page
  std::wstring text = PageText(value);
  Check(!text.empty() && text.size() <= 330, "page text length");
  for (wchar_t c : text) Check(!IsBlank(c), "no blank in a page text");
  double back = ReadLeadingNumber(text);
  if (value == std::floor(value)) {
    for (size_t i = text[0] == L'-' ? 1 : 0; i < text.size(); ++i) {
      Check(IsDigit(text[i]), "whole page as plain digits");
    }
    Check(back == value, "whole page reads back exactly");
  } else {
    Check(std::fabs(back - value) <= std::fabs(value) * 1e-14, "page reads back to 15 digits");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring text = kavro::fuzz::WideText(data, size);
  double value = ReadLeadingNumber(text);
  Check(!std::isnan(value), "a start page is never NaN");

  // Blanks stand anywhere, and a letter that continues no number changes nothing.
  std::wstring spread = L"\t\n";
  for (wchar_t c : text) {
    spread += c;
    spread += L' ';
  }
  Check(ReadLeadingNumber(spread) == value, "blanks are skipped wherever they stand");
  Check(ReadLeadingNumber(text + L"x") == value, "reading stops where the number ends");

  std::string plain;
  if (!text.empty() && PlainDecimal(text, &plain)) {
    double expected = std::strtod(plain.c_str(), nullptr);  // the C locale: "." is the point
    if (std::fabs(expected) < DBL_MIN) {
      Check(std::fabs(value) < DBL_MIN, "a tiny number reads as (nearly) zero");
    } else {
      Check(value == expected, "a plain decimal reads as strtod reads it");
    }
  }

  CheckPageText(value);
  CheckPageText(value + 32766);  // the page of the last drawing a list can hold
  return 0;
}
