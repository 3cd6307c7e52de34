// Script template files through the real common dialogs, driven like a user. A program of its own:
// the real dialogs are driven in a process whose main window is the first and only one, as in
// the program (after an earlier main window of the same thread had gone, Wine's file dialog
// stopped answering the driver).
#include "script_template_driver.h"

namespace kavro::test {
namespace {

// The real common dialogs, driven like a user: a name typed and OK, or Cancel.
TEST_F(ScriptTemplateTest, SaveAndLoadThroughTheCommonDialogs) {
  window_->CommonDialog1().flags = 0x80204;  // as an add-files action leaves it
  const std::wstring path = folder_ + L"\\driven 模板.scr";
  const std::wstring text = L"LAYER\r\nS\r\n图层page\r\n";
  SetTemplate(text);
  EXPECT_EQ(Click(MainControl::xpcmdbutton1, test::ChooseName(path)),
            std::vector<std::wstring>{L"保存修改列表文件"});
  EXPECT_EQ(ReadBytes(path), "LAYER\r\nS\r\n\xCD\xBC\xB2\xE3page\r\n");
  SetTemplate(L"");
  EXPECT_EQ(Click(MainControl::xpcmdbutton5, test::Press(IDCANCEL)),
            std::vector<std::wstring>{L"读取修改列表文件"});  // a cancel says nothing
  EXPECT_EQ(Template(), L"");
  Click(MainControl::xpcmdbutton5, test::ChooseName(path));
  EXPECT_EQ(Template(), text);
}

}  // namespace
}  // namespace kavro::test
