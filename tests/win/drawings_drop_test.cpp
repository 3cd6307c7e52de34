// Files dropped on List2: a real OLE drag and drop, and WM_DROPFILES.
#include <ole2.h>
#include <shlobj.h>

#include "drawings_driver.h"

namespace kavro::test {
namespace {

// Offers one format: a file list, or plain text.
class DataObject final : public IDataObject {
 public:
  DataObject(Lines paths, CLIPFORMAT format) : paths_(std::move(paths)), format_(format) {}
  virtual ~DataObject() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = (iid == IID_IUnknown || iid == IID_IDataObject) ? this : nullptr;
    if (*out) {
      AddRef();
    }
    return *out ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }  // lives on the stack
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (QueryGetData(format) != S_OK) {
      return DV_E_FORMATETC;
    }
    medium->tymed = TYMED_HGLOBAL;
    medium->pUnkForRelease = nullptr;
    if (format_ == CF_HDROP) {
      medium->hGlobal = DropFileList(paths_);
    } else {
      std::wstring text = paths_.empty() ? L"" : paths_[0];
      medium->hGlobal = GlobalAlloc(GHND, (text.size() + 1) * sizeof(wchar_t));
      memcpy(GlobalLock(medium->hGlobal), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
      GlobalUnlock(medium->hGlobal);
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
    return format->cfFormat == format_ && (format->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    out->ptd = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }

 private:
  Lines paths_;
  CLIPFORMAT format_;
  ULONG refs_ = 1;
};

// Lets the drag run a few rounds over the target, then drops.
class DropSource final : public IDropSource {
 public:
  virtual ~DropSource() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = (iid == IID_IUnknown || iid == IID_IDropSource) ? this : nullptr;
    if (*out) {
      AddRef();
    }
    return *out ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
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

class DrawingDropTest : public DrawingWindowTest {
 protected:
  DWORD DragOntoList(IDataObject* data) {
    RECT r{};
    GetWindowRect(List(), &r);
    POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    EXPECT_EQ(WindowFromPoint(centre), List());
    SetCursorPos(centre.x, centre.y);
    DropSource source;
    DWORD effect = DROPEFFECT_NONE;
    HRESULT hr = DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
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
  DataObject files({L"D:\\图纸\\b.dwg", L"D:\\图纸\\a.dwg", L"D:\\图纸\\readme.txt"}, CF_HDROP);
  EXPECT_EQ(DragOntoList(&files), static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_EQ(Entries(), (Lines{L"D:\\图纸\\a.dwg", L"D:\\图纸\\b.dwg"}));

  // Text is not taken.
  DataObject text({L"D:\\图纸\\c.dwg"}, CF_UNICODETEXT);
  EXPECT_EQ(DragOntoList(&text), static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_EQ(Entries().size(), 2u);
}

}  // namespace
}  // namespace kavro::test
