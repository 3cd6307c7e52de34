#include "drawings/list_box_win.h"

#include <algorithm>

#include "drawings/list_edit.h"

namespace kavro::drawings {

namespace {

// Many changes at once: the list box paints once at the end instead of after each.
constexpr size_t kPaintOnceFrom = 16;

}  // namespace

int ListBoxOrder::Compare(std::wstring_view a, std::wstring_view b) const {
  // Equal leading text up to a separator weighs the same on both sides, so it can be skipped; no
  // character's weight depends on a neighbour across a separator.
  size_t skip = SharedFolderLength(a, b);
  int result =
      CompareStringW(locale_, NORM_IGNORECASE, a.data() + skip, static_cast<int>(a.size() - skip),
                     b.data() + skip, static_cast<int>(b.size() - skip));
  return result == 0 ? -1 : result - CSTR_EQUAL;  // the list box counts a failure as "less"
}

std::string ListBoxOrder::SortKey(std::wstring_view text) const {
  const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
  int size = static_cast<int>(text.size());
  int n = LCMapStringW(locale_, flags, text.data(), size, nullptr, 0);
  std::string key(static_cast<size_t>(std::max(n, 0)), '\0');
  // With LCMAP_SORTKEY the output is bytes, whatever the pointer type says.
  LCMapStringW(locale_, flags, text.data(), size, reinterpret_cast<LPWSTR>(key.data()), n);
  return key;
}

DrawingListBox::DrawingListBox(HWND list)
    : list_(list),
      // The list box's own procedure, past the subclasses of the tool tip and of the drops: under
      // Wine every subclassed message costs a round trip to the server (tens of microseconds),
      // which at 100,000 entries turns milliseconds into seconds.
      procedure_(reinterpret_cast<WNDPROC>(GetClassLongPtrW(list, GCLP_WNDPROC))),
      order_(static_cast<LCID>(Send(LB_GETLOCALE, 0, 0))) {}

LRESULT DrawingListBox::Send(UINT msg, WPARAM wp, LPARAM lp) const {
  return procedure_ ? CallWindowProcW(procedure_, list_, msg, wp, lp)
                    : SendMessageW(list_, msg, wp, lp);
}

DrawingListBox::RedrawPaused::RedrawPaused(const DrawingListBox& box, size_t changes)
    : box_(changes >= kPaintOnceFrom ? &box : nullptr) {
  if (box_) {
    box_->Send(WM_SETREDRAW, FALSE, 0);
  }
}

DrawingListBox::RedrawPaused::~RedrawPaused() {
  if (box_) {
    box_->Send(WM_SETREDRAW, TRUE, 0);
    InvalidateRect(box_->list_, nullptr, TRUE);
  }
}

size_t DrawingListBox::Count() const {
  LRESULT n = Send(LB_GETCOUNT, 0, 0);
  return n > 0 ? static_cast<size_t>(n) : 0;
}

std::wstring DrawingListBox::At(size_t index) const {
  LRESULT len = Send(LB_GETTEXTLEN, index, 0);
  if (len == LB_ERR) {
    return {};
  }
  std::wstring text(static_cast<size_t>(len) + 1, L'\0');
  LRESULT got = Send(LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(got == LB_ERR ? 0 : static_cast<size_t>(got));
  return text;
}

DrawingListBox::Entries DrawingListBox::ReadAll() const {
  // One block for all the text: no small allocation per entry stays behind in the heap.
  size_t n = Count();
  std::vector<size_t> lengths(n);
  size_t total = 0;
  for (size_t i = 0; i < n; ++i) {
    LRESULT len = Send(LB_GETTEXTLEN, i, 0);
    lengths[i] = len > 0 ? static_cast<size_t>(len) : 0;
    total += lengths[i] + 1;
  }
  Entries entries;
  entries.text.assign(total, L'\0');
  entries.views.reserve(n);
  size_t at = 0;
  for (size_t i = 0; i < n; ++i) {
    wchar_t* place = entries.text.data() + at;
    size_t got = lengths[i] > 0 ? static_cast<size_t>(std::max<LRESULT>(
                                      0, Send(LB_GETTEXT, i, reinterpret_cast<LPARAM>(place))))
                                : 0;
    entries.views.emplace_back(place, std::min(got, lengths[i]));
    at += lengths[i] + 1;
  }
  return entries;
}

std::vector<int> DrawingListBox::SelectedIndexes() const {
  LRESULT n = Send(LB_GETSELCOUNT, 0, 0);
  if (n <= 0) {
    return {};
  }
  std::vector<int> selected(static_cast<size_t>(n));
  LRESULT got =
      Send(LB_GETSELITEMS, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(selected.data()));
  selected.resize(got > 0 ? static_cast<size_t>(got) : 0);
  std::sort(selected.begin(), selected.end());
  return selected;
}

bool DrawingListBox::InsertSorted(const std::vector<std::wstring>& sortedBatch) {
  if (sortedBatch.empty()) {
    return true;
  }
  size_t n = Count();
  if (n > 0 && RebuildIsCheaper(n, sortedBatch.size())) {
    // Keep what the user sees: the selected entries and the entry at the top.
    Entries current = ReadAll();
    std::vector<size_t> positions =
        FinalPositions(VectorListView(current.views), order_, sortedBatch);
    std::vector<int> selected = SelectedIndexes();
    for (int& index : selected) {
      index = static_cast<int>(IndexAfterInsertion(positions, static_cast<size_t>(index)));
    }
    LRESULT top = Send(LB_GETTOPINDEX, 0, 0);
    int newTop =
        top >= 0 ? static_cast<int>(IndexAfterInsertion(positions, static_cast<size_t>(top))) : 0;
    return Refill(Merged(current.views, sortedBatch, positions), selected, newTop);
  }
  std::vector<size_t> positions = FinalPositions(*this, order_, sortedBatch);
  RedrawPaused paused(*this, sortedBatch.size());
  for (size_t j = 0; j < sortedBatch.size(); ++j) {
    LRESULT at =
        Send(LB_INSERTSTRING, positions[j], reinterpret_cast<LPARAM>(sortedBatch[j].c_str()));
    if (at < 0) {
      return false;
    }
  }
  return true;
}

bool DrawingListBox::Replace(const std::vector<std::wstring_view>& entries) {
  return Refill(entries, {}, 0);
}

bool DrawingListBox::Refill(const std::vector<std::wstring_view>& entries,
                            const std::vector<int>& selected, int topIndex) {
  RedrawPaused paused(*this, kPaintOnceFrom);
  Send(LB_RESETCONTENT, 0, 0);
  Send(LB_INITSTORAGE, entries.size(), 0);
  for (std::wstring_view entry : entries) {
    if (Send(LB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(entry.data())) <
        0) {
      return false;
    }
  }
  // Runs of neighbouring entries are selected in one call each.
  for (size_t i = 0; i < selected.size();) {
    size_t last = i;
    while (last + 1 < selected.size() && selected[last + 1] == selected[last] + 1) {
      ++last;
    }
    Send(LB_SELITEMRANGEEX, static_cast<WPARAM>(selected[i]), selected[last]);
    i = last + 1;
  }
  Send(LB_SETTOPINDEX, static_cast<WPARAM>(topIndex), 0);
  return true;
}

void DrawingListBox::Remove(const std::vector<int>& ascendingIndexes) {
  if (ascendingIndexes.empty()) {
    return;
  }
  size_t n = Count();
  if (RebuildIsCheaper(n, ascendingIndexes.size())) {
    Entries current = ReadAll();
    LRESULT top = Send(LB_GETTOPINDEX, 0, 0);
    size_t newTop =
        TopIndexAfterRemoval(n, static_cast<size_t>(std::max<LRESULT>(0, top)), ascendingIndexes);
    Refill(KeptEntries(current.views, ascendingIndexes), {}, static_cast<int>(newTop));
    return;
  }
  RedrawPaused paused(*this, ascendingIndexes.size());
  for (auto it = ascendingIndexes.rbegin(); it != ascendingIndexes.rend(); ++it) {
    Send(LB_DELETESTRING, static_cast<WPARAM>(*it), 0);
  }
}

void DrawingListBox::RemoveFirst(size_t count) {
  size_t n = Count();
  count = std::min(count, n);
  if (count == n) {
    Clear();
    return;
  }
  std::vector<int> first(count);
  for (size_t i = 0; i < count; ++i) {
    first[i] = static_cast<int>(i);
  }
  Remove(first);
}

void DrawingListBox::Clear() { Send(LB_RESETCONTENT, 0, 0); }

}  // namespace kavro::drawings
