#include "run/autocad_win.h"

#include <objbase.h>
#include <oleauto.h>

#include <map>

#include "run/cad_programs_win.h"
#include "win/apartment_thread_win.h"
#include "win/controls_win.h"
#include "win/com_win.h"
#include "win/message_loop_win.h"
#include "win/text_win.h"

namespace kavro::run {

using Microsoft::WRL::ComPtr;
using win::ComFailure;
using win::InvokeKind;
using win::UniqueVariant;

namespace {

constexpr wchar_t kProgId[] = L"AutoCAD.Application";

std::wstring Seconds(DWORD ms) { return std::to_wstring((ms + 999) / 1000); }

// The class to reach: "AutoCAD.Application" by name, or a chosen program's CLSID.
HRESULT ClassOf(const std::wstring& clsidText, CLSID& clsid) {
  if (clsidText.empty()) return CLSIDFromProgID(kProgId, &clsid);
  return CLSIDFromString(clsidText.c_str(), &clsid);
}

// The running instance of exactly that class, from the running object table. With several
// instances of one program it is any one of them (seen with ZWCAD:
// https://github.com/CEXT-Dan/PyRx/issues/116).
HRESULT AttachToRunning(const std::wstring& clsidText, ComPtr<IDispatch>& app) {
  CLSID clsid;
  HRESULT hr = ClassOf(clsidText, clsid);
  if (FAILED(hr)) return hr;
  ComPtr<IUnknown> running;
  hr = GetActiveObject(clsid, nullptr, &running);
  if (FAILED(hr)) return hr;
  return running.As(&app);
}

HRESULT StartNew(const std::wstring& clsidText, ComPtr<IDispatch>& app) {
  CLSID clsid;
  HRESULT hr = ClassOf(clsidText, clsid);
  if (FAILED(hr)) return hr;
  return CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_PPV_ARGS(&app));
}

// In the running object table. Nothing is asked of the program itself: a hung one would hang
// the caller (the user interface's thread).
bool IsRunning(const CadProgram& program) {
  CLSID clsid;
  ComPtr<IUnknown> running;
  return SUCCEEDED(ClassOf(program.clsid, clsid)) &&
         SUCCEEDED(GetActiveObject(clsid, nullptr, &running));
}

bool IsFile(std::wstring_view path) {
  DWORD attributes = GetFileAttributesW(std::wstring(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A reference fetched by ConnectCad; a failed fetch keeps the old value and is not reported.
void FetchQuietly(ComPtr<IDispatch>& into, IDispatch* from, const wchar_t* name,
                  const win::CallPolicy& policy) {
  try {
    into = win::Invoke(from, name, InvokeKind::PropertyGet, {}, policy).AsDispatch();
  } catch (const ComFailure&) {
  }
}

bool IsUnknownMember(HRESULT hr) { return hr == DISP_E_UNKNOWNNAME || hr == DISP_E_MEMBERNOTFOUND; }

// Shows AutoCAD. False only when the object's process is gone (a stale running-object entry).
bool PutVisible(IDispatch* app, const win::CallPolicy& policy) {
  try {
    UniqueVariant visible = UniqueVariant::Bool(true);
    win::Invoke(app, L"Visible", InvokeKind::PropertyPut, {visible.Ptr()}, policy);
  } catch (const ComFailure& failure) {
    return !win::IsDisconnectedResult(failure.Result());
  }
  return true;
}

// A visible, enabled window that `owner` owns: a question AutoCAD waits on.
HWND ModalWindowOf(HWND owner) {
  struct Search {
    HWND owner;
    HWND found = nullptr;
  } search{owner};
  DWORD thread = GetWindowThreadProcessId(owner, nullptr);
  if (thread == 0) return nullptr;
  EnumThreadWindows(
      thread,
      [](HWND window, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        if (GetWindow(window, GW_OWNER) != s->owner || !IsWindowVisible(window) ||
            !IsWindowEnabled(window)) {
          return TRUE;
        }
        s->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// What a message-box-like window says: the texts of its static controls.
std::wstring TextOfWindow(HWND window) {
  std::wstring text;
  EnumChildWindows(
      window,
      [](HWND child, LPARAM lp) -> BOOL {
        wchar_t className[16] = L"";
        GetClassNameW(child, className, 16);
        std::wstring line = win::WindowText(child);
        if (_wcsicmp(className, L"Static") == 0 && IsWindowVisible(child) && !line.empty()) {
          auto* all = reinterpret_cast<std::wstring*>(lp);
          *all += (all->empty() ? L"" : L"\n") + line;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&text));
  return text;
}

// Ends the process of `window`; false when it could not.
bool EndProcessOf(HWND window) {
  DWORD processId = 0;
  if (!window || !GetWindowThreadProcessId(window, &processId) ||
      processId == GetCurrentProcessId()) {
    return false;
  }
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
  if (!process) return false;
  bool ended = TerminateProcess(process, 1) != FALSE;
  if (ended) WaitForSingleObject(process, 5000);
  CloseHandle(process);
  return ended;
}

}  // namespace

// The references of Module1. Touched only on the automation thread.
struct AutoCadLink::References {
  ComPtr<IDispatch> acadApp;
  ComPtr<IDispatch> acadDoc;
  ComPtr<IDispatch> acadModelSpace;
  ComPtr<IDispatch> acadPaperSpace;
  ComPtr<IDispatch> acadUtility;
  bool stateUnknown = false;  // an AutoCAD without GetAcadState: its commands finish in the call
  // The state query's names to try, and the one in use: the first the program knows.
  std::vector<std::wstring> stateMethods{L"GetAcadState"};
  size_t stateAt = 0;
  win::CallPolicy policy;
  // The objects fetched last, held on to: fetching the same object again (the Documents
  // collection, or the active document of the drawing at hand) then reuses its proxy instead of
  // setting up a new one, which costs more than the call itself.
  std::map<std::wstring, ComPtr<IDispatch>> recent;
  // Member ids by kind of object; AutoCAD's are fixed by its type library.
  win::DispIdCache appIds, documentsIds, documentIds, stateIds;

  IDispatch* App() const {
    if (!acadApp) throw ComFailure(OLE_E_BLANK, 91, L"AutoCAD 没有连接。");
    return acadApp.Get();
  }
  ComPtr<IDispatch> Get(IDispatch* from, const wchar_t* name, win::DispIdCache& ids) {
    ComPtr<IDispatch> object =
        win::Invoke(from, name, InvokeKind::PropertyGet, {}, policy, &ids).AsDispatch();
    recent[name] = object;
    return object;
  }
  UniqueVariant CallOn(IDispatch* target, const wchar_t* name,
                       std::initializer_list<const VARIANT*> args, win::DispIdCache& ids) {
    return win::Invoke(target, name, InvokeKind::Method, args, policy, &ids);
  }
  UniqueVariant AppProperty(const wchar_t* name) {
    return win::Invoke(App(), name, InvokeKind::PropertyGet, {}, policy, &appIds);
  }
  // The document that Add or Open returned is the next ActiveDocument: kept, its proxy serves
  // that fetch too.
  void KeepDocument(const UniqueVariant& document) {
    if (document.Type() == VT_DISPATCH) recent[L"document"] = document.AsDispatch();
  }
  ComPtr<IDispatch> Documents() { return Get(App(), L"Documents", appIds); }
  ComPtr<IDispatch> ActiveDocument() { return Get(App(), L"ActiveDocument", appIds); }
};

class AutoCadLink::Worker {
 public:
  explicit Worker(DWORD busyRetryMs)
      : thread([busyRetryMs] { win::RegisterBusyServerFilter(busyRetryMs); }),
        refs(std::make_shared<References>()) {
    refs->policy.cancel = thread.CancelEvent();
  }
  ~Worker() {
    if (thread.Abandoned()) {
      // The thread may still be inside AutoCAD with these; they are never released.
      new std::shared_ptr<References>(refs);
      return;
    }
    try {
      thread.Run([r = refs] { *r = References{}; }, 5000, {});
    } catch (...) {
      new std::shared_ptr<References>(refs);
    }
  }
  win::ApartmentThread thread;
  std::shared_ptr<References> refs;
};

AutoCadLink::AutoCadLink(const RunLimits& limits) : limits_(limits) {}

AutoCadLink::~AutoCadLink() = default;

void AutoCadLink::Disconnect() { worker_.reset(); }

std::function<void(MSG&)> AutoCadLink::Pump() const {
  if (pump_) return pump_;
  return [](MSG& msg) { win::ProcessMessage(msg); };
}

CadInUse AutoCadLink::Choose(const std::wstring& name) {
  target_.reset();
  name_ = L"AutoCAD";
  if (name.empty()) {
    // 自动: "AutoCAD.Application" as always; without it, the first program running, else the
    // first of the list (none: the connection fails as it does without AutoCAD).
    if (AutoCadClassRegistered()) return {};
    std::vector<CadProgram> programs = FindCadProgramsOnMachine();
    AutomaticCad automatic = ChooseAutomatic(programs, false, IsRunning);
    if (automatic.index) target_ = programs[*automatic.index];
  } else {
    std::vector<CadProgram> programs = FindCadProgramsOnMachine();
    CadChoice choice = ChooseCad(programs, name);
    if (choice.outcome != CadChoice::Outcome::Found) {
      return {.refusal = CadChoiceMessage(choice, name)};
    }
    target_ = programs[choice.index];
  }
  if (!target_) return {};
  name_ = target_->displayName;
  return {target_->product, name_};
}

std::wstring AutoCadLink::ProductTemplateOf(CadProduct product, const std::wstring& fullName) {
  return ProductTemplate(product, fullName, IsFile);
}

CadApplication* AutoCadLink::ConnectCad(std::wstring& failureText) {
  RunLimits limits = limits_;
  if (!worker_ || worker_->thread.Abandoned())
    worker_ = std::make_unique<Worker>(limits.busyRetryMs);
  auto refs = worker_->refs;
  auto failure = std::make_shared<std::wstring>();
  auto started = std::make_shared<bool>(false);
  auto fresh = std::make_shared<bool>(false);
  std::wstring clsid = target_ ? target_->clsid : L"";
  std::wstring className = target_ ? target_->classNames.front() : kProgId;
  std::vector<std::wstring> stateMethods =
      StateMethods(target_ ? target_->product : CadProduct::AutoCad);
  auto task = [refs, failure, started, fresh, limits, clsid, className, stateMethods,
               name = name_] {
    References& r = *refs;
    r.policy.busyRetryMs = limits.busyRetryMs;
    ComPtr<IDispatch> app;
    HRESULT hr = AttachToRunning(clsid, app);
    bool visible = SUCCEEDED(hr) && PutVisible(app.Get(), r.policy);
    if (!visible) {
      // Also when one runs but refuses the attachment: a new one is started.
      app.Reset();
      hr = StartNew(clsid, app);
      *started = SUCCEEDED(hr);
    }
    if (FAILED(hr)) {
      *failure =
          L"无法连接或启动 " + name + L"（" + className + L"）：" + ComFailure(hr).Description();
      return;
    }
    if (r.acadApp != app) {
      r.recent.clear();
      r.appIds = r.documentsIds = r.documentIds = r.stateIds = {};
    }
    *fresh = r.acadApp != app;
    r.acadApp = app;
    r.stateUnknown = false;
    r.stateMethods = stateMethods;
    r.stateAt = 0;
    if (!visible) PutVisible(app.Get(), r.policy);
    FetchQuietly(r.acadDoc, app.Get(), L"ActiveDocument", r.policy);
    if (r.acadDoc) {
      FetchQuietly(r.acadModelSpace, r.acadDoc.Get(), L"ModelSpace", r.policy);
      FetchQuietly(r.acadPaperSpace, r.acadDoc.Get(), L"PaperSpace", r.policy);
      FetchQuietly(r.acadUtility, r.acadDoc.Get(), L"Utility", r.policy);
    }
  };
  try {
    worker_->thread.Run(task, limits.callMs, Pump());
  } catch (const win::TaskTimedOut&) {
    *failure = name_ + L" 在 " + Seconds(limits.callMs) + L" 秒内没有响应。";
  }
  if (!failure->empty()) {
    failureText = *failure;
    return nullptr;
  }
  if (*fresh) {
    startedHere_ = *started;
    window_ = nullptr;
  }
  answers_ = true;
  hung_ = false;
  modal_ = nullptr;
  return this;
}

void AutoCadLink::Call(const std::function<void(References&)>& task, DWORD timeoutMs) {
  if (!worker_ || worker_->thread.Abandoned()) {
    throw RunFailure(RPC_E_TIMEOUT, name_ + L" 没有响应。");
  }
  auto refs = worker_->refs;
  std::function<void()> watch;
  if (window_) watch = [this] { WatchForModalWindow(); };
  try {
    worker_->thread.Run([refs, task] { task(*refs); }, timeoutMs, Pump(), watch);
  } catch (const win::TaskTimedOut&) {
    hung_ = true;
    throw RunFailure(RPC_E_TIMEOUT, name_ + L" 在 " + Seconds(timeoutMs) + L" 秒内没有响应。");
  } catch (const RunFailure&) {
    hung_ = worker_->thread.Abandoned();  // the watch gave up on AutoCAD
    throw;
  } catch (const ComFailure& failure) {
    if (win::IsDisconnectedResult(failure.Result())) answers_ = false;
    throw RunFailure(failure.Number(), failure.Description());
  }
}

std::wstring AutoCadLink::Caption() {
  auto text = std::make_shared<std::wstring>();
  Call([text](References& r) { *text = r.AppProperty(L"Caption").AsString(); }, limits_.callMs);
  // Two instances of one program may show the same title (one refused to be attached to): the
  // window is then not known, so that no other instance is watched or ended for this one.
  HWND window = FindWindowW(nullptr, text->c_str());
  if (window && !FindWindowExW(nullptr, window, nullptr, text->c_str())) window_ = window;
  return *text;
}

void AutoCadLink::WatchForModalWindow() {
  HWND modal = ModalWindowOf(window_);
  ULONGLONG now = GetTickCount64();
  if (modal != modal_) {
    modal_ = modal;
    modalSince_ = now;
  }
  if (!modal || now - modalSince_ < limits_.modalMs) return;
  std::wstring text = TextOfWindow(modal);
  throw RunFailure(ERROR_TIMEOUT, name_ + L" 显示的窗口“" + win::WindowText(modal) + L"”在 " +
                                      Seconds(limits_.modalMs) + L" 秒内没有得到回答" +
                                      (text.empty() ? L"。" : L"：\n" + text));
}

std::optional<std::wstring> AutoCadLink::AfterFailure() {
  if (!hung_ && answers_) return std::nullopt;
  std::optional<std::wstring> line;
  if (hung_) {
    line = startedHere_ && EndProcessOf(window_)
               ? name_ + L" 没有响应，已结束由 Kavro 启动的 " + name_ + L"。"
               : name_ + L" 没有响应。请检查 " + name_ + L" 是否在等待回答。";
  }
  // The next run connects afresh instead of failing again on a dead reference.
  worker_.reset();
  hung_ = false;
  window_ = modal_ = nullptr;
  return line;
}

std::wstring AutoCadLink::Version() {
  auto text = std::make_shared<std::wstring>();
  Call(
      [text](References& r) {
        try {
          *text = r.AppProperty(L"Version").AsString();
        } catch (const ComFailure& failure) {
          if (!IsUnknownMember(failure.Result())) throw;
        }
      },
      limits_.callMs);
  return *text;
}

std::wstring AutoCadLink::GetVariable(const std::wstring& name) {
  auto text = std::make_shared<std::wstring>();
  Call(
      [name, text](References& r) {
        UniqueVariant variable = UniqueVariant::String(name);
        *text = r.CallOn(r.ActiveDocument().Get(), L"GetVariable", {variable.Ptr()}, r.documentIds)
                    .AsString();
      },
      limits_.callMs);
  return *text;
}

void AutoCadLink::SetVariable(const std::wstring& name, const std::wstring& value) {
  Call(
      [name, value](References& r) {
        UniqueVariant variable = UniqueVariant::String(name);
        UniqueVariant text = UniqueVariant::String(value);
        r.CallOn(r.ActiveDocument().Get(), L"SetVariable", {variable.Ptr(), text.Ptr()},
                 r.documentIds);
      },
      limits_.callMs);
}

void AutoCadLink::SetIntegerVariable(const std::wstring& name, int value) {
  Call(
      [name, value](References& r) {
        UniqueVariant variable = UniqueVariant::String(name);
        // SetVariable refuses a value of the wrong type
        // (http://entercad.ru/acadauto.en/idh_setvariable.htm); integer variables are 16-bit
        // short integers
        // (https://help.autodesk.com/view/OARXMAC/2025/ENU/?guid=OARXMAC-RefGuide-acedSetVar_ACHAR___struct_resbuf__).
        UniqueVariant number;
        VARIANT* v = number.Receive();
        V_VT(v) = VT_I2;
        V_I2(v) = static_cast<SHORT>(value);
        r.CallOn(r.ActiveDocument().Get(), L"SetVariable", {variable.Ptr(), number.Ptr()},
                 r.documentIds);
      },
      limits_.callMs);
}

std::wstring AutoCadLink::FullName() {
  auto text = std::make_shared<std::wstring>();
  Call([text](References& r) { *text = r.AppProperty(L"FullName").AsString(); }, limits_.callMs);
  return *text;
}

void AutoCadLink::DocumentsAdd(const std::wstring& templatePath) {
  Call(
      [templatePath](References& r) {
        UniqueVariant path = UniqueVariant::String(templatePath);
        // No template: Add without one, the program's own defaults.
        r.KeepDocument(templatePath.empty()
                           ? r.CallOn(r.Documents().Get(), L"Add", {}, r.documentsIds)
                           : r.CallOn(r.Documents().Get(), L"Add", {path.Ptr()}, r.documentsIds));
      },
      limits_.callMs);
}

void AutoCadLink::DocumentsOpen(const std::wstring& drawingPath) {
  Call(
      [drawingPath](References& r) {
        UniqueVariant path = UniqueVariant::String(drawingPath);
        r.KeepDocument(r.CallOn(r.Documents().Get(), L"Open", {path.Ptr()}, r.documentsIds));
      },
      limits_.callMs);
}

void AutoCadLink::ActiveDocumentOpen(const std::wstring& drawingPath) {
  Call(
      [drawingPath](References& r) {
        UniqueVariant path = UniqueVariant::String(drawingPath);
        r.CallOn(r.ActiveDocument().Get(), L"Open", {path.Ptr()}, r.documentIds);
      },
      limits_.callMs);
}

void AutoCadLink::SendCommand(const std::wstring& text) {
  Call(
      [text](References& r) {
        UniqueVariant command = UniqueVariant::String(text);
        r.CallOn(r.ActiveDocument().Get(), L"SendCommand", {command.Ptr()}, r.documentIds);
      },
      limits_.callMs);
}

void AutoCadLink::ActiveDocumentCloseSaving() {
  Call(
      [](References& r) {
        UniqueVariant save = UniqueVariant::Bool(true);
        r.CallOn(r.ActiveDocument().Get(), L"Close", {save.Ptr()}, r.documentIds);
      },
      limits_.callMs);
}

void AutoCadLink::WaitUntilQuiescent() {
  RunLimits limits = limits_;
  Call(
      [limits, name = name_](References& r) {
        if (r.stateUnknown) return;
        // Busy answers while polling mean "not yet"; they are not retried call by call.
        win::CallPolicy poll{0, r.policy.cancel};
        const ULONGLONG deadline = GetTickCount64() + limits.scriptMs;
        for (;;) {
          try {
            ComPtr<IDispatch> state = win::Invoke(r.App(), r.stateMethods[r.stateAt],
                                                  InvokeKind::Method, {}, poll, &r.appIds)
                                          .AsDispatch();
            if (win::Invoke(state.Get(), L"IsQuiescent", InvokeKind::PropertyGet, {}, poll,
                            &r.stateIds)
                    .AsBool()) {
              return;
            }
          } catch (const ComFailure& failure) {
            if (IsUnknownMember(failure.Result())) {
              if (++r.stateAt < r.stateMethods.size()) continue;  // the program's own name
              r.stateUnknown = true;
              return;
            }
            if (!win::IsBusyResult(failure.Result())) throw;
          }
          if (GetTickCount64() >= deadline) {
            throw ComFailure(RPC_E_TIMEOUT, RPC_E_TIMEOUT,
                             name + L" 在 " + Seconds(limits.scriptMs) + L" 秒内没有执行完脚本。");
          }
          if (WaitForSingleObject(r.policy.cancel, limits.quiescentPollMs) == WAIT_OBJECT_0) {
            throw ComFailure(RPC_E_CALL_CANCELED);
          }
        }
      },
      limits.scriptMs + limits.callMs);
}

bool AutoCadLink::StillAnswers() { return worker_ && !worker_->thread.Abandoned() && answers_; }

}  // namespace kavro::run
