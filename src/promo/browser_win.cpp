#include "promo/browser_win.h"

#include <oleauto.h>

#include "promo/browser_site_win.h"

namespace kavro::promo {

namespace {

// {25336920-03F9-11CF-8FD0-00AA00686F13}; mingw's libuuid does not carry it.
constexpr CLSID kHtmlDocumentClass = {
    0x25336920, 0x03F9, 0x11CF, {0x8F, 0xD0, 0x00, 0xAA, 0x00, 0x68, 0x6F, 0x13}};

constexpr wchar_t kHostClass[] = L"KavroBrowserHost";

BrowserSite* SiteOf(HWND host) {
  return reinterpret_cast<BrowserSite*>(GetWindowLongPtrW(host, GWLP_USERDATA));
}

// The host window holds the site (one reference) until it is destroyed.
LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) {
    if (BrowserSite* site = SiteOf(hwnd)) {
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      site->Close();
      site->Release();
    }
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

bool RegisterHostClass() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kHostClass;
    return RegisterClassExW(&wc) != 0;
  }();
  return registered;
}

bool IsHost(HWND window) {
  wchar_t name[64] = {};
  return window && GetClassNameW(window, name, 64) && lstrcmpW(name, kHostClass) == 0;
}

}  // namespace

Microsoft::WRL::ComPtr<IWebBrowser2> BrowserIn(HWND host) {
  BrowserSite* site = IsHost(host) ? SiteOf(host) : nullptr;
  return site ? site->Browser() : nullptr;
}

bool NavigateBrowser(HWND host, const wchar_t* url) {
  BrowserSite* site = IsHost(host) ? SiteOf(host) : nullptr;
  if (!site || !site->Browser()) {
    return false;
  }
  site->SetOwnPage(url);
  IWebBrowser2* browser = site->Browser();
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

HWND CreateBrowser(HWND parent, const RECT& pixels, int controlId, win::Shell& shell) {
  if (!RegisterHostClass()) {
    return nullptr;
  }
  HWND host = CreateWindowExW(
      0, kHostClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, pixels.left,
      pixels.top, pixels.right - pixels.left, pixels.bottom - pixels.top, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), GetModuleHandleW(nullptr), nullptr);
  if (!host) {
    return nullptr;
  }
  Microsoft::WRL::ComPtr<BrowserSite> site = BrowserSite::Embed(host, shell);
  if (!site) {
    DestroyWindow(host);
    return nullptr;
  }
  SetWindowLongPtrW(host, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(site.Detach()));
  return host;
}

}  // namespace kavro::promo
