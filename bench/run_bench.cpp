// A long modify run from the main window against the stand-in AutoCAD, with and without the
// time AutoCAD itself takes per drawing: what the run's own loop costs per drawing.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "run/progress_window_win.h"
#include "run/run_actions_win.h"
#include "support/run_fixture.h"

namespace kavro {
namespace {

constexpr int kDrawings = 200;

class RunBenchmark : public test::RunFixture {};

TEST_F(RunBenchmark, TwoHundredDrawings) {
  // Without latency, once with the journal and the log and once without: what they cost.
  struct Pass {
    int latency;
    bool records;
  };
  for (Pass pass : {Pass{20, true}, Pass{0, true}, Pass{0, false}, Pass{0, true}}) {
    int latency = pass.latency;
    Open(test::MakeTempFolder(L"run_program"), pass.records);
    StartStandin({.openMs = latency, .scriptMs = latency, .saveMs = latency});
    HWND list = window_->Item(MainControl::List2);
    for (int i = 0; i < kDrawings; ++i) {
      wchar_t name[32];
      swprintf(name, 32, L"d%03d.dwg", i);
      std::wstring path = test::MakeDrawing(folder_, name, test::kDrawing);
      SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
    }
    window_->SetItemText(MainControl::Text1, L"-text 0,0 page");
    ASSERT_TRUE(standin_->StartDirectly());
    window_->Runs().Preview();  // connected and warm: the figures are the loop's own
    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    window_->Runs().Modify();
    QueryPerformanceCounter(&end);
    ASSERT_TRUE(Messages().empty());
    double perDrawingMs = 1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) /
                          static_cast<double>(frequency.QuadPart) / kDrawings;
    if (latency > 0) {
      std::printf("latency %d ms: %.2f ms per drawing, %.3f x the %d ms AutoCAD takes\n", latency,
                  perDrawingMs, perDrawingMs / (3 * latency), 3 * latency);
    } else {
      std::printf("no latency, %s: %.2f ms per drawing\n",
                  pass.records ? "journal and log" : "no journal, no log", perDrawingMs);
    }
    if (auto* form = Form3()) form->Unload();
    services_->Get().cad.Disconnect();
    standin_.reset();
  }
}

}  // namespace
}  // namespace kavro
