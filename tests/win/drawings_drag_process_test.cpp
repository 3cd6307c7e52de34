// Files dragged from another program onto the list of a running kavro.exe, the way a file manager
// drags them: the pointer is pressed on the source, moved over the list and released there; then
// its exit button ends it at once.
#include <windows.h>
#include <gtest/gtest.h>
#include <ole2.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "support/kavro_process.h"
#include "support/support.h"

namespace kavro::test {
namespace {

// Drops where the left button is released, like every drag source. The release also counts when
// only the hand tells of it: under Wine the button's state reaches the dragging thread only while
// that thread is in the foreground, which a test cannot always arrange.
class ButtonDropSource final : public IDropSource {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = (iid == IID_IUnknown || iid == IID_IDropSource) ? this : nullptr;
    return *out ? S_OK : E_NOINTERFACE;  // lives on the stack: no counting
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override {
    if (escape || GetTickCount() - started_ > 8000) return DRAGDROP_S_CANCEL;
    return (keys & MK_LBUTTON) && !released ? S_OK : DRAGDROP_S_DROP;
  }
  std::atomic<bool> released = false;
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

 private:
  DWORD started_ = GetTickCount();
};

void SendMouse(DWORD flags, POINT at = {}) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  if (flags & MOUSEEVENTF_ABSOLUTE) {
    input.mi.dx = MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  }
  SendInput(1, &input, sizeof(input));
}

POINT CentreOf(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// A small window of this process, below kavro's main window, to press the pointer on.
HWND CreateSourceWindow(HWND below) {
  RECT r{};
  GetWindowRect(below, &r);
  HWND source =
      CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"drag source", WS_POPUP | WS_VISIBLE, r.left + 40,
                      r.bottom + 20, 120, 40, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  PumpPending();
  return source;
}

TEST(DrawingsDragFromAnotherProgram, ReachesTheListThroughItsFrame) {
  ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
  KavroProcess kavro;
  ASSERT_TRUE(kavro.Start());
  HWND list = kavro.Item(MainControl::List2);
  ASSERT_NE(list, nullptr);
  POINT target = CentreOf(list);
  // Asked from this process, the pointer's window there is the list, not its frame.
  EXPECT_EQ(WindowFromPoint(target), list);

  HWND source = CreateSourceWindow(kavro.main);
  ASSERT_NE(source, nullptr);
  POINT start = CentreOf(source);
  ASSERT_NE(WindowFromPoint(start), list);
  {
    auto files = ClipboardOffering(
        CF_HDROP, DropFileList({L"D:\\图纸\\b.dwg", L"D:\\图纸\\a.dwg", L"D:\\图纸\\readme.txt"}));
    ASSERT_NE(files, nullptr);
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, start);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    ASSERT_TRUE(PumpUntil([] { return (GetKeyState(VK_LBUTTON) & 0x8000) != 0; }, 3000));

    // The drag runs inside DoDragDrop: the pointer is moved from another thread meanwhile.
    ButtonDropSource dropSource;
    std::thread hand([&] {
      for (int step = 1; step <= 10; ++step) {
        Sleep(60);
        SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE,
                  {start.x + (target.x - start.x) * step / 10,
                   start.y + (target.y - start.y) * step / 10});
      }
      Sleep(400);  // a few rounds over the list, as a hand would
      SendMouse(MOUSEEVENTF_LEFTUP);
      dropSource.released = true;
    });
    DWORD effect = DROPEFFECT_NONE;
    HRESULT hr = DoDragDrop(files.Get(), &dropSource, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
    hand.join();
    EXPECT_EQ(hr, DRAGDROP_S_DROP) << std::hex << hr;
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  }
  EXPECT_EQ(ListBoxEntries(list), (Lines{L"D:\\图纸\\a.dwg", L"D:\\图纸\\b.dwg"}));
  DestroyWindow(source);
  OleUninitialize();
  // The exit button ends the program at once.
  PostMessageW(kavro.Item(MainControl::xpcmdbutton3), BM_CLICK, 0, 0);
  EXPECT_TRUE(kavro.EndedWithoutError());
}

}  // namespace
}  // namespace kavro::test
