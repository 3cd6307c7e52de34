// The stand-in's automation objects in this process: whatever a member throws, the caller gets a
// failed call and the object keeps answering; its settings file reads back what was written.
#include <windows.h>
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

#include "standin/config.h"
#include "standin/dispatch.h"
#include "win/com_object_win.h"
#include "win/com_win.h"

namespace kavro {
namespace {

using win::ComFailure;
using win::InvokeKind;

constexpr win::CallPolicy kOnce{0, nullptr};

// Each member throws in its own way, except "Fine".
class Throwing final : public standin::Dispatch {
 public:
  Throwing() : Dispatch(L"Throwing", {L"Fine", L"Error", L"Busy", L"Memory", L"Logic", L"Other"}) {}

 protected:
  void Call(const std::wstring& member, bool, const standin::Args&, VARIANT* result) override {
    if (member == L"Error") throw standin::CallError{E_FAIL, L"图纸无效"};
    if (member == L"Busy") throw standin::CallRejected{RPC_E_CALL_REJECTED};
    if (member == L"Memory") throw std::bad_alloc();
    if (member == L"Logic") throw std::out_of_range("map::at");
    if (member == L"Other") throw 42;
    standin::SetString(result, L"fine");
  }
};

// The HRESULT and description the caller sees of `member`.
ComFailure FailureOf(IDispatch* object, const wchar_t* member) {
  try {
    win::Invoke(object, member, InvokeKind::Method, {}, kOnce);
  } catch (const ComFailure& failure) {
    return failure;
  }
  return ComFailure(S_OK, 0, L"");
}

TEST(StandinDispatch, NoExceptionCrossesCom) {
  auto object = win::MakeCom<Throwing>();
  ComFailure error = FailureOf(object.Get(), L"Error");
  EXPECT_EQ(error.Result(), E_FAIL);
  EXPECT_EQ(error.Description(), L"图纸无效");
  EXPECT_EQ(FailureOf(object.Get(), L"Busy").Result(), RPC_E_CALL_REJECTED);
  EXPECT_EQ(FailureOf(object.Get(), L"Memory").Result(), E_OUTOFMEMORY);
  ComFailure logic = FailureOf(object.Get(), L"Logic");
  EXPECT_EQ(logic.Result(), E_UNEXPECTED);
  EXPECT_NE(logic.Description().find(L"map::at"), std::wstring::npos) << logic.Description();
  EXPECT_EQ(FailureOf(object.Get(), L"Other").Result(), E_UNEXPECTED);
  EXPECT_EQ(FailureOf(object.Get(), L"Missing").Result(), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(win::Invoke(object.Get(), L"fine", InvokeKind::Method).AsString(), L"fine");

  // A fault of the stand-in's own reaches the caller as a described exception.
  DISPPARAMS none{};
  EXCEPINFO info{};
  VARIANT result;
  VariantInit(&result);
  EXPECT_EQ(object->Invoke(5, IID_NULL, 0, DISPATCH_METHOD, &none, &result, &info, nullptr),
            DISP_E_EXCEPTION);
  EXPECT_EQ(info.scode, E_UNEXPECTED);
  EXPECT_EQ(V_VT(&result), VT_EMPTY);
  SysFreeString(info.bstrDescription);
  SysFreeString(info.bstrSource);
  EXPECT_EQ(object->Invoke(99, IID_NULL, 0, DISPATCH_METHOD, &none, &result, &info, nullptr),
            DISP_E_MEMBERNOTFOUND);
}

TEST(StandinConfig, ReadsBackWhatWasWrittenAndIgnoresTheRest) {
  standin::Config config{.log = L"C:\\日志\\a b.log",
                         .openMs = 12,
                         .asyncScripts = true,
                         .hangMs = -1,
                         .captionDiffers = true,
                         .faultAt = 3};
  EXPECT_EQ(standin::ParseConfig(standin::ConfigText(config)), config);
  EXPECT_EQ(standin::ParseConfig(standin::ConfigText({})), standin::Config{});

  standin::Config read = standin::ParseConfig(
      "# note\r\n  failAt = 2 \r\nunknown=5\r\nsaveMs=lots\r\nno equals sign\r\nansiWindow=1");
  EXPECT_EQ(read, (standin::Config{.failAt = 2, .ansiWindow = true}));
}

}  // namespace
}  // namespace kavro
