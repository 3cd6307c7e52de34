#include "promo/browser_site_win.h"

#include <exdispid.h>
#include <mshtmdid.h>
#include <oleauto.h>

#include "promo/navigation.h"

namespace kavro::promo {

namespace {

// Event arguments come last to first; by-reference ones may wrap a VARIANT.
const VARIANT* Argument(const DISPPARAMS& params, UINT fromFirst, UINT count) {
  if (params.cArgs != count || !params.rgvarg) {
    return nullptr;
  }
  const VARIANT* v = &params.rgvarg[count - 1 - fromFirst];
  if (V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v)) {
    v = V_VARIANTREF(v);
  }
  return v;
}

std::wstring TextOf(const VARIANT* v) {
  if (v && V_VT(v) == VT_BSTR && V_BSTR(v)) {
    return std::wstring(V_BSTR(v), SysStringLen(V_BSTR(v)));
  }
  return {};
}

void CancelBy(const VARIANT* v) {
  if (v && V_VT(v) == (VT_BYREF | VT_BOOL) && V_BOOLREF(v)) {
    *V_BOOLREF(v) = VARIANT_TRUE;
  }
}

bool SameObject(IUnknown* a, IUnknown* b) {
  Microsoft::WRL::ComPtr<IUnknown> x;
  Microsoft::WRL::ComPtr<IUnknown> y;
  return a && b && SUCCEEDED(a->QueryInterface(IID_PPV_ARGS(&x))) &&
         SUCCEEDED(b->QueryInterface(IID_PPV_ARGS(&y))) && x == y;
}

}  // namespace

DWORD BrowserDownloadFlags() {
  return DLCTL_DLIMAGES | DLCTL_NO_SCRIPTS | DLCTL_NO_JAVA | DLCTL_NO_RUNACTIVEXCTLS |
         DLCTL_NO_DLACTIVEXCTLS | DLCTL_NO_BEHAVIORS | DLCTL_NO_CLIENTPULL | DLCTL_SILENT;
}

Microsoft::WRL::ComPtr<BrowserSite> BrowserSite::Embed(HWND host, win::Shell& shell) {
  Microsoft::WRL::ComPtr<BrowserSite> site = win::MakeCom<BrowserSite>(host, shell);
  if (!site->Activate()) {
    site->Close();
    return nullptr;
  }
  return site;
}

bool BrowserSite::Activate() {
  Microsoft::WRL::ComPtr<IOleObject> control;
  if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&control))) ||
      FAILED(control.As(&browser_))) {
    return false;
  }
  // The site comes first: the control asks it for the ambient flags before it loads anything.
  if (FAILED(control->SetClientSite(this))) {
    return false;
  }
  Microsoft::WRL::ComPtr<IConnectionPointContainer> points;
  Microsoft::WRL::ComPtr<IConnectionPoint> events;
  if (FAILED(browser_.As(&points)) ||
      FAILED(points->FindConnectionPoint(DIID_DWebBrowserEvents2, &events)) ||
      FAILED(events->Advise(static_cast<IDispatch*>(this), &eventsCookie_))) {
    return false;  // without the events, links would open inside the program
  }
  RECT area{};
  GetClientRect(host_, &area);
  return SUCCEEDED(control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, host_, &area));
}

void BrowserSite::Close() {
  if (!browser_) {
    return;
  }
  Microsoft::WRL::ComPtr<IConnectionPointContainer> points;
  Microsoft::WRL::ComPtr<IConnectionPoint> events;
  if (eventsCookie_ && SUCCEEDED(browser_.As(&points)) &&
      SUCCEEDED(points->FindConnectionPoint(DIID_DWebBrowserEvents2, &events))) {
    events->Unadvise(eventsCookie_);
  }
  eventsCookie_ = 0;
  Microsoft::WRL::ComPtr<IOleObject> control;
  if (SUCCEEDED(browser_.As(&control))) {
    control->Close(OLECLOSE_NOSAVE);
    control->SetClientSite(nullptr);
  }
  browser_.Reset();
}

// The base interfaces of the listed ones, and the events interface the control calls through
// IDispatch.
void* BrowserSite::OtherInterface(REFIID iid) {
  if (iid == IID_IOleWindow) return static_cast<IOleInPlaceSite*>(this);
  if (iid == IID_IOleInPlaceUIWindow) return static_cast<IOleInPlaceFrame*>(this);
  if (iid == DIID_DWebBrowserEvents2) return static_cast<IDispatch*>(this);
  return nullptr;
}

STDMETHODIMP BrowserSite::GetMoniker(DWORD, DWORD, IMoniker** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP BrowserSite::GetContainer(IOleContainer** out) {
  if (out) *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP BrowserSite::GetWindow(HWND* out) {
  if (!out) return E_POINTER;
  *out = host_;
  return S_OK;
}

STDMETHODIMP BrowserSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                           LPRECT position, LPRECT clip,
                                           LPOLEINPLACEFRAMEINFO info) {
  if (!frame || !document || !position || !clip || !info) {
    return E_POINTER;
  }
  *frame = this;
  AddRef();
  *document = nullptr;
  GetClientRect(host_, position);
  *clip = *position;
  info->fMDIApp = FALSE;
  info->hwndFrame = GetAncestor(host_, GA_ROOT);
  info->haccel = nullptr;
  info->cAccelEntries = 0;
  return S_OK;
}

STDMETHODIMP BrowserSite::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP BrowserSite::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                 VARIANT* result, EXCEPINFO*, UINT*) {
  if (id == DISPID_AMBIENT_DLCONTROL && (flags & DISPATCH_PROPERTYGET) && result) {
    VariantInit(result);
    V_VT(result) = VT_I4;
    V_I4(result) = static_cast<LONG>(BrowserDownloadFlags());
    return S_OK;
  }
  if (!params) {
    return DISP_E_MEMBERNOTFOUND;
  }
  switch (id) {
    case DISPID_BEFORENAVIGATE2:
      BeforeNavigate(*params);
      return S_OK;
    case DISPID_NEWWINDOW2:
      NewWindow(*params, false);
      return S_OK;
    case DISPID_NEWWINDOW3:
      NewWindow(*params, true);
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

// BeforeNavigate2(pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
void BrowserSite::BeforeNavigate(DISPPARAMS& params) {
  const VARIANT* who = Argument(params, 0, 7);
  const VARIANT* cancel = Argument(params, 6, 7);
  if (!who || !cancel) {
    return;
  }
  IUnknown* frame = V_VT(who) == VT_DISPATCH ? V_DISPATCH(who) : nullptr;
  bool topLevel = !frame || SameObject(frame, browser_.Get());
  std::wstring url = TextOf(Argument(params, 1, 7));
  switch (DecideNavigation(url, ownPage_, topLevel)) {
    case Navigation::Stay:
      return;
    case Navigation::OpenOutside:
      CancelBy(cancel);
      shell_.OpenLink(GetAncestor(host_, GA_ROOT), url);
      return;
    case Navigation::Refuse:
      CancelBy(cancel);
      return;
  }
}

// NewWindow2(ppDisp, Cancel); NewWindow3(ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl)
void BrowserSite::NewWindow(DISPPARAMS& params, bool withAddress) {
  UINT count = withAddress ? 5 : 2;
  const VARIANT* cancel = Argument(params, 1, count);
  if (!cancel) {
    return;
  }
  CancelBy(cancel);
  std::wstring url = withAddress ? TextOf(Argument(params, 4, count)) : std::wstring();
  if (withAddress && DecideNewWindow(url) == Navigation::OpenOutside) {
    shell_.OpenLink(GetAncestor(host_, GA_ROOT), url);
  }
}

}  // namespace kavro::promo
