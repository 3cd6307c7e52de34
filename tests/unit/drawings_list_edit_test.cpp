// What survives a rebuild of the list (selection, top entry), and the folder skip of the list's
// comparison.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drawings/drawing_list.h"
#include "drawings/list_edit.h"

namespace kavro::drawings {
namespace {

using Lines = std::vector<std::wstring>;

TEST(ListRebuild, OldEntriesAfterABatchAndTheTopEntryAfterARemoval) {
  struct Case {
    Lines list;
    Lines batch;  // sorted
  };
  const Case cases[] = {
      {{L"b", L"d", L"f"}, {L"a"}},                     // before all: everything moves
      {{L"b", L"d", L"f"}, {L"g", L"h"}},               // after all: the last entry stays
      {{L"b", L"d", L"f"}, {L"c", L"e", L"e2", L"z"}},  // between and after
      {{L"b", L"d", L"f"}, {L"B", L"d", L"F"}},         // equal entries go after the old ones
      {{L"a"}, {L"a", L"a", L"b"}},
  };
  FoldedCaseOrder order;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "batch of " << c.batch.size() << " before " << c.batch[0]);
    std::vector<std::wstring_view> views(c.list.begin(), c.list.end());
    std::vector<size_t> positions = FinalPositions(VectorListView(c.list), order, c.batch);
    std::vector<std::wstring_view> merged = Merged(views, c.batch, positions);
    for (size_t i = 0; i < views.size(); ++i) {
      size_t now = IndexAfterInsertion(positions, i);
      ASSERT_LT(now, merged.size());
      EXPECT_EQ(merged[now].data(), views[i].data()) << "old entry " << i;  // the same entry
    }
  }
  struct Removal {
    size_t top;
    std::vector<int> removed;
    Lines kept;
    size_t newTop;
  };
  const Lines list{L"0", L"1", L"2", L"3", L"4", L"5", L"6", L"7"};
  const Removal removals[] = {
      {4, {}, list, 4},
      {4, {0, 1}, {L"2", L"3", L"4", L"5", L"6", L"7"}, 2},     // all above the top
      {4, {5, 6}, {L"0", L"1", L"2", L"3", L"4", L"7"}, 4},     // all below
      {4, {3, 4, 5}, {L"0", L"1", L"2", L"6", L"7"}, 3},        // top inside the run: 6
      {4, {4}, {L"0", L"1", L"2", L"3", L"5", L"6", L"7"}, 4},  // the top itself: 5
      {6, {5, 6, 7}, {L"0", L"1", L"2", L"3", L"4"}, 4},        // nothing after: the last
      {0, {0, 1, 2, 3, 4, 5, 6, 7}, {}, 0},                     // everything
      {7, {0, 7}, {L"1", L"2", L"3", L"4", L"5", L"6"}, 5},     // the last entry at the top
  };
  std::vector<std::wstring_view> views(list.begin(), list.end());
  for (const Removal& c : removals) {
    SCOPED_TRACE(testing::Message() << "top " << c.top << ", " << c.removed.size() << " removed");
    std::vector<std::wstring_view> kept = KeptEntries(views, c.removed);
    EXPECT_EQ(Lines(kept.begin(), kept.end()), c.kept);
    EXPECT_EQ(TopIndexAfterRemoval(list.size(), c.top, c.removed), c.newTop);
  }
}

TEST(ListOrder, SharedFolderSkipStopsAtTheLastCommonSeparator) {
  struct Case {
    const wchar_t* a;
    const wchar_t* b;
    size_t skip;
  };
  const Case cases[] = {
      {L"C:\\a\\b.dwg", L"C:\\a\\c.dwg", 5},
      {L"C:\\a\\b", L"C:\\a\\bc", 5},  // "b" is a folder prefix of "bc", not a folder
      {L"C:\\a\\b\\x.dwg", L"C:\\a\\bc\\x.dwg", 5},
      {L"C:\\a\\b\\x.dwg", L"C:\\a\\b\\y.dwg", 7},
      {L"C:/a/b.dwg", L"C:/a/c.dwg", 5},
      {L"C:\\a/b\\x", L"C:\\a\\b\\x", 3},  // "/" and "\" are different characters
      {L"C:\\A\\x", L"C:\\a\\x", 3},       // letter case differs: not shared
      {L"C:\\a", L"C:\\a\\b", 3},
      {L"C:\\a\\", L"C:\\a\\", 5},  // equal, ending with a separator
      {L"ab.dwg", L"ab.dwg", 0},
      {L"", L"C:\\", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SharedFolderLength(c.a, c.b), c.skip) << "a=" << c.a << " b=" << c.b;
    EXPECT_EQ(SharedFolderLength(c.b, c.a), c.skip) << "swapped";
  }
}

}  // namespace
}  // namespace kavro::drawings
