#pragma once
// Driving the stand-in AutoCAD over COM from a test, one attempt per call (a test may want to see
// a busy server's refusal), and the modal boxes it shows, found from this process.
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "win/com_win.h"

namespace kavro::test {

// A new "AutoCAD.Application" (the stand-in, started by COM).
Microsoft::WRL::ComPtr<IDispatch> CreateAutoCad();

// The object property `name` holds; null (and a test failure) when the call fails.
Microsoft::WRL::ComPtr<IDispatch> Get(IDispatch* object, const wchar_t* name);
// A property read as text; throws ComFailure.
std::wstring GetText(IDispatch* object, const wchar_t* name);

// S_OK, or the failure's HRESULT (for an error the server described, its error number) and
// description. `result` receives what the method answered.
HRESULT Method(IDispatch* object, const wchar_t* name, std::initializer_list<const VARIANT*> args,
               std::wstring* description = nullptr, win::UniqueVariant* result = nullptr);
HRESULT Method(IDispatch* object, const wchar_t* name, const win::UniqueVariant& arg,
               std::wstring* description = nullptr);

win::UniqueVariant Text(std::wstring_view text);
win::UniqueVariant Short(short value);

// A window of the stand-in owned by its main window, as another process sees it.
struct OwnedBox {
  HWND window = nullptr;
  std::wstring title;
  std::wstring text;  // a message box's text
  bool visible = false;
  bool enabled = false;
};

// Waits up to `timeoutMs` for a visible, enabled window of the stand-in's main-window thread
// whose owner is that main window. Does not pump messages: may run on a thread of its own
// while another waits in a call to the stand-in.
OwnedBox WaitForOwnedBox(DWORD timeoutMs = 5000);
// Presses the button `id` (IDYES, IDNO, IDOK) of a box of the stand-in.
void Answer(const OwnedBox& box, int id);

}  // namespace kavro::test
