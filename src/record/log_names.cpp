// The run log's file names and which old files go.
#include <algorithm>
#include <cwchar>

#include "record/run_log.h"

namespace kavro::run {

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

std::wstring_view Stem(std::wstring_view name) {
  size_t dot = name.rfind(L'.');
  return dot == std::wstring_view::npos ? name : name.substr(0, dot);
}

// Runs of digits compare by their value, so "-10" comes after "-9"; a stem that ends where the
// other goes on ("x" against "x-2") comes first.
bool OlderStem(std::wstring_view a, std::wstring_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      size_t iEnd = i, jEnd = j;
      while (iEnd < a.size() && IsDigit(a[iEnd])) ++iEnd;
      while (jEnd < b.size() && IsDigit(b[jEnd])) ++jEnd;
      std::wstring_view x = a.substr(i, iEnd - i), y = b.substr(j, jEnd - j);
      while (x.size() > 1 && x[0] == L'0') x.remove_prefix(1);
      while (y.size() > 1 && y[0] == L'0') y.remove_prefix(1);
      if (x.size() != y.size()) return x.size() < y.size();
      if (x != y) return x < y;
      i = iEnd, j = jEnd;
    } else if (a[i] != b[j]) {
      return a[i] < b[j];
    } else {
      ++i, ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

}  // namespace

std::wstring LogFileName(const LocalTime& start, int attempt) {
  wchar_t name[64];
  std::swprintf(name, 64, L"Kavro-%04d%02d%02d-%02d%02d%02d", start.year, start.month, start.day,
                start.hour, start.minute, start.second);
  std::wstring text = name;
  if (attempt >= 2) text += L"-" + std::to_wstring(attempt);
  return text + L".csv";
}

std::vector<std::wstring> NamesBeyondNewest(std::vector<std::wstring> names,
                                            std::wstring_view prefix, size_t keep) {
  std::erase_if(names, [&](const std::wstring& name) { return !name.starts_with(prefix); });
  std::stable_sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
    std::wstring_view stemA = Stem(a), stemB = Stem(b);
    if (OlderStem(stemA, stemB)) return true;
    if (OlderStem(stemB, stemA)) return false;
    return a < b;
  });
  if (names.size() <= keep) return {};
  names.resize(names.size() - keep);
  return names;
}

}  // namespace kavro::run
