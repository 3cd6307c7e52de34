#include "support/standin_client.h"

#include <gtest/gtest.h>

#include <chrono>

#include "support/standin.h"
#include "support/support.h"

namespace kavro::test {

using Microsoft::WRL::ComPtr;
using win::ComFailure;
using win::InvokeKind;
using win::UniqueVariant;

namespace {

constexpr win::CallPolicy kOnce{0, nullptr};

bool IsOwnedBox(HWND window, HWND owner) {
  return GetWindow(window, GW_OWNER) == owner && IsWindowVisible(window) && IsWindowEnabled(window);
}

}  // namespace

ComPtr<IDispatch> CreateAutoCad() {
  CLSID clsid{};
  EXPECT_EQ(S_OK, CLSIDFromProgID(L"AutoCAD.Application", &clsid));
  ComPtr<IDispatch> app;
  EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&app)));
  return app;
}

ComPtr<IDispatch> Get(IDispatch* object, const wchar_t* name) {
  try {
    return win::Invoke(object, name, InvokeKind::PropertyGet, {}, kOnce).AsDispatch();
  } catch (const ComFailure& failure) {
    ADD_FAILURE() << name << " " << failure.Description();
    return nullptr;
  }
}

std::wstring GetText(IDispatch* object, const wchar_t* name) {
  return win::Invoke(object, name, InvokeKind::PropertyGet, {}, kOnce).AsString();
}

HRESULT Method(IDispatch* object, const wchar_t* name, std::initializer_list<const VARIANT*> args,
               std::wstring* description, UniqueVariant* result) {
  try {
    UniqueVariant answer = win::Invoke(object, name, InvokeKind::Method, args, kOnce);
    if (result) *result = std::move(answer);
    return S_OK;
  } catch (const ComFailure& failure) {
    if (description) *description = failure.Description();
    return failure.Result();
  }
}

HRESULT Method(IDispatch* object, const wchar_t* name, const UniqueVariant& arg,
               std::wstring* description) {
  return Method(object, name, {arg.Ptr()}, description);
}

UniqueVariant Text(std::wstring_view text) { return UniqueVariant::String(text); }

UniqueVariant Short(short value) {
  UniqueVariant v;
  VARIANT* raw = v.Receive();
  V_VT(raw) = VT_I2;
  V_I2(raw) = value;
  return v;
}

OwnedBox WaitForOwnedBox(DWORD timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  OwnedBox box;
  for (;;) {
    HWND owner = Standin::Window();
    DWORD thread = owner ? GetWindowThreadProcessId(owner, nullptr) : 0;
    if (thread) {
      box.window = FindTopWindow(thread, [owner](HWND w) { return IsOwnedBox(w, owner); });
    }
    // Every box of the stand-in has a title: without one it is still being made.
    if (box.window && !WindowText(box.window).empty()) break;
    if (std::chrono::steady_clock::now() >= deadline) return OwnedBox{};
    Sleep(10);
  }
  box.title = WindowText(box.window);
  box.text = WindowText(GetDlgItem(box.window, 0xFFFF));
  box.visible = IsWindowVisible(box.window) != FALSE;
  box.enabled = IsWindowEnabled(box.window) != FALSE;
  return box;
}

void Answer(const OwnedBox& box, int id) {
  PostMessageW(box.window, WM_COMMAND, static_cast<WPARAM>(id), 0);
}

}  // namespace kavro::test
