// The drawing list on the real main window: adding through the dialog seam, the list box's order,
// deleting, and the access the runs use.
#include <windows.h>
#include <gtest/gtest.h>

#include <random>

#include "app/main_window_win.h"
#include "drawings/drawings_actions_win.h"
#include "drawings/list_box_win.h"
#include "drawings_driver.h"
#include "win/text_win.h"

namespace kavro {
namespace {

using C = MainControl;
using Lines = std::vector<std::wstring>;

class DrawingListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = MainWindow::Create();
    auto dialogs = std::make_unique<test::ScriptedDialogs>();
    dialogs_ = dialogs.get();
    window_->SetDialogBackend(std::move(dialogs));
    window_->Show();
    test::PumpPending();
  }
  HWND List() const { return window_->Item(C::List2); }
  Lines Entries() const {
    Lines entries;
    for (size_t i = 0; i < drawings::Count(*window_); ++i) {
      entries.push_back(drawings::Entry(*window_, i));
    }
    return entries;
  }
  std::vector<test::SeenDialog> Click(C button) {
    return test::RunAnswering([&] { SendMessageW(window_->Item(button), BM_CLICK, 0, 0); });
  }
  void Choose(const std::wstring& result) {
    dialogs_->answers.push_back({DialogOutcome::Chosen, result});
  }

  std::unique_ptr<MainWindow> window_;
  test::ScriptedDialogs* dialogs_ = nullptr;
};

TEST_F(DrawingListTest, AddFilesRefusesExactDuplicatesAndKeepsAlphabeticalOrder) {
  Choose(L"C:\\d\\b.dwg");
  EXPECT_TRUE(Click(C::xpcmdbutton6).empty());
  Choose(L"C:\\d\\b.dwg");  // already there: nothing, no message
  EXPECT_TRUE(Click(C::xpcmdbutton6).empty());
  Choose(std::wstring(L"C:\\d\0c.dwg\0b.dwg\0B.dwg\0a.dwg\0c.dwg", 34));
  EXPECT_TRUE(Click(C::xpcmdbutton6).empty());
  EXPECT_EQ(Entries(), (Lines{L"C:\\d\\a.dwg", L"C:\\d\\b.dwg", L"C:\\d\\B.dwg", L"C:\\d\\c.dwg"}));

  ASSERT_EQ(dialogs_->requests.size(), 3u);
  const FileDialogRequest& r = dialogs_->requests[2];
  EXPECT_FALSE(r.save);
  EXPECT_EQ(r.title, L"Select File(s)...");
  EXPECT_EQ(r.flags, 0x80204u);
  EXPECT_EQ(r.filter, L"图形 (*.dwg)|*.dwg");
  EXPECT_EQ(r.initialFileName, L"");
  EXPECT_EQ(r.maxFileSize, 32000u);
  EXPECT_TRUE(window_->CommonDialog1().cancelError);
  // The result stays in the control for the next user of CommonDialog1.
  EXPECT_EQ(window_->CommonDialog1().fileName.size(), 34u);
}

TEST_F(DrawingListTest, CancelOrFailureShowsTheMessageAndLeavesTheList) {
  Choose(L"C:\\x.dwg");
  Click(C::xpcmdbutton6);
  dialogs_->answers.push_back({DialogOutcome::Cancelled, {}});
  dialogs_->answers.push_back({DialogOutcome::Failed, {}});
  for (int i = 0; i < 2; ++i) {
    std::vector<test::SeenDialog> seen = Click(C::xpcmdbutton6);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, L"错误");
    EXPECT_EQ(seen[0].text, L"请选择文件！");
    EXPECT_EQ(Entries(), Lines{L"C:\\x.dwg"});
  }
}

TEST_F(DrawingListTest, OrderIsTheListBoxOwnComparison) {
  // The comparison that skips shared folders, against the list box's own on paths sharing
  // folders, with the characters a linguistic order treats specially.
  LCID locale = static_cast<LCID>(SendMessageW(List(), LB_GETLOCALE, 0, 0));
  drawings::ListBoxOrder order(locale);
  const wchar_t* parts[] = {L"a", L"B", L"-", L"'",  L" ",     L"1",    L"10", L"图", L"纸", L"é",
                            L"E", L"_", L".", L"\\", L"co-op", L"coop", L"Ä",  L"ss", L"ß"};
  std::mt19937 rng(7);
  auto randomPath = [&] {
    std::wstring path = L"D:\\项目\\";
    int n = 1 + static_cast<int>(rng() % 6);
    for (int i = 0; i < n; ++i) {
      path += parts[rng() % std::size(parts)];
    }
    return path;
  };
  for (int i = 0; i < 3000; ++i) {
    std::wstring a = randomPath();
    std::wstring b = rng() % 2 ? a + randomPath().substr(6) : randomPath();
    int expected = CompareStringW(locale, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) - 2;
    ASSERT_EQ(order.Compare(a, b), expected) << win::ToUtf8(a) << " | " << win::ToUtf8(b);
    // Large batches are sorted by sort keys: they must agree.
    int byKeys = order.SortKey(a).compare(order.SortKey(b));
    ASSERT_EQ((byKeys > 0) - (byKeys < 0), expected) << win::ToUtf8(a) << " | " << win::ToUtf8(b);
  }
}

TEST_F(DrawingListTest, LargeBatchesKeepOrderSelectionAndRunAccess) {
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
  EXPECT_EQ(drawings::Count(*window_), 45000u);
  std::vector<int> selected = list.SelectedIndexes();
  ASSERT_EQ(selected.size(), 2u);
  EXPECT_EQ(list.At(static_cast<size_t>(selected[0])), L"E:\\set\\100005.dwg");
  EXPECT_EQ(list.At(static_cast<size_t>(selected[1])), L"E:\\set\\139999.dwg");
  Lines entries = Entries();
  for (size_t i = 1; i < entries.size(); ++i) {
    ASSERT_LE(list.Order().Compare(entries[i - 1], entries[i]), 0) << i;
  }

  // The run takes entries from the front.
  drawings::RemoveFirst(*window_, 3);
  EXPECT_EQ(drawings::Entry(*window_, 0), L"E:\\set\\100002.dwg");
  drawings::RemoveFirst(*window_, 40000);
  EXPECT_EQ(drawings::Count(*window_), 4997u);
  EXPECT_EQ(drawings::Entry(*window_, 0), entries[40003]);
  drawings::RemoveFirst(*window_, 10000);
  EXPECT_EQ(drawings::Count(*window_), 0u);
}

TEST_F(DrawingListTest, DeleteSelectedAllAndDoubleClick) {
  drawings::DrawingListBox list(List());
  ASSERT_TRUE(list.Replace({L"a", L"b", L"c", L"d", L"e"}));
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
  PostMessageW(List(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(List(), WM_LBUTTONUP, 0, at);
  PostMessageW(List(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  PostMessageW(List(), WM_LBUTTONUP, 0, at);
  test::PumpUntil([&] { return Entries().size() == 2; }, 3000);
  EXPECT_EQ(Entries(), (Lines{L"a", L"c"}));

  EXPECT_TRUE(Click(C::xpcmdbutton8).empty());
  EXPECT_TRUE(Entries().empty());
  EXPECT_TRUE(Click(C::xpcmdbutton8).empty());  // on an empty list too
}

// The real common dialog, driven by a watcher: one file, several files, a cancel.
TEST(DrawingListRealDialog, AddThroughTheCommonDialog) {
  auto window = MainWindow::Create();
  window->Show();
  std::wstring folder = test::MakeTempFolder(L"图纸");
  for (const wchar_t* name : {L"b.dwg", L"a.dwg", L"c.dwg"}) {
    CloseHandle(CreateFileW((folder + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, 0, nullptr));
  }
  HWND add = window->Item(C::xpcmdbutton6);
  auto click = [&] { SendMessageW(add, BM_CLICK, 0, 0); };

  std::vector<test::SeenDialog> seen =
      test::RunAnswering(click, {test::ChooseName(folder + L"\\b.dwg")});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].title, L"Select File(s)...");
  ASSERT_EQ(drawings::Count(*window), 1u);
  EXPECT_EQ(drawings::Entry(*window, 0), folder + L"\\b.dwg");

  // Several names, quoted, in the folder the dialog opens in.
  SetCurrentDirectoryW(folder.c_str());
  seen = test::RunAnswering(click, {test::ChooseName(L"\"c.dwg\" \"a.dwg\" \"b.dwg\"")});
  ASSERT_EQ(seen.size(), 1u);
  ASSERT_EQ(drawings::Count(*window), 3u);
  EXPECT_EQ(drawings::Entry(*window, 0), folder + L"\\a.dwg");
  EXPECT_EQ(drawings::Entry(*window, 1), folder + L"\\b.dwg");
  EXPECT_EQ(drawings::Entry(*window, 2), folder + L"\\c.dwg");

  seen = test::RunAnswering(click, {test::Press(IDCANCEL)});
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].title, L"错误");
  EXPECT_EQ(seen[1].text, L"请选择文件！");
  EXPECT_EQ(drawings::Count(*window), 3u);
}

}  // namespace
}  // namespace kavro
