// The stand-in's version, its system variables and the boxes it shows: scripts from folders
// outside TRUSTEDPATHS (AutoCAD 2014 to 2024) and a warning while a drawing opens. A client must
// meet them as it would meet AutoCAD's: owned by the main window, holding up the call.
#include <windows.h>
#include <oleauto.h>
#include <gtest/gtest.h>
#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/standin.h"
#include "support/standin_client.h"
#include "support/support.h"
#include "win/com_win.h"

namespace kavro {
namespace {

using Microsoft::WRL::ComPtr;
using test::Get;
using test::GetText;
using test::Method;
using test::OwnedBox;
using test::Short;
using test::Standin;
using test::Text;
using win::UniqueVariant;

constexpr wchar_t kUntrustedTitle[] = L"AutoCAD - 安全 - 未签名的可执行文件";

// What a box showed while a call waited for it to be answered.
struct Answered {
  OwnedBox box;
  bool ownerEnabled = true;
  bool callHadReturned = true;
};

// Makes `call` here while another thread answers the stand-in's next owned box with `id`. Should
// no box come, the stand-in is ended so that the call returns and the test fails.
Answered CallAnswering(const std::function<void()>& call, int id) {
  Answered seen;
  std::atomic<bool> returned{false};
  std::thread answerer([&] {
    seen.box = test::WaitForOwnedBox(10000);
    if (!seen.box.window) return Standin::KillAll();
    seen.ownerEnabled = IsWindowEnabled(Standin::Window()) != FALSE;
    seen.callHadReturned = returned;
    test::Answer(seen.box, id);
  });
  call();
  returned = true;
  answerer.join();
  return seen;
}

bool Contains(const std::vector<std::wstring>& lines, const std::wstring& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class StandinTrustTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    folder_ = test::MakeTempFolder(L"standin-trust");
    for (const wchar_t* sub : {L"\\trusted", L"\\trusted\\sub", L"\\untrusted"}) {
      CreateDirectoryW((folder_ + sub).c_str(), nullptr);
    }
  }
  void TearDown() override {
    drawing_.Reset();
    if (app_) Method(app_.Get(), L"Quit", {});
    app_.Reset();
    test::PumpUntil([] { return !Standin::IsRunning(); }, 5000);
    standin_.reset();
    CoUninitialize();
  }

  // Starts the stand-in by COM and opens a fresh drawing in it.
  void Start(const test::StandinOptions& options = {}) {
    standin_ = std::make_unique<Standin>(options);
    app_ = test::CreateAutoCad();
    ASSERT_TRUE(app_);
    drawingPath_ = test::MakeDrawing(folder_, L"a.dwg", "DWG\r\n");
    ComPtr<IDispatch> documents = Get(app_.Get(), L"Documents");
    ASSERT_EQ(S_OK, Method(documents.Get(), L"Open", Text(drawingPath_)));
    drawing_ = Get(app_.Get(), L"ActiveDocument");
    ASSERT_TRUE(drawing_);
  }
  // A script in `sub` of the test folder.
  std::wstring Script(const std::wstring& sub, const std::string& text) {
    return test::MakeDrawing(folder_ + sub, L"kavro.scr", text);
  }
  HRESULT RunScript(const std::wstring& path) {
    return Method(drawing_.Get(), L"SendCommand", Text(L"script\r" + path + L"\r"));
  }
  // Saves and closes the drawing; what its file holds then.
  std::string SavedDrawing() {
    EXPECT_EQ(S_OK, Method(drawing_.Get(), L"Close", UniqueVariant::Bool(true)));
    drawing_.Reset();
    return test::ReadBytes(drawingPath_);
  }
  UniqueVariant Variable(const wchar_t* name, HRESULT* hr = nullptr) {
    UniqueVariant value;
    UniqueVariant arg = Text(name);
    HRESULT got = Method(drawing_.Get(), L"GetVariable", {arg.Ptr()}, nullptr, &value);
    if (hr) *hr = got;
    return value;
  }
  HRESULT SetVariable(const wchar_t* name, const UniqueVariant& value,
                      std::wstring* why = nullptr) {
    UniqueVariant arg = Text(name);
    return Method(drawing_.Get(), L"SetVariable", {arg.Ptr(), value.Ptr()}, why);
  }

  std::unique_ptr<Standin> standin_;
  std::wstring folder_;
  std::wstring drawingPath_;
  ComPtr<IDispatch> app_;
  ComPtr<IDispatch> drawing_;
};

TEST_F(StandinTrustTest, AnswersItsVersionAndReadsAndSetsSystemVariables) {
  ASSERT_NO_FATAL_FAILURE(
      Start({.version = L"23.1s (LMS Tech)", .secureLoad = 2, .trustedPaths = L"C:\\a"}));
  EXPECT_EQ(L"23.1s (LMS Tech)", GetText(app_.Get(), L"Version"));

  UniqueVariant secure = Variable(L"SECURELOAD");
  EXPECT_EQ(VT_I2, secure.Type());
  EXPECT_EQ(2, V_I2(secure.Ptr()));
  UniqueVariant paths = Variable(L"trustedpaths");
  EXPECT_EQ(VT_BSTR, paths.Type());
  EXPECT_EQ(L"C:\\a", paths.AsString());

  EXPECT_EQ(S_OK, SetVariable(L"TRUSTEDPATHS", Text(L"C:\\a;C:\\b")));
  EXPECT_EQ(L"C:\\a;C:\\b", Variable(L"TRUSTEDPATHS").AsString());
  EXPECT_EQ(S_OK, SetVariable(L"SECURELOAD", Short(0)));
  EXPECT_EQ(0, V_I2(Variable(L"SECURELOAD").Ptr()));
  // Out of range, or not the variable's type: refused, and the value stays.
  std::wstring why;
  EXPECT_EQ(DISP_E_EXCEPTION, SetVariable(L"SECURELOAD", Short(3), &why));
  EXPECT_EQ(L"Error setting system variable", why);
  EXPECT_EQ(E_INVALIDARG, SetVariable(L"SECURELOAD", Text(L"1")));
  EXPECT_EQ(0, V_I2(Variable(L"SECURELOAD").Ptr()));

  // FILEDIA is the one the command line sets.
  EXPECT_EQ(1, V_I2(Variable(L"FILEDIA").Ptr()));
  EXPECT_EQ(S_OK, Method(drawing_.Get(), L"SendCommand", Text(L"filedia\r0\r")));
  EXPECT_EQ(0, V_I2(Variable(L"FILEDIA").Ptr()));

  HRESULT hr = S_OK;
  Variable(L"NOSUCHVAR", &hr);
  EXPECT_EQ(E_INVALIDARG, hr);
  EXPECT_EQ(E_INVALIDARG, SetVariable(L"NOSUCHVAR", Short(1)));

  std::vector<std::wstring> calls = standin_->Calls();
  EXPECT_TRUE(Contains(calls, L"Document.GetVariable trustedpaths"));
  EXPECT_TRUE(Contains(calls, L"Document.SetVariable TRUSTEDPATHS C:\\a;C:\\b"));
  EXPECT_TRUE(Contains(calls, L"Document.SetVariable SECURELOAD 3"));
  EXPECT_TRUE(Contains(calls, L"Document.GetVariable NOSUCHVAR"));
}

TEST_F(StandinTrustTest, ALockedTrustedPathsKeepsItsValue) {
  ASSERT_NO_FATAL_FAILURE(Start({.trustedPaths = L"D:\\cad\\...", .trustedPathsLocked = true}));
  std::wstring why;
  EXPECT_EQ(DISP_E_EXCEPTION, SetVariable(L"TRUSTEDPATHS", Text(L"C:\\x"), &why));
  EXPECT_EQ(L"Error setting system variable", why);
  EXPECT_EQ(L"D:\\cad\\...", Variable(L"TRUSTEDPATHS").AsString());
  EXPECT_TRUE(Contains(standin_->Calls(), L"Document.SetVariable TRUSTEDPATHS C:\\x"));
}

TEST_F(StandinTrustTest, WithSecureLoad2AScriptRunsOnlyFromATrustedFolder) {
  ASSERT_NO_FATAL_FAILURE(
      Start({.version = L"24.0", .secureLoad = 2, .trustedPaths = folder_ + L"\\TRUSTED\\..."}));
  std::wstring untrusted = Script(L"\\untrusted", "erase all\r\n");
  std::wstring trusted = Script(L"\\trusted\\sub", "zoom e\r\n");
  EXPECT_EQ(S_OK, RunScript(untrusted));
  EXPECT_EQ(S_OK, RunScript(trusted));
  EXPECT_FALSE(test::WaitForOwnedBox(0).window);
  EXPECT_EQ("DWG\r\nzoom e\r\n", SavedDrawing());
  EXPECT_TRUE(Contains(standin_->LogLines(), L"- script ignored: untrusted " + untrusted));
}

TEST_F(StandinTrustTest, AsRelease15ItNeverChecksWhereAScriptComesFrom) {
  ASSERT_NO_FATAL_FAILURE(Start());  // SECURELOAD 1, nothing trusted
  EXPECT_EQ(L"15.0", GetText(app_.Get(), L"Version"));
  EXPECT_EQ(S_OK, RunScript(Script(L"\\untrusted", "zoom e\r\n")));
  EXPECT_EQ("DWG\r\nzoom e\r\n", SavedDrawing());
}

TEST_F(StandinTrustTest, WithSecureLoad1AnOwnedWarningHoldsTheScriptUntilAnswered) {
  ASSERT_NO_FATAL_FAILURE(
      Start({.version = L"23.1", .secureLoad = 1, .trustedPaths = folder_ + L"\\trusted"}));
  std::wstring loaded = Script(L"\\untrusted", "zoom e\r\n");
  Answered yes = CallAnswering([&] { EXPECT_EQ(S_OK, RunScript(loaded)); }, IDYES);
  ASSERT_TRUE(yes.box.window);
  EXPECT_EQ(kUntrustedTitle, yes.box.title);
  EXPECT_NE(std::wstring::npos, yes.box.text.find(loaded)) << yes.box.text;
  EXPECT_TRUE(yes.box.visible && yes.box.enabled);
  EXPECT_FALSE(yes.ownerEnabled);  // modal
  EXPECT_FALSE(yes.callHadReturned);

  std::wstring refused = Script(L"\\untrusted", "erase all\r\n");
  Answered no = CallAnswering([&] { EXPECT_EQ(S_OK, RunScript(refused)); }, IDNO);
  EXPECT_TRUE(no.box.window);
  // The trusted folder itself, written with another case and a trailing "\", asks nothing.
  EXPECT_EQ(S_OK, SetVariable(L"TRUSTEDPATHS", Text(folder_ + L"\\UNTRUSTED\\")));
  std::wstring trusted = Script(L"\\untrusted", "regen\r\n");
  EXPECT_EQ(S_OK, RunScript(trusted));
  EXPECT_EQ("DWG\r\nzoom e\r\nregen\r\n", SavedDrawing());
  EXPECT_TRUE(Contains(standin_->LogLines(), L"- script not loaded: " + refused));
}

TEST_F(StandinTrustTest, InTheBackgroundTheWarningKeepsItBusyUntilAnswered) {
  ASSERT_NO_FATAL_FAILURE(Start({.scriptMs = 50, .asyncScripts = true, .version = L"19.1"}));
  EXPECT_EQ(S_OK, RunScript(Script(L"\\untrusted", "zoom e\r\n")));
  auto quiescent = [&] {
    try {
      constexpr win::CallPolicy once{0, nullptr};
      ComPtr<IDispatch> state =
          win::Invoke(app_.Get(), L"GetAcadState", win::InvokeKind::Method, {}, once).AsDispatch();
      return win::Invoke(state.Get(), L"IsQuiescent", win::InvokeKind::PropertyGet, {}, once)
          .AsBool();
    } catch (const win::ComFailure&) {
      return false;
    }
  };
  OwnedBox box = test::WaitForOwnedBox();
  ASSERT_TRUE(box.window);
  EXPECT_EQ(kUntrustedTitle, box.title);
  EXPECT_FALSE(quiescent());
  EXPECT_EQ(RPC_E_CALL_REJECTED, Method(drawing_.Get(), L"Close", UniqueVariant::Bool(true)));
  test::Answer(box, IDYES);
  EXPECT_TRUE(test::PumpUntil(quiescent, 5000));
  EXPECT_EQ("DWG\r\nzoom e\r\n", SavedDrawing());
}

TEST_F(StandinTrustTest, OpeningTheKthDrawingWaitsForAnOwnedWarning) {
  ASSERT_NO_FATAL_FAILURE(Start({.dialogAt = 2}));  // the first drawing opens without one
  std::wstring second = test::MakeDrawing(folder_, L"b.dwg");
  ComPtr<IDispatch> documents = Get(app_.Get(), L"Documents");
  Answered ok =
      CallAnswering([&] { EXPECT_EQ(S_OK, Method(documents.Get(), L"Open", Text(second))); }, IDOK);
  ASSERT_TRUE(ok.box.window);
  EXPECT_EQ(L"AutoCAD 警告", ok.box.title);
  EXPECT_EQ(L"缺少 SHX 文件：romans.shx", ok.box.text);
  EXPECT_TRUE(ok.box.visible && ok.box.enabled);
  EXPECT_FALSE(ok.ownerEnabled);
  EXPECT_FALSE(ok.callHadReturned);
  EXPECT_EQ(L"AutoCAD - [b.dwg]", GetText(app_.Get(), L"Caption"));
  documents.Reset();
}

}  // namespace
}  // namespace kavro
