#pragma once
// AutoCAD through its automation interface, "AutoCAD.Application", or another CAD program with
// the same object model, chosen by name (cad_programs). Every call runs on a thread
// of its own apartment, so that the user interface keeps painting while AutoCAD works and a hung
// AutoCAD costs the run a deadline instead of the program.
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "run/run_engine.h"
#include "run/run_limits.h"

namespace kavro::run {

// Module1's link to AutoCAD: acadApp and the document references that ConnectCad fills. It
// lives as long as the program; its limits are read at every call.
class AutoCadLink final : public CadConnector, public CadApplication {
 public:
  explicit AutoCadLink(const RunLimits& limits);
  ~AutoCadLink() override;

  // Gets the user-interface thread's messages while a call is under way (the run sets it for its
  // length; without one they are processed as the message loop would).
  void SetPump(std::function<void(MSG&)> pump) { pump_ = std::move(pump); }

  CadInUse Choose(const std::wstring& name) override;
  CadApplication* ConnectCad(std::wstring& failure) override;

  std::wstring Caption() override;
  std::wstring FullName() override;
  void DocumentsAdd(const std::wstring& templatePath) override;
  void DocumentsOpen(const std::wstring& drawingPath) override;
  void ActiveDocumentOpen(const std::wstring& drawingPath) override;
  void SendCommand(const std::wstring& text) override;
  void ActiveDocumentCloseSaving() override;
  void WaitUntilQuiescent() override;
  bool StillAnswers() override;
  std::wstring Version() override;
  std::wstring GetVariable(const std::wstring& name) override;
  void SetVariable(const std::wstring& name, const std::wstring& value) override;
  void SetIntegerVariable(const std::wstring& name, int value) override;
  std::wstring ProductTemplateOf(CadProduct product, const std::wstring& fullName) override;
  std::optional<std::wstring> AfterFailure() override;

  // Releases every reference and ends the automation thread (tests; the program just ends).
  void Disconnect();

 private:
  struct References;
  class Worker;
  void Call(const std::function<void(References&)>& task, DWORD timeoutMs);
  std::function<void(MSG&)> Pump() const;
  // Throws once AutoCAD has shown the same modal window for longer than the limit allows.
  void WatchForModalWindow();

  const RunLimits& limits_;
  // The program Choose set: none for "AutoCAD.Application" (attached to or started by that
  // name), else the one found in the registry, reached by its class.
  std::optional<CadProgram> target_;
  std::wstring name_ = L"AutoCAD";  // in messages
  std::function<void(MSG&)> pump_;
  std::unique_ptr<Worker> worker_;
  bool answers_ = true;       // false once AutoCAD's process went away
  bool hung_ = false;         // a call passed its limit
  bool startedHere_ = false;  // ConnectCad started this AutoCAD (it did not attach to it)
  HWND window_ = nullptr;     // AutoCAD's main window, found by its caption
  HWND modal_ = nullptr;      // a modal window of AutoCAD's seen by the watch, and since when
  ULONGLONG modalSince_ = 0;
};

}  // namespace kavro::run
