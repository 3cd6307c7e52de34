// Drawing list files on the real main window, in code page 936: the bytes written, the reading
// rules, the messages, and a list kept whole through every failure.
#include "support/window_fixture.h"
#include "win/file_win.h"

namespace kavro::test {
namespace {

void Write(const std::wstring& path, const std::string& bytes) {
  ASSERT_TRUE(win::WriteFileReplacing(path, bytes).ok);
}

class DrawingFilesTest : public WindowFixture {
 protected:
  Lines Save(const std::wstring& path) {
    return Answered(C::xpcmdbutton10, DialogOutcome::Chosen, path);
  }
  Lines Load(const std::wstring& path) {
    return Answered(C::xpcmdbutton11, DialogOutcome::Chosen, path);
  }
  void Clear() { SendMessageW(List(), LB_RESETCONTENT, 0, 0); }
};

const Lines kCancelled{L"错误|保存文件被取消！"};
const Lines kBadFile{L"错误|数据文件格式有误或操作不当！"};
const char kTuZhi[] = "\xCD\xBC\xD6\xBD";  // 图纸 in code page 936

TEST_F(DrawingFilesTest, LoadReadsEveryLineSortedAndSaveWritesEachWithCrLf) {
  std::wstring in = folder_ + L"\\图纸列表.txt";
  Write(in, std::string("C:\\b.dwg\r\n\r\nC:\\") + kTuZhi + "\\a.dwg\rC:\\x\ny.dwg\r\n last ");
  EXPECT_TRUE(Load(in).empty());
  EXPECT_EQ(Entries(), (Lines{L"", L" last ", L"C:\\b.dwg", L"C:\\x\ny.dwg", L"C:\\图纸\\a.dwg"}));
  EXPECT_FALSE(services_.Script().requests.back().save);

  // Saved in list order, a line feed inside an entry kept.
  std::wstring out = folder_ + L"\\out.txt";
  EXPECT_TRUE(Save(out).empty());
  EXPECT_EQ(ReadBytes(out), std::string("\r\n last \r\nC:\\b.dwg\r\nC:\\x\ny.dwg\r\nC:\\") +
                                kTuZhi + "\\a.dwg\r\n");
  const FileDialogRequest& r = services_.Script().requests.back();
  EXPECT_TRUE(r.save);
  EXPECT_EQ(r.initialFileName, in);  // the dialog opens with the last file name

  Clear();
  EXPECT_TRUE(Save(out).empty());
  EXPECT_EQ(ReadBytes(out), "");  // an empty list, an empty file
}

TEST_F(DrawingFilesTest, SaveFailuresLeaveTheOldFileWhole) {
  std::wstring path = folder_ + L"\\old.txt";
  Write(path, "old\r\n");
  Add({L"C:\\a.dwg"});

  EXPECT_EQ(Answered(C::xpcmdbutton10, DialogOutcome::Cancelled), kCancelled);
  EXPECT_EQ(Answered(C::xpcmdbutton10, DialogOutcome::Failed), kBadFile);
  EXPECT_EQ(Save(folder_), kCancelled);  // a folder: access refused
  EXPECT_EQ(Save(folder_ + L"\\missing\\x.txt"), kBadFile);

  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(Save(path), kCancelled);
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadBytes(path), "old\r\n");

  // A character the code page cannot hold would be written as "?": refused.
  Add({L"C:\\\u0E01.dwg"});
  EXPECT_EQ(Save(path), kBadFile);
  EXPECT_EQ(ReadBytes(path), "old\r\n");

  EXPECT_EQ(FilesIn(folder_), Lines{L"old.txt"});  // nothing left beside it
}

TEST_F(DrawingFilesTest, LoadFailuresKeepTheList) {
  Add({L"C:\\keep.dwg"});
  const Lines cancelled{L"错误|读取文件被取消！"};
  EXPECT_EQ(Answered(C::xpcmdbutton11, DialogOutcome::Cancelled), cancelled);
  EXPECT_EQ(Load(folder_ + L"\\none.txt"), kBadFile);
  EXPECT_EQ(Load(folder_), cancelled);
  EXPECT_EQ(Answered(C::xpcmdbutton11, DialogOutcome::Failed), kBadFile);
  EXPECT_EQ(Entries(), Lines{L"C:\\keep.dwg"});
}

// The real save and open dialogs, a Chinese path typed into the name box.
TEST_F(DrawingFilesTest, SaveAndLoadThroughTheCommonDialogs) {
  std::wstring path = folder_ + L"\\工程图纸.txt";
  Add({L"D:\\工程\\二号楼.dwg", L"D:\\工程\\一号楼.dwg"});
  Lines before = Entries();
  std::vector<SeenDialog> seen = Click(C::xpcmdbutton10, {ChooseName(path)});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].title, L"保存列表文件");
  EXPECT_EQ(ReadBytes(path).size(), 2u * (18 + 2));  // two paths of 18 bytes, each with CR LF

  Clear();
  seen = Click(C::xpcmdbutton11, {ChooseName(path)});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].title, L"读取列表文件");
  EXPECT_EQ(Entries(), before);

  // A cancelled load says so and keeps the list.
  seen = Click(C::xpcmdbutton11, {Press(IDCANCEL)});
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].text, L"读取文件被取消！");
  EXPECT_EQ(Entries(), before);
  EXPECT_EQ(window_->CommonDialog4().fileName, path);

  // The dialog opens with the longer last name; the shorter choice comes back alone.
  std::wstring shorter = folder_ + L"\\a.txt";
  EXPECT_EQ(Click(C::xpcmdbutton10, {ChooseName(shorter)}).size(), 1u);
  EXPECT_EQ(window_->CommonDialog4().fileName, shorter);
  EXPECT_EQ(ReadBytes(shorter), ReadBytes(path));
}

}  // namespace
}  // namespace kavro::test
