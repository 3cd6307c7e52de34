// The check before the first drawing over a long list on the local disk: every file is looked
// at and opened for writing once, and with a file keyword every drawing's script is encoded.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <string>

#include "run/drawing_check_win.h"
#include "support/support.h"

namespace kavro {
namespace {

constexpr int kDrawings = 10000;

TEST(DrawingCheckBenchmark, TenThousandDrawings) {
  std::wstring folder = test::MakeTempFolder(L"drawing-check-bench");
  run::RunInputs inputs{{}, L"-text 0,0 page <acet:cBaseName>\r\n", L"1", true};
  for (int i = 0; i < kDrawings; ++i) {
    inputs.drawings.push_back(test::MakeDrawing(folder, L"d" + std::to_wstring(i) + L".dwg"));
  }
  run::DrawingFilesOnDisk files;
  auto check = [&](bool existenceOnly) {
    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    auto problems = run::CheckDrawings(inputs, &files, run::AnsiEncodable, existenceOnly);
    QueryPerformanceCounter(&end);
    EXPECT_TRUE(problems.empty());
    return static_cast<double>(end.QuadPart - begin.QuadPart) /
           static_cast<double>(frequency.QuadPart);
  };
  // The first pass meets a cold cache; then the best of several, as the machine's other work
  // only ever adds. The last kind only looks whether each drawing is there (a preview's check):
  // what the opening for writing costs is the difference.
  constexpr int kRounds = 5;
  double first = check(false), best = 1e9, bestExistence = 1e9;
  for (int round = 0; round < kRounds; ++round) {
    best = std::min(best, check(false));
    bestExistence = std::min(bestExistence, check(true));
  }
  // The aim is under a second on a local disk; under Wine every open is two trips to its
  // server, so the figure is printed, not asserted.
  for (auto [what, seconds] : {std::pair{"first pass", first}, std::pair{"best of 5", best},
                               std::pair{"existence only, best of 5", bestExistence}}) {
    std::printf("%s: %d drawings checked in %.3f s (%.1f us each)%s\n", what, kDrawings, seconds,
                1e6 * seconds / kDrawings, seconds < 1.0 ? "" : ", over a second");
  }
  test::DeleteFilesIn(folder);
  RemoveDirectoryW(folder.c_str());
}

}  // namespace
}  // namespace kavro
