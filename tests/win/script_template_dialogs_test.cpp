// Script template files through the real common dialogs, driven like a user. A program of its own:
// the real dialogs are driven in a process whose main window is the first and only one, as in
// the program (after an earlier main window of the same thread had gone, Wine's file dialog
// stopped answering the driver).
#include "support/window_fixture.h"

namespace kavro::test {
namespace {

// The real common dialogs, driven like a user: a name typed and OK, or Cancel.
using ScriptTemplateTest = WindowFixture;

TEST_F(ScriptTemplateTest, SaveAndLoadThroughTheCommonDialogs) {
  window_->CommonDialog1().flags = 0x80204;  // as an add-files action leaves it
  const std::wstring path = folder_ + L"\\driven 模板.scr";
  const std::wstring text = L"LAYER\r\nS\r\n图层page\r\n";
  window_->SetItemText(C::Text1, text);
  auto titles = [&](C button, DialogAnswer answer) {
    Lines seen;
    for (const SeenDialog& dialog : Click(button, {answer})) seen.push_back(dialog.title);
    return seen;
  };
  EXPECT_EQ(titles(C::xpcmdbutton1, ChooseName(path)), Lines{L"保存修改列表文件"});
  EXPECT_EQ(ReadBytes(path), "LAYER\r\nS\r\n\xCD\xBC\xB2\xE3page\r\n");
  window_->SetItemText(C::Text1, L"");
  // A cancel says nothing.
  EXPECT_EQ(titles(C::xpcmdbutton5, Press(IDCANCEL)), Lines{L"读取修改列表文件"});
  EXPECT_EQ(window_->ItemText(C::Text1), L"");
  Click(C::xpcmdbutton5, {ChooseName(path)});
  EXPECT_EQ(window_->ItemText(C::Text1), text);
}

}  // namespace
}  // namespace kavro::test
