#pragma once
// What the user sees of the list when it is rebuilt in one go instead of changed entry by entry:
// the selected entries and the entry at the top stay where they were, wherever that now is.
#include <cstddef>
#include <string_view>
#include <vector>

namespace kavro::drawings {

// The index that the entry at `oldIndex` has after a sorted batch went in at `positions`
// (ascending, as FinalPositions gives them): it moves down by the batch entries placed before it.
size_t IndexAfterInsertion(const std::vector<size_t>& positions, size_t oldIndex);

// The entries left when those at `ascendingIndexes` are removed, in their order.
std::vector<std::wstring_view> KeptEntries(const std::vector<std::wstring_view>& entries,
                                           const std::vector<int>& ascendingIndexes);

// The top index after the removal, for a list of `count` entries whose top was `top`: the entry
// that was at the top stays there; when it was removed, the first entry after it that is kept
// takes its place (or the last entry, when none after it is kept).
size_t TopIndexAfterRemoval(size_t count, size_t top, const std::vector<int>& ascendingIndexes);

// How many leading characters of two paths can be left out of a comparison that weighs every
// folder on its own: the text both share, up to and including the last separator ("\" or "/")
// in it.
size_t SharedFolderLength(std::wstring_view a, std::wstring_view b);

}  // namespace kavro::drawings
