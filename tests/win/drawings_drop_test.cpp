// Files dropped on List2: a real OLE drag and drop, and WM_DROPFILES.
#include <ole2.h>
#include <shlobj.h>
#include <wrl/client.h>

#include "support/window_fixture.h"
#include "win/com_object_win.h"
#include "win/file_win.h"

namespace kavro::test {
namespace {

Microsoft::WRL::ComPtr<IDataObject> Offering(UINT format, HGLOBAL data) {
  Microsoft::WRL::ComPtr<IDataObject> object = ClipboardOffering(format, data);
  EXPECT_NE(object, nullptr);
  return object;
}

HGLOBAL Text(const std::wstring& text) {
  HGLOBAL memory = GlobalAlloc(GHND, (text.size() + 1) * sizeof(wchar_t));
  memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  GlobalUnlock(memory);
  return memory;
}

// Lets the drag run a few rounds over the target, then drops.
class DropSource final : public win::ComObject<IDropSource> {
 public:
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD) override {
    if (escape) return DRAGDROP_S_CANCEL;
    return ++rounds_ < 3 ? S_OK : DRAGDROP_S_DROP;
  }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

 private:
  int rounds_ = 0;
};

class DrawingDropTest : public WindowFixture {
 protected:
  DWORD DragOntoList(IDataObject* data) {
    SetWindowPos(Main(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    RECT r{};
    GetWindowRect(List(), &r);
    POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    EXPECT_EQ(WindowFromPoint(centre), List());
    SetCursorPos(centre.x, centre.y);
    auto source = win::MakeCom<DropSource>();
    DWORD effect = DROPEFFECT_NONE;
    HRESULT hr = DoDragDrop(data, source.Get(), DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
    EXPECT_TRUE(hr == DRAGDROP_S_DROP || hr == DRAGDROP_S_CANCEL) << std::hex << hr;
    return effect;
  }
};

TEST_F(DrawingDropTest, WindowsMessageDropAddsEveryDwgPathWithoutDuplicateCheck) {
  Add({L"C:\\p\\b.dwg"});
  auto drop = [&](const Lines& paths) {
    return RunAnswering([&] {
      SendMessageW(List(), WM_DROPFILES, reinterpret_cast<WPARAM>(DropFileList(paths)), 0);
    });
  };
  EXPECT_TRUE(drop({L"C:\\p\\c.dwg", L"C:\\p\\b.dwg", L"C:\\p\\a.DWG", L"C:\\p\\x.Dwg",
                    L"C:\\p\\plandwg", L"C:\\p\\notes.txt", L"C:\\p\\A.dwg"})
                  .empty());
  // Letter case counts for nothing; equal entries keep the order they came in.
  EXPECT_EQ(Entries(), (Lines{L"C:\\p\\a.DWG", L"C:\\p\\A.dwg", L"C:\\p\\b.dwg", L"C:\\p\\b.dwg",
                              L"C:\\p\\c.dwg", L"C:\\p\\plandwg", L"C:\\p\\x.Dwg"}));
  // Nothing but other files: nothing changes, nothing is said.
  EXPECT_TRUE(drop({L"C:\\a.txt"}).empty());
  EXPECT_EQ(Entries().size(), 7u);
}

TEST_F(DrawingDropTest, OleDragAndDropFromAnotherWindow) {
  auto files = Offering(
      CF_HDROP, DropFileList({L"D:\\图纸\\b.dwg", L"D:\\图纸\\a.dwg", L"D:\\图纸\\readme.txt"}));
  EXPECT_EQ(DragOntoList(files.Get()), static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_EQ(Entries(), (Lines{L"D:\\图纸\\a.dwg", L"D:\\图纸\\b.dwg"}));

  // Text is not taken.
  auto text = Offering(CF_UNICODETEXT, Text(L"D:\\图纸\\c.dwg"));
  EXPECT_EQ(DragOntoList(text.Get()), static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_EQ(Entries().size(), 2u);
}

// Two folders and a drawing in one real drop: every drawing under the folders, whatever the letter
// case of its name, each at its place; other files and a hidden folder's drawings left out.
TEST_F(DrawingDropTest, OleDropOfFoldersAddsEveryDrawingUnderThem) {
  std::wstring root = MakeTempFolder(L"drop_folders");
  auto make = [&](const std::wstring& relative) {
    std::wstring path = root + L"\\" + relative;
    ASSERT_TRUE(win::MakeFolders(path.substr(0, path.rfind(L'\\'))));
    ASSERT_TRUE(win::WriteFileReplacing(path, "drawing").ok);
  };
  for (const wchar_t* file :
       {L"p1\\a.dwg", L"p1\\B.DWG", L"p1\\说明.txt", L"p1\\sub\\c.Dwg", L"p1\\.hidden\\h.dwg",
        L"p2\\d.dwg", L"p2\\图.dwg", L"p2\\e.dwg.bak"}) {
    make(file);
  }
  SetFileAttributesW((root + L"\\p1\\.hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
  auto files =
      Offering(CF_HDROP, DropFileList({root + L"\\p2", root + L"\\A.DWG", root + L"\\p1"}));
  EXPECT_EQ(DragOntoList(files.Get()), static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_EQ(Entries(),
            (Lines{root + L"\\A.DWG", root + L"\\p1\\a.dwg", root + L"\\p1\\B.DWG",
                   root + L"\\p1\\sub\\c.Dwg", root + L"\\p2\\d.dwg", root + L"\\p2\\图.dwg"}));
}

}  // namespace
}  // namespace kavro::test
