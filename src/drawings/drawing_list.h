#pragma once
// The drawing list's rules, apart from the list box that stores it: how a dialog result becomes
// paths, which dropped paths count as drawings, the duplicate rule of the add-files action, and
// where new entries go so that the list stays in the list box's case-insensitive order.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kavro::drawings {

// The order of the list: <0, 0 or >0 like a three-way comparison. Entries that compare equal
// (for instance paths that differ only in letter case) keep the order in which they came.
class EntryOrder {
 public:
  virtual ~EntryOrder() = default;
  virtual int Compare(std::wstring_view a, std::wstring_view b) const = 0;
  // Bytes that compare (as unsigned, like memcmp) the way Compare does: sorting many entries by
  // their keys is much cheaper than comparing them pair by pair.
  virtual std::string SortKey(std::wstring_view text) const = 0;
};

// Letter case folded character by character; the order used where no list box decides.
class FoldedCaseOrder : public EntryOrder {
 public:
  int Compare(std::wstring_view a, std::wstring_view b) const override;
  std::string SortKey(std::wstring_view text) const override;
};

// Read access to the stored list, entry 0 first.
class ListView {
 public:
  virtual ~ListView() = default;
  virtual size_t Count() const = 0;
  virtual std::wstring At(size_t index) const = 0;
};

template <typename Text>
class VectorListView : public ListView {
 public:
  explicit VectorListView(const std::vector<Text>& entries) : entries_(entries) {}
  size_t Count() const override { return entries_.size(); }
  std::wstring At(size_t index) const override { return std::wstring(entries_[index]); }

 private:
  const std::vector<Text>& entries_;
};

// The open dialog's result: one full path, or a folder and names separated by single NULs. The
// names are joined to the folder with one backslash, whatever the folder ends with.
std::vector<std::wstring> PathsFromDialogResult(std::wstring_view result);

// The paths of a dropped file list: each ended by a NUL, the list by an empty one.
std::vector<std::wstring> PathsOfFileList(std::wstring_view list);

// A dropped path counts as a drawing when its last three characters are "dwg" in any letter
// case ("A.DWG", "b.Dwg"). Nothing else is asked of it: no dot, not even that the file exists.
bool EndsWithDwg(std::wstring_view path);

// First index whose entry sorts after `text` (searching from `from` on).
size_t UpperBound(const ListView& list, const EntryOrder& order, std::wstring_view text,
                  size_t from = 0);
// True when an entry equal to `text`, character for character, is in the list.
bool ContainsExactly(const ListView& list, const EntryOrder& order, std::wstring_view text);

// The candidates of one add-files action that are to be added: those not yet in the list and
// not earlier in the same action (exact, case-sensitive comparison). The candidates come sorted
// by SortBatch, and so do the ones kept; which of two identical names is kept does not matter.
std::vector<std::wstring> WithoutDuplicates(const ListView& list, const EntryOrder& order,
                                            std::vector<std::wstring> sortedCandidates);

// Sorts a batch of new entries into list order; equal entries keep their order.
void SortBatch(std::vector<std::wstring>& batch, const EntryOrder& order);
void SortBatch(std::vector<std::wstring_view>& batch, const EntryOrder& order);

// For a sorted batch: the index each entry has in the list after all of them were inserted, as
// if each had been added after the entries equal to it. Ascending, so inserting batch[j] at
// result[j] in turn builds the final list.
std::vector<size_t> FinalPositions(const ListView& list, const EntryOrder& order,
                                   const std::vector<std::wstring>& sortedBatch);

// The list with the batch placed at `positions` (from FinalPositions), as views of both.
std::vector<std::wstring_view> Merged(const std::vector<std::wstring_view>& list,
                                      const std::vector<std::wstring>& sortedBatch,
                                      const std::vector<size_t>& positions);

// Whether rebuilding a list of `listSize` entries is cheaper than changing `changes` entries in
// place, where every single change moves the entries behind it.
bool RebuildIsCheaper(size_t listSize, size_t changes);

}  // namespace kavro::drawings
