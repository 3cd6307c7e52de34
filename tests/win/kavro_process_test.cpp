// kavro.exe as a user starts it: its window appears, and the exit button ends the process.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/main_layout.h"
#include "support/support.h"

namespace kavro {
namespace {

struct Started {
  PROCESS_INFORMATION process{};
  HWND window = nullptr;
  double msToVisible = 0;
};

Started StartKavro() {
  Started s;
  std::wstring commandLine = L"\"" + test::KavroExePath() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  LARGE_INTEGER frequency, begin, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&begin);
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &s.process)) {
    return s;
  }
  for (int i = 0; i < 20000 && !s.window; ++i) {
    HWND w = FindWindowW(L"kavrofrm", L"Kavro V2.5");
    if (w && IsWindowVisible(w)) {
      s.window = w;
    } else {
      Sleep(1);
    }
  }
  QueryPerformanceCounter(&now);
  s.msToVisible = 1000.0 * static_cast<double>(now.QuadPart - begin.QuadPart) /
                  static_cast<double>(frequency.QuadPart);
  return s;
}

void Close(Started& s) {
  if (s.process.hProcess) {
    TerminateProcess(s.process.hProcess, 1);
    CloseHandle(s.process.hProcess);
    CloseHandle(s.process.hThread);
  }
}

TEST(KavroProcess, ExitButtonEndsTheProgramAtOnce) {
  Started s = StartKavro();
  ASSERT_NE(s.window, nullptr) << "main window did not appear";
  HWND exitButton = GetDlgItem(s.window, ControlCommandId(MainControl::xpcmdbutton3));
  ASSERT_NE(exitButton, nullptr);
  PostMessageW(exitButton, BM_CLICK, 0, 0);
  EXPECT_EQ(WaitForSingleObject(s.process.hProcess, 10000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(s.process.hProcess, &code);
  EXPECT_EQ(code, 0u);
  Close(s);
}

TEST(KavroProcess, StartUpTime) {
  std::vector<double> times;
  for (int i = 0; i < 3; ++i) {
    Started s = StartKavro();
    ASSERT_NE(s.window, nullptr);
    times.push_back(s.msToVisible);
    Close(s);
  }
  std::sort(times.begin(), times.end());
  std::printf("kavro.exe: main window shown %.0f ms after process start (median of 3)\n", times[1]);
}

}  // namespace
}  // namespace kavro
