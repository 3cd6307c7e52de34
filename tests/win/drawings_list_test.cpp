// The drawing list on the real main window: adding through the dialog, the list box's order,
// deleting, and the access the runs use.
#include <random>

#include "drawings/list_box_win.h"
#include "support/window_fixture.h"
#include "win/text_win.h"

namespace kavro::test {
namespace {

using DrawingListTest = WindowFixture;

TEST_F(DrawingListTest, AddFilesRefusesExactDuplicatesAndKeepsAlphabeticalOrder) {
  // The second time already there: nothing, no message.
  for (const std::wstring& chosen :
       {std::wstring(L"C:\\d\\b.dwg"), std::wstring(L"C:\\d\\b.dwg"),
        std::wstring(L"C:\\d\0c.dwg\0b.dwg\0B.dwg\0a.dwg\0c.dwg", 34)}) {
    EXPECT_TRUE(Answered(C::xpcmdbutton6, DialogOutcome::Chosen, chosen).empty());
  }
  EXPECT_EQ(Entries(), (Lines{L"C:\\d\\a.dwg", L"C:\\d\\b.dwg", L"C:\\d\\B.dwg", L"C:\\d\\c.dwg"}));
  EXPECT_FALSE(services_.Script().requests.at(2).save);
  EXPECT_TRUE(window_->CommonDialog1().cancelError);
  // The result stays in the control for the next user of CommonDialog1.
  EXPECT_EQ(window_->CommonDialog1().fileName.size(), 34u);

  // A cancel or a failure says so and leaves the list.
  for (DialogOutcome outcome : {DialogOutcome::Cancelled, DialogOutcome::Failed}) {
    EXPECT_EQ(Answered(C::xpcmdbutton6, outcome), Lines{L"错误|请选择文件！"});
  }
  EXPECT_EQ(Entries().size(), 4u);
}

TEST_F(DrawingListTest, OrderIsTheListBoxOwnComparison) {
  // The comparison that skips shared folders, and the sort keys large batches are sorted by,
  // against the list box's own on paths sharing folders, with characters a linguistic order
  // treats specially.
  LCID locale = static_cast<LCID>(SendMessageW(List(), LB_GETLOCALE, 0, 0));
  drawings::ListBoxOrder order(locale);
  const wchar_t* parts[] = {L"a", L"B", L"-", L"'",  L" ",     L"1",    L"10", L"图", L"纸", L"é",
                            L"E", L"_", L".", L"\\", L"co-op", L"coop", L"Ä",  L"ss", L"ß"};
  std::mt19937 rng(7);
  auto randomPath = [&] {
    std::wstring path = L"D:\\项目\\";
    for (int n = 1 + static_cast<int>(rng() % 6); n > 0; --n) {
      path += parts[rng() % std::size(parts)];
    }
    return path;
  };
  for (int i = 0; i < 3000; ++i) {
    std::wstring a = randomPath();
    std::wstring b = rng() % 2 ? a + randomPath().substr(6) : randomPath();
    int expected = CompareStringW(locale, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) - 2;
    int byKeys = order.SortKey(a).compare(order.SortKey(b));
    ASSERT_EQ(order.Compare(a, b), expected) << win::ToUtf8(a) << " | " << win::ToUtf8(b);
    ASSERT_EQ((byKeys > 0) - (byKeys < 0), expected) << win::ToUtf8(a) << " | " << win::ToUtf8(b);
  }
}

TEST_F(DrawingListTest, LargeListsKeepOrderSelectionAndRunAccess) {
  // Over 32767 entries: nothing stops at a 16-bit count.
  Lines many;
  for (int i = 0; i < 40000; ++i) {
    many.push_back(L"E:\\set\\" + std::to_wstring(100000 + i) + L".dwg");
  }
  drawings::DrawingListBox list(List());
  ASSERT_TRUE(list.Replace(std::vector<std::wstring_view>(many.begin(), many.end())));
  SendMessageW(List(), LB_SETSEL, TRUE, 39999);
  SendMessageW(List(), LB_SETSEL, TRUE, 5);

  // A big batch is merged by refilling the box; the selection stays on the same entries.
  Lines batch;
  for (int i = 0; i < 5000; ++i) {
    batch.push_back(L"E:\\set\\" + std::to_wstring(100000 + i * 8) + L"a.dwg");
  }
  drawings::SortBatch(batch, list.Order());
  ASSERT_TRUE(list.InsertSorted(batch));
  EXPECT_EQ(list.Count(), 45000u);
  std::vector<int> selected = list.SelectedIndexes();
  ASSERT_EQ(selected.size(), 2u);
  EXPECT_EQ(list.At(static_cast<size_t>(selected[0])), L"E:\\set\\100005.dwg");
  EXPECT_EQ(list.At(static_cast<size_t>(selected[1])), L"E:\\set\\139999.dwg");
  Lines entries = Entries();
  for (size_t i = 1; i < entries.size(); ++i) {
    ASSERT_LE(list.Order().Compare(entries[i - 1], entries[i]), 0) << i;
  }

  // The run takes entries from the front.
  list.RemoveFirst(3);
  EXPECT_EQ(list.At(0), L"E:\\set\\100002.dwg");
  list.RemoveFirst(40000);
  EXPECT_EQ(list.At(0), entries[40003]);
  ASSERT_EQ(list.Count(), 4997u);

  // Deleting a large selection: every second entry, selected straight through the list box's
  // own procedure (past the subclasses, each a server round trip under Wine), painting off.
  auto procedure = reinterpret_cast<WNDPROC>(GetClassLongPtrW(List(), GCLP_WNDPROC));
  CallWindowProcW(procedure, List(), WM_SETREDRAW, FALSE, 0);
  CallWindowProcW(procedure, List(), LB_SETSEL, FALSE, -1);
  for (int i = 0; i < 4997; i += 2) CallWindowProcW(procedure, List(), LB_SETSEL, TRUE, i);
  CallWindowProcW(procedure, List(), WM_SETREDRAW, TRUE, 0);
  EXPECT_TRUE(Click(C::xpcmdbutton9).empty());
  ASSERT_EQ(list.Count(), 2498u);
  EXPECT_EQ(list.At(0), entries[40004]);
  list.RemoveFirst(10000);
  EXPECT_EQ(list.Count(), 0u);
}

TEST_F(DrawingListTest, DeleteSelectedAllAndDoubleClick) {
  Add({L"a", L"b", L"c", L"d", L"e"});
  EXPECT_TRUE(Click(C::xpcmdbutton9).empty());  // nothing selected: nothing happens
  EXPECT_EQ(Entries().size(), 5u);
  SendMessageW(List(), LB_SETSEL, TRUE, 1);
  SendMessageW(List(), LB_SETSEL, TRUE, 3);
  EXPECT_TRUE(Click(C::xpcmdbutton9).empty());
  EXPECT_EQ(Entries(), (Lines{L"a", L"c", L"e"}));

  // A plain double-click selects the entry under the pointer alone and removes it.
  SendMessageW(List(), LB_SETSEL, TRUE, 0);
  RECT item{};
  SendMessageW(List(), LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
  LPARAM at = MAKELPARAM(item.left + 5, (item.top + item.bottom) / 2);
  for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) {
    PostMessageW(List(), message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, at);
  }
  PumpUntil([&] { return Entries().size() == 2; }, 3000);
  EXPECT_EQ(Entries(), (Lines{L"a", L"c"}));

  EXPECT_TRUE(Click(C::xpcmdbutton8).empty());
  EXPECT_TRUE(Entries().empty());
  EXPECT_TRUE(Click(C::xpcmdbutton8).empty());  // on an empty list too
}

// The real common dialog, driven by a watcher: one file, several files, a cancel.
TEST_F(DrawingListTest, AddThroughTheCommonDialog) {
  std::wstring folder = MakeTempFolder(L"图纸");
  for (const wchar_t* name : {L"b.dwg", L"a.dwg", L"c.dwg"}) MakeDrawing(folder, name);
  std::vector<SeenDialog> seen = Click(C::xpcmdbutton6, {ChooseName(folder + L"\\b.dwg")});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].title, L"Select File(s)...");
  EXPECT_EQ(Entries(), Lines{folder + L"\\b.dwg"});

  // Several names, quoted, in the folder the dialog opens in; one already present.
  SetCurrentDirectoryW(folder.c_str());
  EXPECT_EQ(Click(C::xpcmdbutton6, {ChooseName(L"\"c.dwg\" \"a.dwg\" \"b.dwg\"")}).size(), 1u);
  EXPECT_EQ(Entries(), (Lines{folder + L"\\a.dwg", folder + L"\\b.dwg", folder + L"\\c.dwg"}));

  seen = Click(C::xpcmdbutton6, {Press(IDCANCEL)});
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].text, L"请选择文件！");
  EXPECT_EQ(Entries().size(), 3u);
}

}  // namespace
}  // namespace kavro::test
