#include "base/utf8.h"

#include <cstdint>

namespace kavro {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

void AppendUtf8(std::string& out, char32_t c) {
  if (IsSurrogate(c) || c > 0x10FFFF) c = kReplacement;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

template <typename Unit>
std::string Utf16UnitsToUtf8(std::basic_string_view<Unit> text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = static_cast<uint16_t>(text[i]);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
      char32_t low = static_cast<uint16_t>(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    AppendUtf8(out, c);
  }
  return out;
}

template <typename Unit>
void AppendUtf16(std::basic_string<Unit>& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<Unit>(c);
  } else {
    c -= 0x10000;
    out += static_cast<Unit>(0xD800 + (c >> 10));
    out += static_cast<Unit>(0xDC00 + (c & 0x3FF));
  }
}

// Calls `emit` with each code point; at the first fault, returns its offset (npos when none).
template <typename Emit>
size_t DecodeUtf8(std::string_view bytes, Emit emit) {
  for (size_t i = 0; i < bytes.size();) {
    auto lead = static_cast<unsigned char>(bytes[i]);
    size_t length;
    char32_t c;
    char32_t least;  // the smallest value this length may carry
    if (lead < 0x80) {
      emit(lead);
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, c = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, c = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, c = lead & 0x07, least = 0x10000;
    } else {
      return i;
    }
    if (bytes.size() - i < length) return i;
    for (size_t k = 1; k < length; ++k) {
      auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return i;
      c = (c << 6) | (next & 0x3F);
    }
    if (c < least || c > 0x10FFFF || IsSurrogate(c)) return i;
    emit(c);
    i += length;
  }
  return std::string_view::npos;
}

void AppendWide(std::wstring& out, char32_t c) {
  if constexpr (sizeof(wchar_t) == 2) {
    AppendUtf16(out, c);
  } else {
    out += static_cast<wchar_t>(c);
  }
}

}  // namespace

std::string Utf16ToUtf8(std::u16string_view text) { return Utf16UnitsToUtf8(text); }

std::string ToUtf8(std::wstring_view text) {
  if constexpr (sizeof(wchar_t) == 2) {
    return Utf16UnitsToUtf8(text);
  } else {
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text) AppendUtf8(out, static_cast<char32_t>(c));
    return out;
  }
}

std::optional<std::u16string> Utf8ToUtf16(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  if (DecodeUtf8(bytes, [&](char32_t c) { AppendUtf16(out, c); }) != bytes.npos)
    return std::nullopt;
  return out;
}

std::optional<std::wstring> FromUtf8(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  if (DecodeUtf8(bytes, [&](char32_t c) { AppendWide(out, c); }) != bytes.npos) return std::nullopt;
  return out;
}

bool IsUtf8(std::string_view bytes) {
  return DecodeUtf8(bytes, [](char32_t) {}) == bytes.npos;
}

std::wstring FromUtf8Replacing(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  for (;;) {
    size_t fault = DecodeUtf8(bytes, [&](char32_t c) { AppendWide(out, c); });
    if (fault == bytes.npos) return out;
    out += static_cast<wchar_t>(kReplacement);
    bytes.remove_prefix(fault + 1);
  }
}

}  // namespace kavro
