// The stand-in AutoCAD itself, driven over COM as Kavro drives AutoCAD: what its log and its
// drawing files show must be what a client did, or the run tests built on it prove nothing.
#include <windows.h>
#include <oleauto.h>
#include <gtest/gtest.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "support/standin.h"
#include "support/support.h"

namespace kavro {
namespace {

using Microsoft::WRL::ComPtr;
using test::Arg;
using test::Call;
using test::Result;
using test::Standin;

ComPtr<IDispatch> Get(IDispatch* object, const wchar_t* name) {
  Result r;
  Call(r, object, name, DISPATCH_PROPERTYGET);
  EXPECT_EQ(S_OK, r.hr) << name << " " << r.description;
  return ComPtr<IDispatch>(r.Object());
}

std::wstring GetText(IDispatch* object, const wchar_t* name) {
  Result r;
  Call(r, object, name, DISPATCH_PROPERTYGET);
  return r.Text();
}

HRESULT Method(IDispatch* object, const wchar_t* name, std::vector<Arg> args,
               std::wstring* description = nullptr) {
  Result r;
  Call(r, object, name, DISPATCH_METHOD, std::move(args));
  if (description) *description = r.description;
  return r.hr;
}

ComPtr<IDispatch> CreateAutoCad() {
  CLSID clsid{};
  EXPECT_EQ(S_OK, CLSIDFromProgID(L"AutoCAD.Application", &clsid));
  ComPtr<IDispatch> app;
  EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&app)));
  return app;
}

class StandinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    folder_ = test::MakeTempFolder(L"standin-e2e");
  }
  void TearDown() override { CoUninitialize(); }
  std::wstring WriteScript(const std::string& text) {
    return test::MakeDrawing(folder_, L"kavro.scr", text);
  }
  std::wstring folder_;
};

TEST_F(StandinTest, RunsAScriptOnADrawingAndSavesItAsAutoCadWould) {
  Standin standin;
  std::wstring drawing = test::MakeDrawing(folder_, L"图纸 1.dwg", "DWG\r\n");
  std::wstring script = WriteScript("text 1 page 12\r\n");
  {
    ComPtr<IDispatch> app = CreateAutoCad();
    ASSERT_TRUE(app);
    Result visible;
    Call(visible, app.Get(), L"Visible", DISPATCH_PROPERTYPUT, {true});
    EXPECT_EQ(S_OK, visible.hr);
    EXPECT_TRUE(IsWindowVisible(Standin::Window()));
    EXPECT_EQ(L"AutoCAD - [Drawing1.dwg]", GetText(app.Get(), L"caption"));
    EXPECT_EQ(Standin::ExePath(), GetText(app.Get(), L"FullName"));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(Standin::TemplatePath().c_str()));

    ComPtr<IDispatch> documents = Get(app.Get(), L"Documents");
    std::wstring why;
    EXPECT_EQ(DISP_E_EXCEPTION, Method(documents.Get(), L"Add", {folder_ + L"\\none.dwt"}, &why));
    EXPECT_EQ(S_OK, Method(documents.Get(), L"Add", {Standin::TemplatePath()}));
    EXPECT_EQ(DISP_E_EXCEPTION, Method(documents.Get(), L"Open", {folder_ + L"\\none.dwg"}, &why));
    EXPECT_NE(std::wstring::npos, why.find(folder_ + L"\\none.dwg")) << why;
    EXPECT_EQ(S_OK, Method(documents.Get(), L"Open", {drawing}));
    EXPECT_EQ(L"AutoCAD - [图纸 1.dwg]", test::WindowText(Standin::Window()));
    ComPtr<IDispatch> active = Get(app.Get(), L"ActiveDocument");
    EXPECT_EQ(S_OK, Method(active.Get(), L"SendCommand", {L"filedia\r0\r"}));
    EXPECT_EQ(S_OK, Method(active.Get(), L"SendCommand", {L"script\r" + script + L"\r"}));
    // The script is read when the command runs, not when the drawing is saved.
    WriteScript("changed afterwards\r\n");
    EXPECT_EQ(S_OK, Method(active.Get(), L"Close", {true}));
    EXPECT_EQ(L"AutoCAD - [Drawing2.dwg]", GetText(app.Get(), L"Caption"));
    active.Reset();
    documents.Reset();
    EXPECT_EQ(S_OK, Method(app.Get(), L"Quit", {}));
  }
  EXPECT_EQ("DWG\r\ntext 1 page 12\r\n", test::ReadBytes(drawing));
  std::vector<std::wstring> expected = {
      L"put Application.Visible true",
      L"Documents.Add " + folder_ + L"\\none.dwt",
      L"Documents.Add " + Standin::TemplatePath(),
      L"Documents.Open " + folder_ + L"\\none.dwg",
      L"Documents.Open " + drawing,
      L"Document.SendCommand \"filedia\\r0\\r\"",
      L"Document.SendCommand " + test::LogQuote(L"script\r" + script + L"\r"),
      L"Document.Close true",
      L"Application.Quit",
  };
  EXPECT_EQ(expected, standin.Calls());
  EXPECT_TRUE(test::PumpUntil([] { return !Standin::IsRunning(); }, 5000));
}

TEST_F(StandinTest, ABackgroundScriptRejectsCallsUntilItIsDone) {
  Standin standin({.scriptMs = 400, .asyncScripts = true});
  ASSERT_TRUE(standin.StartDirectly());  // the attached case: found by GetActiveObject
  ComPtr<IDispatch> app = test::RunningAutoCad();
  ASSERT_TRUE(app);
  std::wstring drawing = test::MakeDrawing(folder_, L"a.dwg", "A\r\n");
  std::wstring script = WriteScript("zoom e\r\n");
  ComPtr<IDispatch> documents = Get(app.Get(), L"Documents");
  ASSERT_EQ(S_OK, Method(documents.Get(), L"Open", {drawing}));
  ComPtr<IDispatch> active = Get(app.Get(), L"ActiveDocument");
  ASSERT_EQ(S_OK, Method(active.Get(), L"SendCommand", {L"script\r" + script + L"\r"}));

  auto quiescent = [&] {
    Result state, q;
    Call(state, app.Get(), L"GetAcadState", DISPATCH_METHOD);
    if (!state.Object()) return false;
    Call(q, state.Object(), L"IsQuiescent", DISPATCH_PROPERTYGET);
    return V_VT(&q.value) == VT_BOOL && V_BOOL(&q.value) != VARIANT_FALSE;
  };
  EXPECT_FALSE(quiescent());
  EXPECT_EQ(RPC_E_CALL_REJECTED, Method(active.Get(), L"Close", {true}));
  EXPECT_TRUE(test::PumpUntil(quiescent, 5000));
  EXPECT_EQ(S_OK, Method(active.Get(), L"Close", {true}));
  EXPECT_EQ("A\r\nzoom e\r\n", test::ReadBytes(drawing));
}

}  // namespace
}  // namespace kavro
