#include "promo/browser_win.h"

#include <exdisp.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <string>

namespace kavro::promo {

namespace {

// {25336920-03F9-11CF-8FD0-00AA00686F13}; mingw's libuuid does not carry it.
constexpr CLSID kHtmlDocumentClass = {
    0x25336920, 0x03F9, 0x11CF, {0x8F, 0xD0, 0x00, 0xAA, 0x00, 0x68, 0x6F, 0x13}};

using AtlAxWinInitFn = BOOL(WINAPI*)();
using AtlAxGetControlFn = HRESULT(WINAPI*)(HWND, IUnknown**);

struct AtlHost {
  AtlAxGetControlFn getControl = nullptr;
  bool ready = false;
};

// atl.dll from the system folder, loaded once and kept: its window class must outlive every
// browser window.
const AtlHost& Atl() {
  static const AtlHost host = [] {
    AtlHost h;
    wchar_t folder[MAX_PATH];
    UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
      return h;
    }
    std::wstring path = std::wstring(folder, n) + L"\\atl.dll";
    HMODULE atl = LoadLibraryW(path.c_str());
    if (!atl) {
      return h;
    }
    auto init = reinterpret_cast<AtlAxWinInitFn>(
        reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
    h.getControl = reinterpret_cast<AtlAxGetControlFn>(
        reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
    h.ready = init && h.getControl && init();
    return h;
  }();
  return host;
}

}  // namespace

bool NavigateBrowser(HWND host, const wchar_t* url) {
  Microsoft::WRL::ComPtr<IUnknown> control;
  if (FAILED(Atl().getControl(host, &control)) || !control) {
    return false;
  }
  Microsoft::WRL::ComPtr<IWebBrowser2> browser;
  if (FAILED(control.As(&browser))) {
    return false;
  }
  // A side window must never stop the user with a script error or security dialog.
  browser->put_Silent(VARIANT_TRUE);
  BSTR address = SysAllocString(url);
  VARIANT none;
  VariantInit(&none);
  HRESULT hr = browser->Navigate(address, &none, &none, &none, &none);
  SysFreeString(address);
  return SUCCEEDED(hr);
}

bool BrowserEngineAvailable() {
  // Asked once: where the engine is missing, each attempt costs a search for it.
  static const bool available = [] {
    Microsoft::WRL::ComPtr<IUnknown> document;
    return SUCCEEDED(CoCreateInstance(kHtmlDocumentClass, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_PPV_ARGS(&document)));
  }();
  return available;
}

HWND CreateBrowser(HWND parent, const RECT& pixels, int controlId) {
  if (!Atl().ready) {
    return nullptr;
  }
  HWND host = CreateWindowExW(
      0, L"AtlAxWin", L"Shell.Explorer.2",
      WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, pixels.left, pixels.top,
      pixels.right - pixels.left, pixels.bottom - pixels.top, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), GetModuleHandleW(nullptr), nullptr);
  return host;
}

}  // namespace kavro::promo
