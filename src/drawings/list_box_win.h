#pragma once
// List2, the store of the drawing list: a sorted list box. Its entries are kept in the list box's
// own order (CompareStringW in the list box's locale, ignoring case), and batches are inserted at
// positions computed with that same comparison, or, when that is cheaper, by refilling the box.
#include <windows.h>

#include <string>
#include <vector>

#include "drawings/drawing_list.h"

namespace kavro::drawings {

// The comparison the list box sorts with. Two paths with the same folders are compared from the
// folder they share on, which gives the same answer at a fraction of the cost.
class ListBoxOrder : public EntryOrder {
 public:
  explicit ListBoxOrder(LCID locale) : locale_(locale) {}
  int Compare(std::wstring_view a, std::wstring_view b) const override;
  std::string SortKey(std::wstring_view text) const override;

 private:
  LCID locale_;
};

class DrawingListBox : public ListView {
 public:
  explicit DrawingListBox(HWND list);

  size_t Count() const override;
  std::wstring At(size_t index) const override;
  const EntryOrder& Order() const { return order_; }

  // Every entry, in one block of text: each view is followed by a NUL there.
  struct Entries {
    std::vector<wchar_t> text;  // a vector: moving it keeps the views valid
    std::vector<std::wstring_view> views;
  };
  Entries ReadAll() const;
  std::vector<int> SelectedIndexes() const;

  // Inserts a batch sorted by Order(); false when the list box ran out of memory.
  bool InsertSorted(const std::vector<std::wstring>& sortedBatch);
  // Makes the list hold exactly `entries`, which are in list order and each followed by a NUL.
  bool Replace(const std::vector<std::wstring_view>& entries);
  // Removes the entries at the given ascending indexes; the others keep their order.
  void Remove(const std::vector<int>& ascendingIndexes);
  void RemoveFirst(size_t count);
  void Clear();

 private:
  class RedrawPaused {
   public:
    RedrawPaused(const DrawingListBox& box, size_t changes);
    ~RedrawPaused();
    RedrawPaused(const RedrawPaused&) = delete;
    RedrawPaused& operator=(const RedrawPaused&) = delete;

   private:
    const DrawingListBox* box_;
  };

  LRESULT Send(UINT msg, WPARAM wp, LPARAM lp) const;
  bool Refill(const std::vector<std::wstring_view>& entries, const std::vector<int>& selected,
              int topIndex);

  HWND list_;
  WNDPROC procedure_;
  ListBoxOrder order_;
};

}  // namespace kavro::drawings
