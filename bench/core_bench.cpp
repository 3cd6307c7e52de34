// The stand-in Core Console: how long one run takes from process start to exit, and what running
// several at once gains over running them one after another (the cost Kavro's parallel runs pay
// under Wine before any AutoCAD latency is simulated).
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "support/core_process.h"
#include "support/standin.h"
#include "support/support.h"

namespace kavro {
namespace {

double Milliseconds(LARGE_INTEGER begin, LARGE_INTEGER end) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

// Runs `count` consoles, `together` at a time; the wall time of all of them.
double RunAll(const std::wstring& folder, const std::wstring& script, int count, int together) {
  LARGE_INTEGER begin, end;
  QueryPerformanceCounter(&begin);
  for (int first = 0; first < count; first += together) {
    std::vector<std::unique_ptr<test::CoreProcess>> cores;
    for (int i = first; i < std::min(count, first + together); ++i) {
      std::wstring drawing = test::MakeDrawing(folder, L"d" + std::to_wstring(i) + L".dwg");
      cores.push_back(
          std::make_unique<test::CoreProcess>(L"/i \"" + drawing + L"\" /s \"" + script + L"\""));
    }
    for (auto& core : cores) EXPECT_TRUE(core->Wait());
  }
  QueryPerformanceCounter(&end);
  return Milliseconds(begin, end);
}

TEST(CoreBenchmark, OneRunAndFourAtOnce) {
  test::Standin standin;
  std::wstring folder = test::MakeTempFolder(L"core-bench");
  std::wstring script = test::MakeDrawing(folder, L"kavro.scr", "filedia 0\r\npage\r\n_.qsave\r\n");
  std::vector<double> single;
  for (int i = 0; i < 9; ++i) single.push_back(RunAll(folder, script, 1, 1));
  std::sort(single.begin(), single.end());
  std::printf("accoreconsole: one run %.0f ms from start to exit (median of 9)\n", single[4]);
  double sequential = RunAll(folder, script, 16, 1);
  double parallel = RunAll(folder, script, 16, 4);
  std::printf("accoreconsole: 16 runs one at a time %.0f ms, four at a time %.0f ms\n", sequential,
              parallel);
}

}  // namespace
}  // namespace kavro
