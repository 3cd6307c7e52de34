// The drawing list's rules apart from the list box: dialog results, the drop rule, where new
// entries go, and the list file's lines. (Duplicates are checked on the real list box.)
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "drawings/drawing_list.h"
#include "drawings/folder_search.h"
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

// A dropped file list ends at an empty path: a list without one is not trusted. (The drawing rule
// and the list's reading, and an open dialog's result, are the dropped names fuzz target's to
// check; a full-width "ｄｗｇ" is no drawing.)
TEST(DropRule, FileListAndTheLastThreeCharacters) {
  EXPECT_EQ(PathsOfFileList(std::wstring(L"C:\\a.dwg\0D:\\b\0\0junk\0", 20)),
            (Lines{L"C:\\a.dwg", L"D:\\b"}));
  EXPECT_EQ(PathsOfFileList(std::wstring(L"\0\0", 2)), Lines{});
  EXPECT_EQ(PathsOfFileList(L"C:\\cut"), Lines{});  // no end within the block
  EXPECT_FALSE(EndsWithDwg(L"a.ｄｗｇ") || EndsWithDwg(L"wg"));
  // One path stays whole; a drive root still gets its backslash; empty pieces are kept.
  EXPECT_EQ(PathsFromDialogResult(L"C:\\a\\b.dwg"), Lines{L"C:\\a\\b.dwg"});
  EXPECT_EQ(PathsFromDialogResult(std::wstring(L"D:\\\0a.dwg\0\0b.dwg", 16)),
            (Lines{L"D:\\\\a.dwg", L"D:\\\\", L"D:\\\\b.dwg"}));
}

// A tree in memory: each folder's entries as the file system would list them.
class FakeFolders : public FolderReader {
 public:
  std::map<std::wstring, std::vector<FolderEntry>> folders;
  std::vector<std::wstring> unreadable;
  std::vector<std::wstring> listed;  // the folders read, in order

  bool IsFolder(const std::wstring& path) override { return folders.count(path) > 0; }
  bool List(const std::wstring& folder, std::vector<FolderEntry>& entries) override {
    listed.push_back(folder);
    if (std::find(unreadable.begin(), unreadable.end(), folder) != unreadable.end()) return false;
    entries = folders.at(folder);
    return true;
  }
};

FolderEntry File(const wchar_t* name) { return {name}; }
FolderEntry Folder(const wchar_t* name, bool hidden = false, bool system = false,
                   bool link = false) {
  return {name, true, hidden, system, link};
}

TEST(FolderSearch, EveryDrawingUnderTheFoldersInListOrder) {
  FakeFolders disk;
  disk.folders = {
      {L"D:\\工程",
       {File(L"z.dwg"), Folder(L"结施"), File(L"说明.txt"), Folder(L"建施"), File(L"A.DWG")}},
      {L"D:\\工程\\结施", {File(L"s1.Dwg"), Folder(L"旧"), File(L"s1.dwg.bak")}},
      {L"D:\\工程\\结施\\旧", {File(L"old.dwg")}},
      {L"D:\\工程\\建施",
       {File(L"j1.dwg"), Folder(L".svn", true), Folder(L"系统", false, true),
        Folder(L"回环", false, false, true), Folder(L"锁住"), Folder(L"空")}},
      {L"D:\\工程\\建施\\.svn", {File(L"hidden.dwg")}},
      {L"D:\\工程\\建施\\系统", {File(L"system.dwg")}},
      {L"D:\\工程\\建施\\回环", {File(L"loop.dwg"), Folder(L"回环", false, false, true)}},
      {L"D:\\工程\\建施\\锁住", {File(L"locked.dwg")}},
      {L"D:\\工程\\建施\\空", {}},
      {L"E:\\", {File(L"root.dwg")}},
  };
  disk.unreadable = {L"D:\\工程\\建施\\锁住"};
  FoldedCaseOrder order;
  // Two folders, a drive root and files in one drop; the files as the drop rule says, unchecked.
  Lines found = DrawingsOfPaths(
      disk, {L"D:\\工程", L"C:\\p\\B.DWG", L"E:\\", L"C:\\p\\notes.txt", L"D:\\工程\\建施"}, order);
  EXPECT_EQ(found,
            (Lines{L"C:\\p\\B.DWG", L"D:\\工程\\A.DWG", L"D:\\工程\\z.dwg",
                   L"D:\\工程\\建施\\j1.dwg", L"D:\\工程\\建施\\j1.dwg", L"D:\\工程\\结施\\s1.Dwg",
                   L"D:\\工程\\结施\\旧\\old.dwg", L"E:\\root.dwg"}));
  // Folder by folder in the order listed; hidden, system and linked folders are never read.
  EXPECT_EQ(disk.listed,
            (Lines{L"D:\\工程", L"D:\\工程\\结施", L"D:\\工程\\结施\\旧", L"D:\\工程\\建施",
                   L"D:\\工程\\建施\\锁住", L"D:\\工程\\建施\\空", L"E:\\", L"D:\\工程\\建施",
                   L"D:\\工程\\建施\\锁住", L"D:\\工程\\建施\\空"}));
  EXPECT_EQ(DrawingsOfPaths(disk, {L"D:\\工程\\建施\\锁住", L"C:\\a.txt"}, order), Lines{});
}

TEST(Order, BatchesTakeTheirAlphabeticalPlaceAndSortByKeys) {
  FoldedCaseOrder order;
  Lines batch{L"d:\\b.dwg", L"D:\\A.dwg", L"d:\\a.dwg", L""};
  SortBatch(batch, order);
  EXPECT_EQ(batch, (Lines{L"", L"D:\\A.dwg", L"d:\\a.dwg", L"d:\\b.dwg"}));
  EXPECT_EQ(MergedLines({L"D:\\a.dwg", L"D:\\c.dwg"}, order, batch),
            (Lines{L"", L"D:\\a.dwg", L"D:\\A.dwg", L"d:\\a.dwg", L"d:\\b.dwg", L"D:\\c.dwg"}));
  EXPECT_EQ(UpperBound(VectorListView(batch), order, L"D:\\a.DWG"), 3u);
  // A large batch, of entries that differ only in letter case, is sorted by keys as by comparisons.
  // (Merging it into the list is the dropped names fuzz target's to check.)
  Lines large;
  for (int i = 0; i < 1000; ++i)
    large.push_back(L"f" + std::to_wstring((i * 7919) % 331) + (i % 2 ? L"A" : L"a"));
  Lines byComparison = large;
  std::stable_sort(byComparison.begin(), byComparison.end(),
                   [&](const auto& a, const auto& b) { return order.Compare(a, b) < 0; });
  SortBatch(large, order);
  EXPECT_EQ(large, byComparison);
}

// CR LF or a lone CR ends a line, a lone LF does not, the last line needs no end. The list box's
// entries are the lines up to their first NUL, each ended by a NUL where it stands.
TEST(ListFile, LinesAndEntries) {
  struct Case {
    std::wstring text;
    Lines lines;
  };
  const Case cases[] = {
      {L"", {}},
      {L"a\r\nb\r\n", {L"a", L"b"}},
      {L"a\r\nb", {L"a", L"b"}},
      {L"a\rb\r", {L"a", L"b"}},
      {L"a\nb\n", {L"a\nb\n"}},
      {L"a\r\n\r\nb\r\n", {L"a", L"", L"b"}},
      {L"\r\n", {L""}},
      {L"a\r\r\n b \r\n", {L"a", L"", L" b "}},
      {L"a\n\rb", {L"a\n", L"b"}},
      {std::wstring(L"a\0junk\r\nb\0", 10), {std::wstring(L"a\0junk", 6), std::wstring(L"b\0", 2)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    std::vector<std::wstring_view> lines = SplitListLines(c.text);
    EXPECT_EQ(Lines(lines.begin(), lines.end()), c.lines);
    // Where each entry stands and its NUL are the list file fuzz target's to check.
    std::wstring held = c.text;
    std::vector<std::wstring_view> entries = EntriesOfListText(held);
    ASSERT_EQ(entries.size(), c.lines.size());
    for (size_t i = 0; i < entries.size(); ++i) {
      EXPECT_EQ(entries[i], c.lines[i].substr(0, c.lines[i].find(L'\0')));
    }
  }
  std::wstring text;
  for (const wchar_t* entry : {L"C:\\图纸\\a.dwg", L"", L" x "}) AppendListLine(text, entry);
  EXPECT_EQ(text, L"C:\\图纸\\a.dwg\r\n\r\n x \r\n");
}

TEST(ListFile, MessageOfEachOutcome) {
  using O = ListFileOutcome;
  EXPECT_EQ(MessageOf(ListFileAction::Save, O::Done), nullptr);
  EXPECT_EQ(MessageOf(ListFileAction::Load, O::Done), nullptr);
  for (O refused : {O::DialogCancelled, O::AccessRefused}) {
    EXPECT_EQ(MessageOf(ListFileAction::Save, refused), kSaveCancelledMessage);
    EXPECT_EQ(MessageOf(ListFileAction::Load, refused), kLoadCancelledMessage);
  }
  for (O failed : {O::DialogFailed, O::Unmappable, O::FileError, O::ListRefused}) {
    EXPECT_EQ(MessageOf(ListFileAction::Save, failed), kBadDataMessage);
    EXPECT_EQ(MessageOf(ListFileAction::Load, failed), kBadDataMessage);
  }
}

}  // namespace
}  // namespace kavro::drawings
