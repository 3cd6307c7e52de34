// The dialog controls keep their properties between showings and never take a cancel for a choice.
#include <gtest/gtest.h>

#include "base/file_dialog.h"
#include "support/scripted_dialogs.h"

namespace kavro {
namespace {

using test::ScriptedDialogs;

TEST(FileDialogControl, KeepsPropertiesAndTheLastChoiceBetweenShowings) {
  ScriptedDialogs dialogs;
  dialogs.answers = {{DialogOutcome::Chosen, L"C:\\x\\a.txt"},
                     {DialogOutcome::Cancelled, L""},
                     {DialogOutcome::Failed, L""},
                     {DialogOutcome::Chosen, std::wstring(L"C:\\x\0a.dwg\0b.dwg", 16)}};
  FileDialogControl control(260);
  control.dialogTitle = L"保存列表文件";
  control.filter = L"列表文件(*.txt)|*.txt|所有文件（*.*)|*.*";
  control.flags = kOfnExplorer | kOfnAllowMultiSelect | kOfnHideReadOnly;

  EXPECT_EQ(control.ShowSave(dialogs), DialogOutcome::Chosen);
  EXPECT_EQ(control.ShowOpen(dialogs), DialogOutcome::Cancelled);
  EXPECT_EQ(control.fileName, L"C:\\x\\a.txt");  // a cancel chooses nothing
  EXPECT_EQ(control.ShowOpen(dialogs), DialogOutcome::Failed);
  EXPECT_EQ(control.fileName, L"C:\\x\\a.txt");
  EXPECT_EQ(control.ShowOpen(dialogs), DialogOutcome::Chosen);
  EXPECT_EQ(control.fileName, std::wstring(L"C:\\x\0a.dwg\0b.dwg", 16));

  ASSERT_EQ(dialogs.requests.size(), 4u);
  EXPECT_TRUE(dialogs.requests[0].save);
  EXPECT_EQ(dialogs.requests[0].initialFileName, L"");
  for (size_t i = 1; i < 4; ++i) {
    const FileDialogRequest& r = dialogs.requests[i];
    EXPECT_FALSE(r.save);
    EXPECT_EQ(r.title, L"保存列表文件");
    EXPECT_EQ(r.filter, L"列表文件(*.txt)|*.txt|所有文件（*.*)|*.*");
    EXPECT_EQ(r.flags, 0x80204u);
    EXPECT_EQ(r.maxFileSize, 260u);
    EXPECT_EQ(r.initialFileName, L"C:\\x\\a.txt");  // each showing opens with the last choice
  }
  // The buffer a common dialog filled: the initial file name may still show behind the choice.
  using namespace std::string_literals;
  EXPECT_EQ(ResultOf(L"C:\\x\\a.txt\0old-name.txt\0\0"s, 5), L"C:\\x\\a.txt");
  // Several: the folder ends with a NUL right before the first name.
  EXPECT_EQ(ResultOf(L"C:\\x\0a.dwg\0b.dwg\0\0left over\0"s, 5), L"C:\\x\0a.dwg\0b.dwg"s);
  // A chosen file in a drive root: the offset points past "D:\", no NUL before it.
  EXPECT_EQ(ResultOf(L"D:\\a.dwg\0\0"s, 3), L"D:\\a.dwg");
  EXPECT_EQ(ResultOf(L"\0\0"s, 0), L"");

  EXPECT_EQ(FilterForDialog(L"图形 (*.dwg)|*.dwg"), L"图形 (*.dwg)\0*.dwg\0\0"s);
  EXPECT_EQ(FilterForDialog(L""), L"\0\0"s);
}

}  // namespace
}  // namespace kavro
