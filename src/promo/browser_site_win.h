#pragma once
// The site in which a side window's browser control lives: the smallest OLE container that
// activates the control in a child window, plus what keeps the page from running anything inside
// the program. The control asks its site for the ambient download control flags, and the site
// answers: images only, no script, no ActiveX control, no Java, no client pull, no dialogs. The
// control's events pass through it too: a new window is refused, and a link to another page is
// cancelled and handed to the user's browser (see promo/navigation.h).
#include <windows.h>
#include <exdisp.h>
#include <ole2.h>
#include <wrl/client.h>

#include <string>

#include "win/com_object_win.h"
#include "win/shell_win.h"

namespace kavro::promo {

// The flags the site answers for DISPID_AMBIENT_DLCONTROL.
DWORD BrowserDownloadFlags();

class BrowserSite final
    : public win::ComObject<IOleClientSite, IOleInPlaceSite, IOleInPlaceFrame, IDispatch> {
 public:
  // Creates the control in `host` (a child window filled by it); null when it cannot be made.
  // Other pages go to `shell`, which must outlive the host window.
  static Microsoft::WRL::ComPtr<BrowserSite> Embed(HWND host, win::Shell& shell);
  // Use Embed: a site is of use only with its control activated.
  BrowserSite(HWND host, win::Shell& shell) : host_(host), shell_(shell) {}
  // Ends the control: its window goes, and it releases this site.
  void Close();

  IWebBrowser2* Browser() const { return browser_.Get(); }
  // The page the window shows; navigations to it stay inside.
  void SetOwnPage(std::wstring page) { ownPage_ = std::move(page); }

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override;
  STDMETHODIMP GetContainer(IOleContainer** out) override;
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }
  // IOleWindow, for both the in-place site and the frame
  STDMETHODIMP GetWindow(HWND* out) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return S_OK; }
  STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }
  // IOleInPlaceUIWindow, IOleInPlaceFrame: no menus, tool space or status bar to share
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }
  // IDispatch: the ambient properties and the control's events (DWebBrowserEvents2)
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO*, UINT*) override;

 protected:
  void* OtherInterface(REFIID iid) override;

 private:
  bool Activate();
  void BeforeNavigate(DISPPARAMS& params);
  void NewWindow(DISPPARAMS& params, bool withAddress);

  HWND host_;
  win::Shell& shell_;
  std::wstring ownPage_;
  Microsoft::WRL::ComPtr<IWebBrowser2> browser_;
  DWORD eventsCookie_ = 0;
};

}  // namespace kavro::promo
