#include "core/core_output.h"

#include <algorithm>
#include <cstddef>

namespace kavro::run {
namespace {

bool IsBlankLine(const std::wstring& line) {
  return std::all_of(line.begin(), line.end(), [](wchar_t c) { return c == L' ' || c == L'\t'; });
}

// UTF-16LE bytes to text; a byte left over at the end is ignored.
std::wstring Utf16Text(std::string_view bytes) {
  std::wstring text;
  text.reserve(bytes.size() / 2);
  for (size_t at = 0; at + 1 < bytes.size(); at += 2) {
    auto low = static_cast<unsigned char>(bytes[at]);
    auto high = static_cast<unsigned char>(bytes[at + 1]);
    auto unit = static_cast<wchar_t>(low | (high << 8));
    if (unit != L'\0') text += unit;
  }
  return text;
}

}  // namespace

CoreOutput::CoreOutput(size_t keepBytes, size_t historyBytes)
    : keep_(keepBytes + keepBytes % 2), historyCap_(historyBytes - historyBytes % 2) {}

void CoreOutput::Append(std::string_view bytes) {
  if (head_.size() < historyCap_) head_.append(bytes.substr(0, historyCap_ - head_.size()));
  bytes_.append(bytes);
  // Let go of the front only once twice the kept size is held: each byte is moved about once.
  if (bytes_.size() <= 2 * keep_ + 2) return;
  size_t drop = bytes_.size() - keep_;
  drop -= drop % 2;  // the kept bytes still start on a code unit
  bytes_.erase(0, drop);
  dropped_ = true;
}

std::wstring CoreOutput::History() const { return Utf16Text(head_); }

std::vector<std::wstring> CoreOutput::LastLines(size_t count) const {
  std::wstring text = Utf16Text(bytes_);
  std::vector<std::wstring> lines;
  size_t start = 0;
  bool first = true;
  for (size_t at = 0; at <= text.size(); ++at) {
    if (at < text.size() && text[at] != L'\r' && text[at] != L'\n') continue;
    std::wstring line = text.substr(start, at - start);
    if (!(first && dropped_) && !IsBlankLine(line)) lines.push_back(std::move(line));
    first = false;
    start = at + 1;
  }
  if (lines.size() > count)
    lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(count));
  return lines;
}

}  // namespace kavro::run
