#pragma once
// Fuzz input as the program's text: the bytes are read as UTF-8 into UTF-16 code units, which is
// what the program holds on Windows, so that text seeds stay readable and every unit can arise.
// Characters beyond U+FFFF become surrogate pairs, encoded surrogates (ED A0 80 ...) come through
// as lone halves, and a byte that starts no valid sequence stands for U+0080..U+00FF.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace kavro::fuzz {

// A property that does not hold ends the run, and libFuzzer keeps the input.
inline void Check(bool ok, const char* property) {
  if (!ok) {
    std::fprintf(stderr, "property does not hold: %s\n", property);
    std::abort();
  }
}

inline void AppendUtf16(std::wstring& out, uint32_t code) {
  if (code >= 0x10000) {
    code -= 0x10000;
    out += static_cast<wchar_t>(0xD800 + (code >> 10));
    out += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
  } else {
    out += static_cast<wchar_t>(code);
  }
}

inline std::wstring WideText(const uint8_t* data, size_t size) {
  std::wstring out;
  size_t i = 0;
  while (i < size) {
    uint8_t lead = data[i];
    size_t extra = lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : 0;
    if (lead >= 0xF5) extra = 0;
    uint32_t code = extra == 3 ? lead & 0x07u : extra == 2 ? lead & 0x0Fu : lead & 0x1Fu;
    bool whole = extra > 0;
    for (size_t k = 1; whole && k <= extra; ++k) {
      if (i + k >= size || (data[i + k] & 0xC0) != 0x80) {
        whole = false;
      } else {
        code = (code << 6) | (data[i + k] & 0x3Fu);
      }
    }
    // Overlong forms and values beyond U+10FFFF are not characters: the lead byte stands alone.
    static constexpr uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (whole && code >= kLeast[extra] && code <= 0x10FFFF) {
      AppendUtf16(out, code);
      i += extra + 1;
    } else {
      out += static_cast<wchar_t>(lead);
      ++i;
    }
  }
  return out;
}

// The parts of a text between separators; with `most`, the last part keeps the rest, separators
// and all.
template <typename Text>
std::vector<Text> Split(const Text& text, typename Text::value_type at, size_t most = SIZE_MAX) {
  std::vector<Text> parts(1);
  for (auto c : text) {
    if (c == at && parts.size() < most) {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

inline std::wstring AsciiLower(std::wstring text) {
  for (wchar_t& c : text) c = c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c;
  return text;
}

inline bool IsPair(const std::wstring& t, size_t i) {
  return i + 1 < t.size() && t[i] >= 0xD800 && t[i] <= 0xDBFF && t[i + 1] >= 0xDC00 &&
         t[i + 1] <= 0xDFFF;
}

// Fixed-size fields read front to back; past the end of the input they read as zero.
class FieldReader {
 public:
  FieldReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  template <typename T>
  T Read() {
    T value{};
    size_t n = at_ < size_ ? std::min(sizeof(T), size_ - at_) : 0;
    std::memcpy(&value, data_ + at_, n);
    at_ += n;
    return value;
  }
  std::wstring RestAsText() { return WideText(data_ + at_, size_ - at_); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

}  // namespace kavro::fuzz
