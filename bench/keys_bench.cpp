// How long one "script~<path>~" line takes to type and confirm in the stand-in AutoCAD's
// window, Unicode and ANSI, typed in three calls or in one, and whether any key went missing.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "run/keyboard_win.h"
#include "support/run_fixture.h"
#include "support/standin.h"
#include "support/support.h"

namespace kavro::run {
namespace {

constexpr DWORD kTimeoutMs = 5000;
constexpr int kLines = 200;

TEST(KeysBenchmark, TwoHundredScriptLines) {
  for (bool ansi : {false, true}) {
    for (bool oneGo : {false, true}) {
      test::Standin standin(test::StandinOptions{.ansiWindow = ansi});
      ASSERT_TRUE(standin.StartDirectly());
      std::wstring script =
          test::MakeDrawing(test::AwkwardFolder(L"keys-bench"), L"kavro.scr", "circle 0,0 5\r\n");
      ASSERT_TRUE(ActivateWindowByTitle(L"AutoCAD - [Drawing1.dwg]"));
      std::vector<double> ms;
      int failed = 0;
      for (int i = 0; i < kLines; ++i) {
        auto start = std::chrono::steady_clock::now();
        bool ok = oneGo ? TypeKeySequence(ScriptCommandKeys(script), kTimeoutMs)
                        : TypeKeys(L"script~", kTimeoutMs) && TypeLiteral(script, kTimeoutMs) &&
                              TypeKeys(L"~", kTimeoutMs);
        failed += ok ? 0 : 1;
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
      }
      std::vector<std::wstring> calls = standin.Calls();
      auto whole =
          std::count(calls.begin(), calls.end(), test::TypedLine(L"script~" + script + L"~"));
      std::sort(ms.begin(), ms.end());
      std::printf(
          "%s window, %s: %zu keys per line, median %.1f ms, p90 %.1f ms, max %.1f ms; "
          "%d of %d lines arrived whole, %zu typed lines logged, %d calls failed\n",
          ansi ? "ANSI" : "Unicode", oneGo ? "one call" : "three calls", script.size() + 8,
          ms[kLines / 2], ms[kLines * 9 / 10], ms.back(), static_cast<int>(whole), kLines,
          calls.size(), failed);
    }
  }
}

}  // namespace
}  // namespace kavro::run
