// The stand-in AutoCAD: an out-of-process automation server registered as
// "AutoCAD.Application", for Kavro's tests and demo where no AutoCAD can run.
//
//   acad.exe /RegServer     installs itself as <Program Files>\AutoCAD\acad.exe (with
//                           TEMPLATE\acad.dwt beside it) and registers that copy under HKLM;
//                           exit code 1 when a running stand-in kept its older copy there
//   acad.exe /UnregServer   removes the registration
//   acad.exe --config <ini> [-Embedding]
//                           runs; settings and the log path come from the file (config.h).
//                           COM adds -Embedding when it starts the server; the window then
//                           stays hidden until a client sets Visible.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "cad.h"
#include "config.h"
#include "dispatch.h"
#include "log.h"
#include "objects.h"
#include "registration.h"
#include "window.h"

namespace standin {
namespace {

// The class object: every client gets the one Application.
class Factory final : public kavro::win::ComObject<IClassFactory> {
 public:
  explicit Factory(IDispatch* app) : app_(app) {}
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    try {
      TheLog().Note(L"client connected");
    } catch (...) {
      return FailureOfCall(L"ClassFactory", L"CreateInstance", nullptr);
    }
    return app_->QueryInterface(riid, object);
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }

 private:
  IDispatch* app_;
};

// The running object of a stand-in that refuses to be attached to.
class Refusing final : public kavro::win::ComObject<IUnknown> {};

DWORD classCookie = 0;
DWORD rotCookie = 0;

std::wstring DefaultLogPath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring log = path;
  return log.substr(0, log.find_last_of(L'\\') + 1) + L"standin.log";
}

int Serve(const std::wstring& configPath, bool embedded, const std::wstring& commandLine) {
  Config config = ReadConfig(configPath);
  if (config.log.empty()) config.log = DefaultLogPath();
  if (config.historyFolder.empty()) {
    config.historyFolder = config.log.substr(0, config.log.find_last_of(L'\\') + 1) + L"history";
  }
  TheLog().Open(config.log);
  TheLog().Note(L"start " + commandLine);
  TheLog().Note(std::wstring(config.ansiWindow ? L"ANSI" : L"Unicode") + L" window, code page " +
                std::to_wstring(GetACP()));
  CreateCad(config);
  HWND window = CreateMainWindow(config.ansiWindow);
  TheCad().AttachWindow(window);
  SetWindowTextW(window, TheCad().Caption().c_str());
  if (!embedded) ShowWindow(window, SW_SHOWNORMAL);

  TheLog().Note(L"profile " + config.product + L" " + config.version + L" state query " +
                (config.stateMethod.empty() ? L"none" : config.stateMethod));
  CLSID clsid = kClsid;
  if (!config.clsid.empty() && FAILED(CLSIDFromString(config.clsid.c_str(), &clsid))) {
    TheLog().Note(L"bad clsid " + config.clsid);
    return 1;
  }
  IDispatch* app = NewApplication();
  auto factory = kavro::win::MakeCom<Factory>(app);
  HRESULT hr = S_OK;
  auto refusing = kavro::win::MakeCom<Refusing>();
  if (config.refuseAttach && !embedded) {
    // What a client finds in the running object table is no automation object.
    hr = RegisterActiveObject(refusing.Get(), clsid, ACTIVEOBJECT_STRONG, &rotCookie);
  } else {
    hr = CoRegisterClassObject(clsid, factory.Get(), CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                               &classCookie);
    if (SUCCEEDED(hr)) hr = RegisterActiveObject(app, clsid, ACTIVEOBJECT_STRONG, &rotCookie);
  }
  if (FAILED(hr)) {
    TheLog().Note(L"cannot register the running server: " + std::to_wstring(hr));
    return 1;
  }
  TheLog().Note(L"ready");
  RunMessageLoop(config.ansiWindow);
  RevokeRegistrations();
  TheCad().FlushTyped();
  TheLog().Note(L"exit");
  DestroyWindow(window);
  return 0;
}

bool Is(const std::wstring& arg, const wchar_t* name) {
  std::wstring a = arg;
  if (!a.empty() && (a[0] == L'/' || a[0] == L'-')) a.erase(0, 1);
  if (!a.empty() && a[0] == L'-') a.erase(0, 1);
  return _wcsicmp(a.c_str(), name) == 0;
}

}  // namespace

void RevokeRegistrations() {
  if (rotCookie) RevokeActiveObject(rotCookie, nullptr);
  if (classCookie) CoRevokeClassObject(classCookie);
  rotCookie = classCookie = 0;
}

}  // namespace standin

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace standin;
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::wstring> args(argv + 1, argv + argc);
  LocalFree(argv);
  std::wstring configPath;
  bool embedded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (Is(args[i], L"RegServer")) return static_cast<int>(Register());  // 0, 1 (old copy), 2
    if (Is(args[i], L"UnregServer")) return Unregister() ? 0 : 1;
    if (Is(args[i], L"Embedding") || Is(args[i], L"Automation")) embedded = true;
    if (Is(args[i], L"config") && i + 1 < args.size()) configPath = args[++i];
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int code = Serve(configPath, embedded, GetCommandLineW());
  CoUninitialize();
  return code;
}
