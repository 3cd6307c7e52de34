// Drawing list files on the real main window, in code page 936: the bytes written, the reading
// rules, the messages, and a list kept whole through every failure.
#include <windows.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/main_window_win.h"
#include "drawings/drawings_actions_win.h"
#include "drawings_driver.h"
#include "win/file_win.h"

namespace kavro {
namespace {

using C = MainControl;
using Lines = std::vector<std::wstring>;

std::string BytesOf(const std::wstring& path) {
  std::string bytes;
  return win::ReadWholeFile(path, &bytes).ok ? bytes : "<missing>";
}
void Write(const std::wstring& path, const std::string& bytes) {
  ASSERT_TRUE(win::WriteFileReplacing(path, bytes).ok);
}

class DrawingFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetACP(), 936u);
    window_ = MainWindow::Create();
    auto dialogs = std::make_unique<test::ScriptedDialogs>();
    dialogs_ = dialogs.get();
    window_->SetDialogBackend(std::move(dialogs));
    window_->Show();
    folder_ = test::MakeTempFolder(L"列表");
  }
  void Add(const Lines& entries) {
    for (const std::wstring& entry : entries) {
      SendMessageW(window_->Item(C::List2), LB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(entry.c_str()));
    }
  }
  Lines Entries() const {
    Lines entries;
    for (size_t i = 0; i < drawings::Count(*window_); ++i) {
      entries.push_back(drawings::Entry(*window_, i));
    }
    return entries;
  }
  // Clicks `button` with the dialog answering `outcome`; returns the messages shown.
  Lines Click(C button, DialogOutcome outcome, const std::wstring& path = {}) {
    dialogs_->answers.push_back({outcome, path});
    Lines texts;
    for (const test::SeenDialog& seen :
         test::RunAnswering([&] { SendMessageW(window_->Item(button), BM_CLICK, 0, 0); })) {
      EXPECT_EQ(seen.title, L"错误");
      texts.push_back(seen.text);
    }
    return texts;
  }
  Lines Save(const std::wstring& path) {
    return Click(C::xpcmdbutton10, DialogOutcome::Chosen, path);
  }
  Lines Load(const std::wstring& path) {
    return Click(C::xpcmdbutton11, DialogOutcome::Chosen, path);
  }

  std::unique_ptr<MainWindow> window_;
  test::ScriptedDialogs* dialogs_ = nullptr;
  std::wstring folder_;
};

const char kTuZhi[] = "\xCD\xBC\xD6\xBD";  // 图纸 in code page 936

TEST_F(DrawingFilesTest, SaveWritesEachEntryAndCrLfInTheCodePage) {
  Add({L"C:\\图纸\\b.dwg", L"C:\\a.dwg", L""});
  std::wstring path = folder_ + L"\\图纸列表.txt";
  EXPECT_TRUE(Save(path).empty());
  EXPECT_EQ(BytesOf(path), std::string("\r\nC:\\a.dwg\r\nC:\\") + kTuZhi + "\\b.dwg\r\n");
  const FileDialogRequest& r = dialogs_->requests.back();
  EXPECT_TRUE(r.save);
  EXPECT_EQ(r.title, L"保存列表文件");
  EXPECT_EQ(r.filter, L"列表文件(*.txt)|*.txt|所有文件（*.*)|*.*");
  EXPECT_EQ(r.maxFileSize, 260u);

  // Loading it back gives the same list; the dialog opened with the last file name.
  SendMessageW(window_->Item(C::List2), LB_RESETCONTENT, 0, 0);
  EXPECT_TRUE(Load(path).empty());
  EXPECT_EQ(Entries(), (Lines{L"", L"C:\\a.dwg", L"C:\\图纸\\b.dwg"}));
  EXPECT_FALSE(dialogs_->requests.back().save);
  EXPECT_EQ(dialogs_->requests.back().title, L"读取列表文件");
  EXPECT_EQ(dialogs_->requests.back().initialFileName, path);

  SendMessageW(window_->Item(C::List2), LB_RESETCONTENT, 0, 0);
  EXPECT_TRUE(Save(path).empty());
  EXPECT_EQ(BytesOf(path), "");  // an empty list, an empty file
}

TEST_F(DrawingFilesTest, LoadReadsEveryLineAndSortsIt) {
  std::wstring path = folder_ + L"\\in.txt";
  Write(path, std::string("C:\\b.dwg\r\n\r\nC:\\") + kTuZhi + "\\a.dwg\rC:\\x\ny.dwg\r\n last ");
  EXPECT_TRUE(Load(path).empty());
  EXPECT_EQ(Entries(), (Lines{L"", L" last ", L"C:\\b.dwg", L"C:\\x\ny.dwg", L"C:\\图纸\\a.dwg"}));
  // Saved again in list order, a line feed inside an entry kept.
  std::wstring out = folder_ + L"\\out.txt";
  EXPECT_TRUE(Save(out).empty());
  EXPECT_EQ(BytesOf(out), std::string("\r\n last \r\nC:\\b.dwg\r\nC:\\x\ny.dwg\r\nC:\\") + kTuZhi +
                              "\\a.dwg\r\n");
}

TEST_F(DrawingFilesTest, SaveFailuresLeaveTheOldFileWhole) {
  std::wstring path = folder_ + L"\\old.txt";
  Write(path, "old\r\n");
  Add({L"C:\\a.dwg"});

  EXPECT_EQ(Click(C::xpcmdbutton10, DialogOutcome::Cancelled), Lines{L"保存文件被取消！"});
  EXPECT_EQ(Click(C::xpcmdbutton10, DialogOutcome::Failed), Lines{L"数据文件格式有误或操作不当！"});
  EXPECT_EQ(Save(folder_), Lines{L"保存文件被取消！"});  // a folder: access refused
  EXPECT_EQ(Save(folder_ + L"\\missing\\x.txt"), Lines{L"数据文件格式有误或操作不当！"});

  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(Save(path), Lines{L"保存文件被取消！"});
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(BytesOf(path), "old\r\n");

  // A character the code page cannot hold would be written as "?": refused.
  Add({L"C:\\\u0E01.dwg"});
  EXPECT_EQ(Save(path), Lines{L"数据文件格式有误或操作不当！"});
  EXPECT_EQ(BytesOf(path), "old\r\n");

  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((folder_ + L"\\*.kavro-tmp").c_str(), &found);
  EXPECT_EQ(search, INVALID_HANDLE_VALUE);  // nothing left beside it
  if (search != INVALID_HANDLE_VALUE) {
    FindClose(search);
  }
}

TEST_F(DrawingFilesTest, LoadFailuresKeepTheList) {
  Add({L"C:\\keep.dwg"});
  EXPECT_EQ(Click(C::xpcmdbutton11, DialogOutcome::Cancelled), Lines{L"读取文件被取消！"});
  EXPECT_EQ(Load(folder_ + L"\\none.txt"), Lines{L"数据文件格式有误或操作不当！"});
  EXPECT_EQ(Load(folder_), Lines{L"读取文件被取消！"});
  EXPECT_EQ(Click(C::xpcmdbutton11, DialogOutcome::Failed), Lines{L"数据文件格式有误或操作不当！"});
  EXPECT_EQ(Entries(), Lines{L"C:\\keep.dwg"});
}

// The real save and open dialogs, a Chinese path typed into the name box.
TEST(DrawingFilesRealDialog, SaveAndLoadThroughTheCommonDialogs) {
  auto window = MainWindow::Create();
  window->Show();
  std::wstring folder = test::MakeTempFolder(L"图纸列表");
  std::wstring path = folder + L"\\工程图纸.txt";
  HWND list = window->Item(C::List2);
  for (const wchar_t* entry : {L"D:\\工程\\二号楼.dwg", L"D:\\工程\\一号楼.dwg"}) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
  }
  Lines before{drawings::Entry(*window, 0), drawings::Entry(*window, 1)};

  auto click = [&](C button) {
    return [&, button] { SendMessageW(window->Item(button), BM_CLICK, 0, 0); };
  };
  std::vector<test::SeenDialog> seen =
      test::RunAnswering(click(C::xpcmdbutton10), {test::ChooseName(path)});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].title, L"保存列表文件");
  EXPECT_EQ(BytesOf(path).size(), 2u * (18 + 2));  // two paths of 18 bytes, each with CR LF

  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  seen = test::RunAnswering(click(C::xpcmdbutton11), {test::ChooseName(path)});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].title, L"读取列表文件");
  ASSERT_EQ(drawings::Count(*window), 2u);
  EXPECT_EQ((Lines{drawings::Entry(*window, 0), drawings::Entry(*window, 1)}), before);

  // A cancelled load says so and keeps the list.
  seen = test::RunAnswering(click(C::xpcmdbutton11), {test::Press(IDCANCEL)});
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].text, L"读取文件被取消！");
  EXPECT_EQ(drawings::Count(*window), 2u);
  EXPECT_EQ(window->CommonDialog4().fileName, path);

  // The dialog opens with the longer last name; the shorter choice comes back alone.
  std::wstring shorter = folder + L"\\a.txt";
  seen = test::RunAnswering(click(C::xpcmdbutton10), {test::ChooseName(shorter)});
  EXPECT_EQ(seen.size(), 1u);
  EXPECT_EQ(window->CommonDialog4().fileName, shorter);
  EXPECT_EQ(BytesOf(shorter), BytesOf(path));
}

}  // namespace
}  // namespace kavro
