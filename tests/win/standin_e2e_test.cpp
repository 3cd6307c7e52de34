// The stand-in AutoCAD itself, driven over COM as Kavro drives AutoCAD: what its log and its
// drawing files show must be what a client did, or the run tests built on it prove nothing.
#include <windows.h>
#include <oleauto.h>
#include <gtest/gtest.h>
#include <wrl/client.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "support/standin.h"
#include "support/support.h"
#include "win/com_win.h"

namespace kavro {
namespace {

using Microsoft::WRL::ComPtr;
using test::Standin;
using win::ComFailure;
using win::InvokeKind;
using win::UniqueVariant;

// No retries: some tests want to see a busy server's refusal.
constexpr win::CallPolicy kOnce{0, nullptr};

ComPtr<IDispatch> Get(IDispatch* object, const wchar_t* name) {
  try {
    return win::Invoke(object, name, InvokeKind::PropertyGet, {}, kOnce).AsDispatch();
  } catch (const ComFailure& failure) {
    ADD_FAILURE() << name << " " << failure.Description();
    return nullptr;
  }
}

std::wstring GetText(IDispatch* object, const wchar_t* name) {
  return win::Invoke(object, name, InvokeKind::PropertyGet, {}, kOnce).AsString();
}

// S_OK, or the failure's HRESULT (for an error the server described, its error number) and
// description.
HRESULT Method(IDispatch* object, const wchar_t* name, std::initializer_list<const VARIANT*> args,
               std::wstring* description = nullptr) {
  try {
    win::Invoke(object, name, InvokeKind::Method, args, kOnce);
    return S_OK;
  } catch (const ComFailure& failure) {
    if (description) *description = failure.Description();
    return failure.Result();
  }
}
HRESULT Method(IDispatch* object, const wchar_t* name, const UniqueVariant& arg,
               std::wstring* description = nullptr) {
  return Method(object, name, {arg.Ptr()}, description);
}

UniqueVariant Text(std::wstring_view text) { return UniqueVariant::String(text); }

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
    UniqueVariant on = UniqueVariant::Bool(true);
    EXPECT_NO_THROW(win::Invoke(app.Get(), L"Visible", InvokeKind::PropertyPut, {on.Ptr()}));
    EXPECT_TRUE(IsWindowVisible(Standin::Window()));
    EXPECT_EQ(L"AutoCAD - [Drawing1.dwg]", GetText(app.Get(), L"caption"));
    EXPECT_EQ(Standin::ExePath(), GetText(app.Get(), L"FullName"));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(Standin::TemplatePath().c_str()));

    ComPtr<IDispatch> documents = Get(app.Get(), L"Documents");
    std::wstring why;
    EXPECT_EQ(E_FAIL, Method(documents.Get(), L"Add", Text(folder_ + L"\\none.dwt"), &why));
    EXPECT_EQ(S_OK, Method(documents.Get(), L"Add", Text(Standin::TemplatePath())));
    EXPECT_EQ(E_FAIL, Method(documents.Get(), L"Open", Text(folder_ + L"\\none.dwg"), &why));
    EXPECT_NE(std::wstring::npos, why.find(folder_ + L"\\none.dwg")) << why;
    EXPECT_EQ(S_OK, Method(documents.Get(), L"Open", Text(drawing)));
    EXPECT_EQ(L"AutoCAD - [图纸 1.dwg]", test::WindowText(Standin::Window()));
    ComPtr<IDispatch> active = Get(app.Get(), L"ActiveDocument");
    EXPECT_EQ(S_OK, Method(active.Get(), L"SendCommand", Text(L"filedia\r0\r")));
    EXPECT_EQ(S_OK, Method(active.Get(), L"SendCommand", Text(L"script\r" + script + L"\r")));
    // The script is read when the command runs, not when the drawing is saved.
    WriteScript("changed afterwards\r\n");
    EXPECT_EQ(S_OK, Method(active.Get(), L"Close", UniqueVariant::Bool(true)));
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
  ASSERT_EQ(S_OK, Method(documents.Get(), L"Open", Text(drawing)));
  ComPtr<IDispatch> active = Get(app.Get(), L"ActiveDocument");
  ASSERT_EQ(S_OK, Method(active.Get(), L"SendCommand", Text(L"script\r" + script + L"\r")));

  auto quiescent = [&] {
    try {
      ComPtr<IDispatch> state =
          win::Invoke(app.Get(), L"GetAcadState", InvokeKind::Method, {}, kOnce).AsDispatch();
      return win::Invoke(state.Get(), L"IsQuiescent", InvokeKind::PropertyGet, {}, kOnce).AsBool();
    } catch (const ComFailure&) {
      return false;
    }
  };
  EXPECT_FALSE(quiescent());
  EXPECT_EQ(RPC_E_CALL_REJECTED, Method(active.Get(), L"Close", UniqueVariant::Bool(true)));
  EXPECT_TRUE(test::PumpUntil(quiescent, 5000));
  EXPECT_EQ(S_OK, Method(active.Get(), L"Close", UniqueVariant::Bool(true)));
  EXPECT_EQ("A\r\nzoom e\r\n", test::ReadBytes(drawing));
}

TEST_F(StandinTest, AFaultOfItsOwnFailsOnlyThatCall) {
  Standin standin({.faultAt = 1});
  ASSERT_TRUE(standin.StartDirectly());
  ComPtr<IDispatch> app = test::RunningAutoCad();
  ASSERT_TRUE(app);
  std::wstring drawing = test::MakeDrawing(folder_, L"a.dwg");
  ComPtr<IDispatch> documents = Get(app.Get(), L"Documents");
  std::wstring why;
  EXPECT_EQ(E_UNEXPECTED, Method(documents.Get(), L"Open", Text(drawing), &why));
  EXPECT_NE(std::wstring::npos, why.find(L"planted fault at drawing 1")) << why;
  // The server lives on and answers the next calls as usual.
  EXPECT_EQ(S_OK, Method(documents.Get(), L"Open", Text(drawing)));
  EXPECT_EQ(L"AutoCAD - [a.dwg]", GetText(app.Get(), L"Caption"));
  documents.Reset();
  EXPECT_EQ(S_OK, Method(app.Get(), L"Quit", {}));
  app.Reset();
  EXPECT_TRUE(test::PumpUntil([] { return !Standin::IsRunning(); }, 5000));
}

}  // namespace
}  // namespace kavro
