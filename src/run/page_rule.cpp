#include "run/page_rule.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "run/file_keywords.h"

namespace kavro::run {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n'; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

std::wstring WithoutBlanks(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    if (!IsBlank(c)) {
      out += c;
    }
  }
  return out;
}

int DigitValue(wchar_t c) {
  if (IsDigit(c)) return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return 99;
}

// "&H1F" / "&O17": a whole number that, like the literal it mimics, is a signed 16-bit value
// when it fits in 16 bits and a signed 32-bit value when it fits in 32.
double ReadRadixNumber(std::wstring_view digits, int radix) {
  uint64_t value = 0;
  bool any = false;
  for (wchar_t c : digits) {
    int d = DigitValue(c);
    if (d >= radix) break;
    any = true;
    if (value > (UINT64_MAX >> 4)) return static_cast<double>(value);  // far beyond 32 bits
    value = value * static_cast<uint64_t>(radix) + static_cast<uint64_t>(d);
  }
  if (!any) return 0;
  if (value <= 0xFFFF) return static_cast<int16_t>(static_cast<uint16_t>(value));
  if (value <= 0xFFFFFFFF) return static_cast<int32_t>(static_cast<uint32_t>(value));
  return static_cast<double>(value);
}

// Sign, digits, one ".", exponent: the longest prefix that is a number, in ASCII for from_chars.
std::string DecimalPrefix(std::wstring_view s) {
  std::string out;
  size_t i = 0;
  if (i < s.size() && (s[i] == L'+' || s[i] == L'-')) {
    if (s[i] == L'-') out += '-';
    ++i;
  }
  bool digits = false;
  bool point = false;
  for (; i < s.size(); ++i) {
    if (IsDigit(s[i])) {
      digits = true;
      out += static_cast<char>(s[i]);
    } else if (s[i] == L'.' && !point) {
      point = true;
      out += '.';
    } else {
      break;
    }
  }
  if (!digits) return "0";
  if (i < s.size() && (s[i] == L'E' || s[i] == L'e' || s[i] == L'D' || s[i] == L'd')) {
    size_t j = i + 1;
    std::string exponent = "e";
    if (j < s.size() && (s[j] == L'+' || s[j] == L'-')) {
      exponent += static_cast<char>(s[j]);
      ++j;
    }
    bool expDigits = false;
    for (; j < s.size() && IsDigit(s[j]); ++j) {
      expDigits = true;
      exponent += static_cast<char>(s[j]);
    }
    if (expDigits) out += exponent;
  }
  return out;
}

// Whether a number from DecimalPrefix (not zero) is below 1 in magnitude: the power of ten of its
// first significant digit, plus its exponent, is negative. Tells underflow from overflow.
bool BelowOne(std::string_view number) {
  size_t e = std::min(number.find('e'), number.size());
  std::string_view mantissa = number.substr(0, e);
  size_t first = mantissa.find_first_of("123456789");
  if (first == std::string_view::npos) return true;
  size_t point = std::min(mantissa.find('.'), mantissa.size());
  long long power = first < point ? static_cast<long long>(point - first) - 1
                                  : -static_cast<long long>(first - point);
  long long exponent = 0;
  for (char c : number.substr(std::min(e + 1, number.size()))) {
    if (c >= '0' && c <= '9' && exponent < 1'000'000'000) exponent = exponent * 10 + (c - '0');
  }
  if (e + 1 < number.size() && number[e + 1] == '-') exponent = -exponent;
  return power + exponent < 0;
}

void ReplaceAll(std::wstring& text, std::wstring_view word, std::wstring_view by) {
  std::wstring out;
  out.reserve(text.size());
  size_t from = 0;
  for (size_t at = text.find(word); at != std::wstring::npos; at = text.find(word, from)) {
    out.append(text, from, at - from);
    out.append(by);
    from = at + word.size();
  }
  out.append(text, from, std::wstring::npos);
  text = std::move(out);
}

}  // namespace

double ReadLeadingNumber(std::wstring_view text) {
  std::wstring s = WithoutBlanks(text);
  if (s.size() >= 2 && s[0] == L'&') {
    if (s[1] == L'H' || s[1] == L'h') return ReadRadixNumber(std::wstring_view(s).substr(2), 16);
    if (s[1] == L'O' || s[1] == L'o') return ReadRadixNumber(std::wstring_view(s).substr(2), 8);
    return 0;
  }
  std::string number = DecimalPrefix(s);
  double value = 0;
  auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error == std::errc::result_out_of_range) {
    // Underflow reads as 0, overflow as infinity (the caller refuses it).
    return BelowOne(number) ? 0.0 : (number[0] == '-' ? -HUGE_VAL : HUGE_VAL);
  }
  return value;
}

std::wstring PageText(double value) {
  if (value == 0) return L"0";  // also -0
  // A whole value is written with all its digits: up to 309 for the largest double, and a sign.
  char buffer[DBL_MAX_10_EXP + 3];
  std::to_chars_result written;
  if (value == std::floor(value)) {
    written = std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::fixed, 0);
  } else {
    written = std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::general, 15);
  }
  return std::wstring(buffer, written.ptr);
}

std::wstring ApplyPagePlaceholder(std::wstring_view scriptTemplate, std::wstring_view pageText) {
  std::wstring text(scriptTemplate);
  ReplaceAll(text, L"page", pageText);
  ReplaceAll(text, L"PAGE", pageText);
  return text;
}

std::wstring PageOf(std::wstring_view startPage, size_t index) {
  return PageText(ReadLeadingNumber(startPage) + static_cast<double>(index));
}

std::wstring ScriptForDrawing(std::wstring_view scriptTemplate, std::wstring_view startPage,
                              size_t index) {
  return ApplyPagePlaceholder(scriptTemplate, PageOf(startPage, index));
}

std::wstring ScriptForDrawing(std::wstring_view scriptTemplate, std::wstring_view startPage,
                              size_t index, std::wstring_view drawingPath) {
  return ApplyFileKeywords(ScriptForDrawing(scriptTemplate, startPage, index), drawingPath);
}

}  // namespace kavro::run
