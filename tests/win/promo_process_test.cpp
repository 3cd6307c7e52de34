// kavro.exe with its side windows: they outlive the main window, the close picture ends the
// program, and the program ends after its last window closes.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "promo/promo_win.h"
#include "support/support.h"

namespace kavro::promo {
namespace {

struct Kavro {
  PROCESS_INFORMATION process{};
  ~Kavro() {
    if (process.hProcess) {
      TerminateProcess(process.hProcess, 1);
      CloseHandle(process.hProcess);
      CloseHandle(process.hThread);
    }
  }
  // Starts kavro.exe and waits for its main window and both side windows.
  bool Start() {
    std::wstring commandLine = L"\"" + test::KavroExePath() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    return CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process) &&
           (main = WaitForWindow(L"kavrofrm")) && (adfrm = WaitForWindow(L"adfrm")) &&
           (ad1frm = WaitForWindow(L"ad1frm"));
  }
  // A visible top-level window of this process with the given class.
  HWND WaitForWindow(const wchar_t* className) const {
    HWND w = nullptr;
    test::PumpUntil(
        [&] {
          w = test::FindTopWindow(0, [&](HWND candidate) {
            DWORD pid = 0;
            GetWindowThreadProcessId(candidate, &pid);
            return pid == process.dwProcessId && IsWindowVisible(candidate) &&
                   test::ClassOf(candidate) == className;
          });
          return w != nullptr;
        },
        10000);
    return w;
  }
  bool Ended(DWORD waitMs) const {
    return WaitForSingleObject(process.hProcess, waitMs) == WAIT_OBJECT_0;
  }
  bool EndedWithoutError() const {
    DWORD code = 1;
    return Ended(5000) && GetExitCodeProcess(process.hProcess, &code) && code == 0;
  }
  HWND main = nullptr;
  HWND adfrm = nullptr;
  HWND ad1frm = nullptr;
};

HWND Item(HWND w, PromoControl id) { return GetDlgItem(w, static_cast<int>(id)); }

TEST(PromoProcess, SideWindowsOutliveTheMainWindowAndTheClosePictureEndsTheProgram) {
  Kavro kavro;
  ASSERT_TRUE(kavro.Start());

  PostMessageW(kavro.main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(test::PumpUntil([&] { return !IsWindow(kavro.main); }));
  EXPECT_FALSE(kavro.Ended(300)) << "closing the main window alone must not end the program";
  EXPECT_TRUE(IsWindowVisible(kavro.adfrm));
  EXPECT_TRUE(IsWindowVisible(kavro.ad1frm));

  HWND close = Item(kavro.adfrm, PromoControl::Image2);
  ASSERT_NE(close, nullptr);
  PostMessageW(close, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  PostMessageW(close, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  EXPECT_TRUE(kavro.EndedWithoutError());
}

TEST(PromoProcess, ProgramEndsWhenItsLastWindowCloses) {
  Kavro kavro;
  ASSERT_TRUE(kavro.Start());
  PostMessageW(Item(kavro.adfrm, PromoControl::Label1), WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
  PostMessageW(kavro.main, WM_CLOSE, 0, 0);
  EXPECT_FALSE(kavro.Ended(300));
  EXPECT_FALSE(IsWindow(kavro.adfrm));
  EXPECT_TRUE(IsWindowVisible(kavro.ad1frm));
  PostMessageW(Item(kavro.ad1frm, PromoControl::Label1), WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
  EXPECT_TRUE(kavro.EndedWithoutError());
}

}  // namespace
}  // namespace kavro::promo
