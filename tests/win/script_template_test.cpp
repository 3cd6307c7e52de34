// Script template files under Wine with code page 936: the buttons of the template frame, the
// dialog control they share with the add-files action, the bytes on disk, and the failures.
#include <windows.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "app/main_window_win.h"
#include "support/support.h"
#include "win/file_win.h"

namespace kavro {
namespace {

constexpr wchar_t kFilter[] = L"脚本文件(*.scr)|*.scr|文本文件(*.txt)|*.txt|所有文件(*.*)|*.*";

class ScriptedDialogs : public FileDialogBackend {
 public:
  FileDialogAnswer Show(const FileDialogRequest& request) override {
    requests.push_back(request);
    if (answers.empty()) {
      return {DialogOutcome::Cancelled, {}};
    }
    FileDialogAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::vector<FileDialogRequest> requests;
  std::deque<FileDialogAnswer> answers;
};

struct SeenBox {
  std::wstring title;
  std::wstring text;
};

// Watches the test thread for dialog windows (#32770) and lets `handle` answer each one, so that
// a message box or a common dialog does not block the test.
class DialogWatcher {
 public:
  using Handler = std::function<void(HWND dialog)>;
  explicit DialogWatcher(Handler handle)
      : thread_(GetCurrentThreadId()), handle_(std::move(handle)) {
    worker_ = std::thread([this] { Run(); });
  }
  ~DialogWatcher() {
    stop_ = true;
    worker_.join();
  }

 private:
  void Run() {
    while (!stop_) {
      HWND found = nullptr;
      EnumThreadWindows(
          thread_,
          [](HWND w, LPARAM out) {
            if (IsWindowVisible(w) && test::ClassOf(w) == L"#32770") {
              *reinterpret_cast<HWND*>(out) = w;
              return FALSE;
            }
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&found));
      if (found && found != last_) {
        last_ = found;
        handle_(found);
      }
      Sleep(20);
    }
  }
  DWORD thread_;
  Handler handle_;
  HWND last_ = nullptr;
  std::atomic<bool> stop_{false};
  std::thread worker_;
};

// Wine reuses process ids from run to run: a fresh folder needs more than the id.
std::wstring FreshFolder(const wchar_t* name) {
  static int count = 0;
  return test::MakeTempFolder(std::wstring(name) + L"-" + std::to_wstring(GetTickCount64()) + L"-" +
                              std::to_wstring(++count));
}

std::string ReadBytes(const std::wstring& path) {
  std::string bytes;
  EXPECT_TRUE(win::ReadWholeFile(path, &bytes).ok) << "cannot read the file";
  return bytes;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  ASSERT_TRUE(win::WriteFileReplacing(path, bytes).ok);
}

class ScriptTemplateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetACP(), 936u) << "the Wine prefix must run with the Chinese code page";
    window_ = MainWindow::Create();
    auto dialogs = std::make_unique<ScriptedDialogs>();
    dialogs_ = dialogs.get();
    window_->SetDialogBackend(std::move(dialogs));
    folder_ = FreshFolder(L"template");
    watcher_ = std::make_unique<DialogWatcher>([this](HWND box) {
      // A message box: keep what it said, then answer OK.
      std::lock_guard<std::mutex> lock(mutex_);
      boxes_.push_back({test::WindowText(box), test::WindowText(GetDlgItem(box, 0xFFFF))});
      PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
  }
  void TearDown() override { watcher_.reset(); }

  std::vector<SeenBox> Boxes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
  }
  void Choose(const std::wstring& path) {
    dialogs_->answers.push_back({DialogOutcome::Chosen, path});
  }
  void Cancel() { dialogs_->answers.push_back({DialogOutcome::Cancelled, {}}); }
  std::wstring Template() { return window_->ItemText(MainControl::Text1); }
  void SetTemplate(const std::wstring& text) { window_->SetItemText(MainControl::Text1, text); }
  void Click(MainControl button) { SendMessageW(window_->Item(button), BM_CLICK, 0, 0); }
  std::wstring PathOf(const wchar_t* name) { return folder_ + L"\\" + name; }

  std::unique_ptr<MainWindow> window_;
  ScriptedDialogs* dialogs_ = nullptr;
  std::wstring folder_;
  std::mutex mutex_;
  std::vector<SeenBox> boxes_;
  std::unique_ptr<DialogWatcher> watcher_;
};

TEST_F(ScriptTemplateTest, SaveWritesTheTextExactlyAndKeepsTheAddFilesSettings) {
  // What an earlier add-files action leaves on the shared dialog control.
  FileDialogControl& dialog = window_->CommonDialog1();
  dialog.flags = 0x80204;
  dialog.cancelError = true;
  dialog.fileName = L"C:\\图纸\\a.dwg";

  const std::wstring path = PathOf(L"模板.scr");
  SetTemplate(L"-TEXT\r\n20,10\r\n第page页\r\nPAGE");
  Choose(path);
  Click(MainControl::xpcmdbutton1);

  ASSERT_EQ(dialogs_->requests.size(), 1u);
  const FileDialogRequest& request = dialogs_->requests[0];
  EXPECT_TRUE(request.save);
  EXPECT_EQ(request.title, L"保存修改列表文件");
  EXPECT_EQ(request.filter, kFilter);
  EXPECT_EQ(request.flags, 0x80204u);
  EXPECT_EQ(request.initialFileName, L"C:\\图纸\\a.dwg");
  EXPECT_EQ(dialog.flags, 0x80204u);
  EXPECT_TRUE(dialog.cancelError);
  EXPECT_EQ(dialog.fileName, path);
  // Code page 936, no byte order mark, CR LF kept, nothing added at the end.
  EXPECT_EQ(ReadBytes(path), "-TEXT\r\n20,10\r\n\xB5\xDApage\xD2\xB3\r\nPAGE");

  // Saving again over the same name replaces the file; a final CR LF is written when it is there.
  SetTemplate(L"ZOOM\r\nE\r\n");
  Choose(path);
  Click(MainControl::xpcmdbutton1);
  EXPECT_EQ(ReadBytes(path), "ZOOM\r\nE\r\n");
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ScriptTemplateTest, LoadReplacesTheWholeTemplateAndRoundTrips) {
  const std::wstring path = PathOf(L"load.txt");
  WriteBytes(path, "\xD0\xDE\xB8\xC4 page\r\nPAGE-Page\r\n\r\nlast");
  SetTemplate(L"old line 1\r\nold line 2");
  Choose(path);
  Click(MainControl::xpcmdbutton5);

  ASSERT_EQ(dialogs_->requests.size(), 1u);
  EXPECT_FALSE(dialogs_->requests[0].save);
  EXPECT_EQ(dialogs_->requests[0].title, L"读取修改列表文件");
  EXPECT_EQ(dialogs_->requests[0].filter, kFilter);
  EXPECT_EQ(Template(), L"修改 page\r\nPAGE-Page\r\n\r\nlast");

  const std::wstring text = L"-INSERT\r\n图框-PAGE\r\n0,0\r\n\r\n";
  SetTemplate(text);
  Choose(PathOf(L"round.scr"));
  Click(MainControl::xpcmdbutton1);
  SetTemplate(L"");
  Choose(PathOf(L"round.scr"));
  Click(MainControl::xpcmdbutton5);
  EXPECT_EQ(Template(), text);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ScriptTemplateTest, CancelAndUnreadableFilesChangeNothing) {
  const std::wstring path = PathOf(L"kept.scr");
  WriteBytes(path, "old");
  window_->CommonDialog1().fileName = path;  // left over from an earlier showing
  SetTemplate(L"new text");
  Cancel();
  Click(MainControl::xpcmdbutton1);
  EXPECT_EQ(ReadBytes(path), "old");

  Cancel();
  Click(MainControl::xpcmdbutton5);
  EXPECT_EQ(Template(), L"new text");

  Choose(PathOf(L"missing.scr"));
  Click(MainControl::xpcmdbutton5);
  EXPECT_EQ(Template(), L"new text");

  // Several names from the multi-select flags are not one file.
  Choose(folder_ + std::wstring(L"\0kept.scr\0other.scr", 19));
  Click(MainControl::xpcmdbutton5);
  EXPECT_EQ(Template(), L"new text");
  EXPECT_EQ(dialogs_->requests.size(), 4u);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ScriptTemplateTest, FailedSaveIsReportedAndTheOldFileStays) {
  const std::wstring readOnly = PathOf(L"readonly.scr");
  WriteBytes(readOnly, "old content");
  ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
  SetTemplate(L"new content");
  Choose(readOnly);
  Click(MainControl::xpcmdbutton1);

  const std::wstring folderTarget = PathOf(L"a folder.scr");
  ASSERT_TRUE(CreateDirectoryW(folderTarget.c_str(), nullptr));
  Choose(folderTarget);
  Click(MainControl::xpcmdbutton1);

  test::PumpUntil([&] { return Boxes().size() == 2; }, 3000);
  std::vector<SeenBox> boxes = Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  for (const SeenBox& box : boxes) {
    EXPECT_EQ(box.title, L"错误");
    EXPECT_NE(box.text.find(L"修改列表没有保存"), std::wstring::npos) << box.text;
    EXPECT_NE(box.text.find(L"原有文件保持不变"), std::wstring::npos) << box.text;
  }
  EXPECT_NE(boxes[0].text.find(readOnly), std::wstring::npos);
  EXPECT_NE(boxes[1].text.find(folderTarget), std::wstring::npos);
  EXPECT_EQ(ReadBytes(readOnly), "old content");
  EXPECT_NE(GetFileAttributesW(folderTarget.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  // Nothing is left beside the targets.
  EXPECT_EQ(GetFileAttributesW((readOnly + L".kavro-tmp").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW((folderTarget + L".kavro-tmp").c_str()), INVALID_FILE_ATTRIBUTES);
  SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ScriptTemplateTest, CharactersTheCodePageCannotHoldAreRefusedWithTheirPlace) {
  const std::wstring path = PathOf(L"unmappable.scr");
  WriteBytes(path, "old");
  SetTemplate(L"-TEXT\r\n第page页 한글\r\n");
  Choose(path);
  Click(MainControl::xpcmdbutton1);
  SetTemplate(L"ok\r\nok\r\nx😀");
  Choose(path);
  Click(MainControl::xpcmdbutton1);

  test::PumpUntil([&] { return Boxes().size() == 2; }, 3000);
  std::vector<SeenBox> boxes = Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].title, L"错误");
  EXPECT_NE(boxes[0].text.find(L"第 2 行第 8 个字符“한”(U+D55C)"), std::wstring::npos)
      << boxes[0].text;
  EXPECT_NE(boxes[1].text.find(L"第 3 行第 2 个字符“😀”(U+1F600)"), std::wstring::npos)
      << boxes[1].text;
  EXPECT_EQ(ReadBytes(path), "old");
  EXPECT_EQ(Template(), L"ok\r\nok\r\nx😀");  // the template itself is never changed by saving
}

TEST_F(ScriptTemplateTest, AFailingDialogIsReportedOnSave) {
  dialogs_->answers.push_back({DialogOutcome::Failed, {}});
  Click(MainControl::xpcmdbutton1);
  test::PumpUntil([&] { return Boxes().size() == 1; }, 3000);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].title, L"错误");
}

// The real common dialogs, driven like a user: type a name, press OK or Cancel.
class DrivenDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = MainWindow::Create();
    window_->Show();
    folder_ = FreshFolder(L"driven");
  }
  // Answers the next dialog titled `title` with `name` (OK) or cancels it when `name` is empty.
  std::unique_ptr<DialogWatcher> Answer(const std::wstring& title, const std::wstring& name) {
    return std::make_unique<DialogWatcher>([this, title, name](HWND dialog) {
      std::lock_guard<std::mutex> lock(mutex_);
      titles_.push_back(test::WindowText(dialog));
      if (test::WindowText(dialog) != title) {
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        return;
      }
      if (name.empty()) {
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        return;
      }
      HWND box = GetDlgItem(dialog, 0x47C);  // cmb13
      if (!box) {
        box = GetDlgItem(dialog, 0x480);  // edt1
      }
      SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
      PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
  }
  std::unique_ptr<MainWindow> window_;
  std::wstring folder_;
  std::mutex mutex_;
  std::vector<std::wstring> titles_;
};

TEST_F(DrivenDialogTest, SaveAndLoadThroughTheCommonDialogs) {
  const std::wstring path = folder_ + L"\\driven 模板.scr";
  const std::wstring text = L"LAYER\r\nS\r\n图层page\r\n";
  window_->SetItemText(MainControl::Text1, text);
  // As an add-files action leaves the shared control: several files allowed, cancel an error.
  window_->CommonDialog1().flags = 0x80204;
  window_->CommonDialog1().cancelError = true;
  {
    auto watcher = Answer(L"保存修改列表文件", path);
    SendMessageW(window_->Item(MainControl::xpcmdbutton1), BM_CLICK, 0, 0);
  }
  EXPECT_EQ(ReadBytes(path), "LAYER\r\nS\r\n\xCD\xBC\xB2\xE3page\r\n");

  window_->SetItemText(MainControl::Text1, L"");
  {
    auto watcher = Answer(L"读取修改列表文件", L"");
    SendMessageW(window_->Item(MainControl::xpcmdbutton5), BM_CLICK, 0, 0);
  }
  EXPECT_EQ(window_->ItemText(MainControl::Text1), L"");
  {
    auto watcher = Answer(L"读取修改列表文件", path);
    SendMessageW(window_->Item(MainControl::xpcmdbutton5), BM_CLICK, 0, 0);
  }
  EXPECT_EQ(window_->ItemText(MainControl::Text1), text);
  std::lock_guard<std::mutex> lock(mutex_);
  EXPECT_EQ(titles_, (std::vector<std::wstring>{L"保存修改列表文件", L"读取修改列表文件",
                                                L"读取修改列表文件"}));
}

}  // namespace
}  // namespace kavro
