#include "drawings/drop_target_win.h"

#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include <new>

#include "drawings/drawing_list.h"
#include "win/com_object_win.h"

namespace kavro::drawings {

namespace {

constexpr UINT_PTR kSubclassId = 0x4B44;  // one subclass per window

// The paths of a file list. A wide list is read straight from its DROPFILES block: asking
// DragQueryFile for item k walks the list from the start each time, which for thousands of files
// costs more than everything else in the drop.
std::vector<std::wstring> PathsOf(HDROP drop) {
  std::vector<std::wstring> paths;
  SIZE_T size = GlobalSize(drop);
  if (const auto* files = static_cast<const DROPFILES*>(GlobalLock(drop))) {
    bool wide = files->fWide && size >= sizeof(DROPFILES) && files->pFiles <= size;
    if (wide) {
      const auto* begin =
          reinterpret_cast<const wchar_t*>(reinterpret_cast<const char*>(files) + files->pFiles);
      size_t count = (size - files->pFiles) / sizeof(wchar_t);
      paths = PathsOfFileList(std::wstring_view(begin, count));
    }
    GlobalUnlock(drop);
    if (wide) {
      return paths;
    }
  }
  UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT k = 0; k < count; ++k) {
    UINT len = DragQueryFileW(drop, k, nullptr, 0);
    std::wstring path(len + 1, L'\0');
    path.resize(DragQueryFileW(drop, k, path.data(), len + 1));
    paths.push_back(std::move(path));
  }
  return paths;
}

// Any failure of a drop is dropped with it: nothing is reported and what was added stays.
void Deliver(const DropHandler& onDrop, const std::vector<std::wstring>& paths) {
  try {
    onDrop(paths);
  } catch (...) {
  }
}

FORMATETC FileListFormat() { return {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

class FileDropTarget final : public win::ComObject<IDropTarget> {
 public:
  explicit FileDropTarget(DropHandler onDrop) : onDrop_(std::move(onDrop)) {}

  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    FORMATETC format = FileListFormat();
    hasFiles_ = data && data->QueryGetData(&format) == S_OK;
    *effect = EffectFor(*effect);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
    *effect = EffectFor(*effect);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override {
    hasFiles_ = false;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    hasFiles_ = false;
    FORMATETC format = FileListFormat();
    STGMEDIUM medium{};
    if (!data || FAILED(data->GetData(&format, &medium))) {
      *effect = DROPEFFECT_NONE;
      return S_OK;
    }
    std::vector<std::wstring> paths;
    try {
      paths = PathsOf(static_cast<HDROP>(medium.hGlobal));
    } catch (...) {
    }
    ReleaseStgMedium(&medium);
    Deliver(onDrop_, paths);
    *effect &= DROPEFFECT_COPY;
    return S_OK;
  }

 private:
  DWORD EffectFor(DWORD allowed) const {
    return hasFiles_ ? (allowed & DROPEFFECT_COPY) : DROPEFFECT_NONE;
  }

  bool hasFiles_ = false;
  DropHandler onDrop_;
};

struct DropState {
  DropHandler onDrop;
  bool registered = false;
};

LRESULT CALLBACK DropSubclass(HWND window, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                              DWORD_PTR data) {
  auto* state = reinterpret_cast<DropState*>(data);
  switch (msg) {
    case WM_DROPFILES: {
      auto drop = reinterpret_cast<HDROP>(wp);
      std::vector<std::wstring> paths;
      try {
        paths = PathsOf(drop);
      } catch (...) {
      }
      DragFinish(drop);
      Deliver(state->onDrop, paths);
      return 0;
    }
    case WM_NCDESTROY:
      if (state->registered) {
        RevokeDragDrop(window);
      }
      RemoveWindowSubclass(window, DropSubclass, kSubclassId);
      delete state;
      break;
    default:
      break;
  }
  return DefSubclassProc(window, msg, wp, lp);
}

}  // namespace

void AcceptFileDrops(HWND window, DropHandler onDrop) {
  auto* state = new DropState{std::move(onDrop)};
  if (!SetWindowSubclass(window, DropSubclass, kSubclassId, reinterpret_cast<DWORD_PTR>(state))) {
    delete state;
    return;
  }
  DragAcceptFiles(window, TRUE);
  // OLE stays initialised for the life of the thread: the drop target needs it until the end.
  if (SUCCEEDED(OleInitialize(nullptr))) {
    auto* target = new (std::nothrow) FileDropTarget(state->onDrop);
    if (target) {
      state->registered = SUCCEEDED(RegisterDragDrop(window, target));
      target->Release();  // RegisterDragDrop keeps its own reference
    }
  }
}

}  // namespace kavro::drawings
