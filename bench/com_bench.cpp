// What one automation call to the stand-in AutoCAD costs from this process: the floor under the
// run's cost per drawing (a drawing takes eight such calls, four of them returning an object).
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "support/standin.h"
#include "win/com_win.h"

namespace kavro {
namespace {

using win::InvokeKind;

template <typename Step>
double MillisecondsPerCall(int count, Step step) {
  LARGE_INTEGER frequency, begin, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&begin);
  for (int i = 0; i < count; ++i) step();
  QueryPerformanceCounter(&end);
  return 1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) / frequency.QuadPart / count;
}

TEST(ComBenchmark, OneCall) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    test::Standin standin;
    ASSERT_TRUE(standin.StartDirectly());
    Microsoft::WRL::ComPtr<IDispatch> app = test::RunningAutoCad();
    ASSERT_TRUE(app);
    win::DispIdCache appIds;
    constexpr int kCalls = 300;
    double property = MillisecondsPerCall(kCalls, [&] {
      win::Invoke(app.Get(), L"Caption", InvokeKind::PropertyGet, {}, {}, &appIds);
    });
    double object = MillisecondsPerCall(kCalls, [&] {
      win::Invoke(app.Get(), L"ActiveDocument", InvokeKind::PropertyGet, {}, {}, &appIds);
    });
    double newObject = MillisecondsPerCall(kCalls, [&] {
      win::Invoke(app.Get(), L"GetAcadState", InvokeKind::Method, {}, {}, &appIds);
    });
    std::printf("a property: %.2f ms; an object already known: %.2f ms; a new object: %.2f ms\n",
                property, object, newObject);
    Microsoft::WRL::ComPtr<IDispatch> none;
    app = none;
    test::Standin::KillAll();
  }
  CoUninitialize();
}

}  // namespace
}  // namespace kavro
