// What the docking poll of both side windows costs this process while they are docked and the
// pointer rests elsewhere (scripts/bench.sh promo; takes about 11 s).
#include <windows.h>
#include <objbase.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "promo/promo_win.h"
#include "support/support.h"
#include "support/test_services.h"

namespace kavro::promo {
namespace {

unsigned long long CpuTime100ns() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto value = [](FILETIME t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return value(kernel) + value(user);
}

TEST(PromoBenchmark, PollingCost) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  test::TestServices services;
  services.Get().promoSettings.dockingDelayMs = 800;
  services.Get().promo.Show();
  HWND adfrm = test::FindTopWindow(GetCurrentThreadId(),
                                   [](HWND w) { return test::ClassOf(w) == L"adfrm"; });
  ASSERT_NE(adfrm, nullptr);
  ASSERT_TRUE(test::PumpUntil([&] {
    SetCursorPos(512, 700);
    RECT r{};
    GetWindowRect(adfrm, &r);
    return r.left == 1021;  // docked at the right edge
  }));
  unsigned long long before = CpuTime100ns();
  DWORD start = GetTickCount();
  test::PumpUntil([] { return false; }, 10000);
  double seconds = (GetTickCount() - start) / 1000.0;
  double used = static_cast<double>(CpuTime100ns() - before) / 1e7;
  std::printf("docking poll of two docked windows: %.2f%% of one core (%.2f s CPU in %.1f s)\n",
              100.0 * used / seconds, used, seconds);
}

}  // namespace
}  // namespace kavro::promo
