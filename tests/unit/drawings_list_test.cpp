// The drawing list's rules apart from the list box: dialog results, the drop rule, where new
// entries go, and the list file's lines. (Duplicates are checked on the real list box.)
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "drawings/drawing_list.h"
#include "drawings/list_file.h"

namespace kavro::drawings {
namespace {

using Lines = std::vector<std::wstring>;

Lines MergedLines(const Lines& list, const EntryOrder& order, const Lines& sortedBatch) {
  std::vector<std::wstring_view> views(list.begin(), list.end());
  std::vector<std::wstring_view> merged =
      Merged(views, sortedBatch, FinalPositions(VectorListView(list), order, sortedBatch));
  return Lines(merged.begin(), merged.end());
}

Lines SplitListText(std::wstring_view text) {
  std::vector<std::wstring_view> lines = SplitListLines(text);
  return Lines(lines.begin(), lines.end());
}

TEST(DialogResult, OnePathOrFolderAndNames) {
  EXPECT_EQ(PathsFromDialogResult(L"C:\\a\\b.dwg"), Lines{L"C:\\a\\b.dwg"});
  std::wstring several(L"C:\\d\0x.dwg\0y.dwg", 16);
  EXPECT_EQ(PathsFromDialogResult(several), (Lines{L"C:\\d\\x.dwg", L"C:\\d\\y.dwg"}));
  // A drive root still gets its backslash; empty pieces are kept.
  std::wstring root(L"D:\\\0a.dwg\0\0b.dwg", 16);
  EXPECT_EQ(PathsFromDialogResult(root), (Lines{L"D:\\\\a.dwg", L"D:\\\\", L"D:\\\\b.dwg"}));
}

TEST(DropRule, FileListEndsAtAnEmptyPath) {
  EXPECT_EQ(PathsOfFileList(std::wstring(L"C:\\a.dwg\0D:\\b\0\0junk\0", 20)),
            (Lines{L"C:\\a.dwg", L"D:\\b"}));
  EXPECT_EQ(PathsOfFileList(std::wstring(L"\0\0", 2)), Lines{});
  EXPECT_EQ(PathsOfFileList(L"C:\\cut"), Lines{});  // no end within the block
}

TEST(DropRule, OnlyTheLastThreeCharactersExactly) {
  for (const wchar_t* path : {L"C:\\p\\a.dwg", L"C:\\p\\plandwg", L"dwg"}) {
    EXPECT_TRUE(EndsWithDwg(path));
  }
  for (const wchar_t* path : {L"C:\\p\\a.DWG", L"C:\\p\\a.Dwg", L"wg", L"C:\\p\\a.dwg.txt"}) {
    EXPECT_FALSE(EndsWithDwg(path));
  }
}

TEST(Order, BatchTakesItsAlphabeticalPlaceAfterEqualEntries) {
  FoldedCaseOrder order;
  Lines batch{L"d:\\b.dwg", L"D:\\A.dwg", L"d:\\a.dwg", L""};
  SortBatch(batch, order);
  EXPECT_EQ(batch, (Lines{L"", L"D:\\A.dwg", L"d:\\a.dwg", L"d:\\b.dwg"}));

  Lines list{L"D:\\a.dwg", L"D:\\c.dwg"};
  std::vector<size_t> positions = FinalPositions(VectorListView(list), order, batch);
  EXPECT_EQ(positions, (std::vector<size_t>{0, 2, 3, 4}));
  EXPECT_EQ(MergedLines(list, order, batch),
            (Lines{L"", L"D:\\a.dwg", L"D:\\A.dwg", L"d:\\a.dwg", L"d:\\b.dwg", L"D:\\c.dwg"}));
}

TEST(Order, MergeAgreesWithInsertingOneByOne) {
  FoldedCaseOrder order;
  Lines list;
  Lines batch;
  for (int i = 0; i < 300; ++i) {
    std::wstring name = L"p" + std::to_wstring((i * 7919) % 97);
    (i % 3 ? list : batch).push_back(i % 2 ? name : L"P" + name.substr(1));
  }
  SortBatch(list, order);
  SortBatch(batch, order);
  Lines oneByOne = list;
  for (const std::wstring& entry : batch) {
    size_t at = UpperBound(VectorListView(oneByOne), order, entry);
    oneByOne.insert(oneByOne.begin() + static_cast<std::ptrdiff_t>(at), entry);
  }
  EXPECT_EQ(MergedLines(list, order, batch), oneByOne);
}

TEST(Order, LargeBatchesSortedByKeysAsByComparison) {
  FoldedCaseOrder order;
  Lines batch;
  for (int i = 0; i < 1000; ++i) {
    std::wstring name = L"f" + std::to_wstring((i * 7919) % 331) + (i % 2 ? L"A" : L"a");
    batch.push_back(name);
  }
  Lines byComparison = batch;
  std::stable_sort(byComparison.begin(), byComparison.end(),
                   [&](const auto& a, const auto& b) { return order.Compare(a, b) < 0; });
  SortBatch(batch, order);
  EXPECT_EQ(batch, byComparison);
}

TEST(ListFile, LineEnds) {
  EXPECT_EQ(SplitListText(L""), Lines{});
  EXPECT_EQ(SplitListText(L"a\r\nb\r\n"), (Lines{L"a", L"b"}));
  EXPECT_EQ(SplitListText(L"a\r\nb"), (Lines{L"a", L"b"}));  // last line without an end
  EXPECT_EQ(SplitListText(L"a\rb\r"), (Lines{L"a", L"b"}));  // a CR alone ends a line
  EXPECT_EQ(SplitListText(L"a\nb\n"), (Lines{L"a\nb\n"}));   // an LF alone does not
  EXPECT_EQ(SplitListText(L"a\r\n\r\nb\r\n"), (Lines{L"a", L"", L"b"}));
  EXPECT_EQ(SplitListText(L"\r\n"), (Lines{L""}));
  EXPECT_EQ(SplitListText(L"a\r\r\n b \r\n"), (Lines{L"a", L"", L" b "}));
  EXPECT_EQ(SplitListText(L"a\n\rb"), (Lines{L"a\n", L"b"}));
}

TEST(ListFile, EveryEntryEndsWithCrLfAndReadsBack) {
  Lines entries{L"C:\\图纸\\a.dwg", L"", L" x "};
  std::wstring text;
  for (const std::wstring& entry : entries) {
    AppendListLine(text, entry);
  }
  EXPECT_EQ(text, L"C:\\图纸\\a.dwg\r\n\r\n x \r\n");
  EXPECT_EQ(SplitListText(text), entries);
}

}  // namespace
}  // namespace kavro::drawings
