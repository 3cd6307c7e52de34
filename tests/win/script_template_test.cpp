// Script template files under Wine with code page 936: the bytes on disk, the dialog control shared
// with the add-files action, cancels, and the failed saves that must be reported.
#include "support/window_fixture.h"
#include "win/file_win.h"

namespace kavro::test {

class ScriptTemplateTest : public WindowFixture {
 protected:
  void Run(C button, DialogOutcome outcome, const std::wstring& path = L"") {
    for (const std::wstring& box : Answered(button, outcome, path)) boxes_.push_back(box);
  }
  void Save(const std::wstring& path) { Run(C::xpcmdbutton1, DialogOutcome::Chosen, path); }
  void Load(const std::wstring& path) { Run(C::xpcmdbutton5, DialogOutcome::Chosen, path); }
  std::wstring Template() { return window_->ItemText(C::Text1); }
  void SetTemplate(const std::wstring& text) { window_->SetItemText(C::Text1, text); }

  Lines boxes_;
};

namespace {

TEST_F(ScriptTemplateTest, SaveAndLoadKeepTheTextExactlyAndTheAddFilesSettings) {
  FileDialogControl& dialog = window_->CommonDialog1();  // as an add-files action leaves it
  dialog.flags = 0x80204;
  dialog.cancelError = true;
  dialog.fileName = L"C:\\图纸\\a.dwg";
  const std::wstring path = folder_ + L"\\模板.scr";
  SetTemplate(L"-TEXT\r\n20,10\r\n第page页\r\nPAGE");
  Save(path);
  // Code page 936, no byte order mark, CR LF kept, nothing added at the end.
  EXPECT_EQ(ReadBytes(path), "-TEXT\r\n20,10\r\n\xB5\xDApage\xD2\xB3\r\nPAGE");

  SetTemplate(L"old");
  Load(path);  // the whole template replaced, no placeholder touched
  EXPECT_EQ(Template(), L"-TEXT\r\n20,10\r\n第page页\r\nPAGE");
  SetTemplate(L"ZOOM\r\nE\r\n");
  Save(path);  // an existing file is replaced; a final CR LF is kept
  EXPECT_EQ(ReadBytes(path), "ZOOM\r\nE\r\n");

  ASSERT_EQ(services_.Script().requests.size(), 3u);
  EXPECT_EQ(services_.Script().requests[0].initialFileName, L"C:\\图纸\\a.dwg");
  for (const FileDialogRequest& request : services_.Script().requests) {
    EXPECT_EQ(request.flags, 0x80204u);
  }
  EXPECT_FALSE(services_.Script().requests[1].save);
  EXPECT_TRUE(dialog.cancelError);
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(ScriptTemplateTest, CancelAndUnreadableFilesChangeNothing) {
  const std::wstring path = folder_ + L"\\kept.scr";
  ASSERT_TRUE(win::WriteFileReplacing(path, "old").ok);
  window_->CommonDialog1().fileName = path;  // left over from an earlier showing
  SetTemplate(L"new text");
  Run(C::xpcmdbutton1, DialogOutcome::Cancelled);
  Run(C::xpcmdbutton5, DialogOutcome::Cancelled);
  Load(folder_ + L"\\missing.scr");
  Load(folder_ + std::wstring(L"\0kept.scr\0other.scr", 19));  // several names are not one file
  EXPECT_EQ(ReadBytes(path), "old");
  EXPECT_EQ(Template(), L"new text");
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(ScriptTemplateTest, FailedSavesAreReportedAndTheOldFileStays) {
  const std::wstring readOnly = folder_ + L"\\readonly.scr";
  const std::wstring aFolder = folder_ + L"\\a folder.scr";
  const std::wstring kept = folder_ + L"\\kept.scr";
  ASSERT_TRUE(win::WriteFileReplacing(readOnly, "old").ok);
  ASSERT_TRUE(win::WriteFileReplacing(kept, "old").ok);
  ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(CreateDirectoryW(aFolder.c_str(), nullptr));
  SetTemplate(L"new");
  Save(readOnly);
  Save(aFolder);
  SetTemplate(L"-TEXT\r\n第page页 한글\r\n");  // Hangul has no place in code page 936
  Save(kept);
  SetTemplate(L"ok\r\nx😀");
  Save(kept);
  Run(C::xpcmdbutton1, DialogOutcome::Failed);
  ASSERT_EQ(boxes_.size(), 5u);
  for (const std::wstring& box : boxes_) EXPECT_EQ(box.rfind(L"错误|", 0), 0u) << box;
  EXPECT_NE(boxes_[0].find(readOnly), std::wstring::npos) << boxes_[0];
  EXPECT_NE(boxes_[0].find(L"原有文件保持不变"), std::wstring::npos) << boxes_[0];
  EXPECT_NE(boxes_[1].find(aFolder), std::wstring::npos) << boxes_[1];
  EXPECT_NE(boxes_[2].find(L"第 2 行第 8 个字符“한”(U+D55C)"), std::wstring::npos) << boxes_[2];
  EXPECT_NE(boxes_[3].find(L"第 2 行第 2 个字符“😀”(U+1F600)"), std::wstring::npos) << boxes_[3];
  EXPECT_EQ(ReadBytes(readOnly), "old");
  EXPECT_EQ(ReadBytes(kept), "old");
  EXPECT_NE(GetFileAttributesW(aFolder.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_EQ(GetFileAttributesW((aFolder + L".kavro-tmp").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(Template(), L"ok\r\nx😀");  // saving never changes the template
  SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
}  // namespace kavro::test
