// Files dropped on List2: a real OLE drag and drop, and WM_DROPFILES.
#include <ole2.h>
#include <shlobj.h>
#include <wrl/client.h>

#include "support/window_fixture.h"
#include "win/com_object_win.h"

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
    if (escape) {
      return DRAGDROP_S_CANCEL;
    }
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
  EXPECT_EQ(Entries(), (Lines{L"C:\\p\\A.dwg", L"C:\\p\\b.dwg", L"C:\\p\\b.dwg", L"C:\\p\\c.dwg",
                              L"C:\\p\\plandwg"}));
  // Nothing but other files: nothing changes, nothing is said.
  EXPECT_TRUE(drop({L"C:\\a.txt"}).empty());
  EXPECT_EQ(Entries().size(), 5u);
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

}  // namespace
}  // namespace kavro::test
