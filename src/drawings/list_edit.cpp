#include "drawings/list_edit.h"

#include <algorithm>

namespace kavro::drawings {

size_t IndexAfterInsertion(const std::vector<size_t>& positions, size_t oldIndex) {
  // positions[j] - j is the number of old entries before batch entry j, which never decreases.
  size_t low = 0;
  size_t high = positions.size();
  while (low < high) {
    size_t mid = (low + high) / 2;
    if (positions[mid] - mid <= oldIndex) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  return oldIndex + low;
}

std::vector<std::wstring_view> KeptEntries(const std::vector<std::wstring_view>& entries,
                                           const std::vector<int>& ascendingIndexes) {
  std::vector<std::wstring_view> kept;
  kept.reserve(entries.size() - std::min(entries.size(), ascendingIndexes.size()));
  size_t next = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (next < ascendingIndexes.size() && static_cast<size_t>(ascendingIndexes[next]) == i) {
      ++next;
      continue;
    }
    kept.push_back(entries[i]);
  }
  return kept;
}

size_t TopIndexAfterRemoval(size_t count, size_t top, const std::vector<int>& ascendingIndexes) {
  auto removedAbove = static_cast<size_t>(
      std::lower_bound(ascendingIndexes.begin(), ascendingIndexes.end(), static_cast<int>(top)) -
      ascendingIndexes.begin());
  size_t keptCount = count - std::min(count, ascendingIndexes.size());
  size_t newTop = top - removedAbove;
  return keptCount == 0 ? 0 : std::min(newTop, keptCount - 1);
}

size_t SharedFolderLength(std::wstring_view a, std::wstring_view b) {
  size_t n = std::min(a.size(), b.size());
  size_t skip = 0;
  for (size_t i = 0; i < n && a[i] == b[i]; ++i) {
    if (a[i] == L'\\' || a[i] == L'/') {
      skip = i + 1;
    }
  }
  return skip;
}

}  // namespace kavro::drawings
