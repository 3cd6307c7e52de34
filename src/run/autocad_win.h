#pragma once
// AutoCAD through its automation interface, "AutoCAD.Application". Every call runs on a thread
// of its own apartment, so that the user interface keeps painting while AutoCAD works and a hung
// AutoCAD costs the run a deadline instead of the program.
#include <windows.h>

#include <functional>
#include <memory>

#include "run/run_engine.h"

namespace kavro::run {

struct AutomationLimits {
  DWORD callMs = 300000;      // one call (opening a large drawing may take minutes)
  DWORD busyRetryMs = 60000;  // retrying calls that a busy AutoCAD rejects
  DWORD scriptMs = 1800000;   // a script, until AutoCAD is quiescent again
  DWORD quiescentPollMs = 5;  // pause between two looks at AutoCAD's state
};

// Module1's link to AutoCAD: acadApp and the document references that ConnectCad fills. It
// lives as long as the program.
class AutoCadLink final : public CadConnector, public CadApplication {
 public:
  // `pump` gets the user-interface thread's messages while a call is under way; `tell` shows
  // ConnectCad's one message.
  AutoCadLink(std::function<AutomationLimits()> limits, std::function<void(MSG&)> pump,
              std::function<void(const std::wstring&)> tell);
  ~AutoCadLink() override;

  CadApplication* ConnectCad() override;

  std::wstring Caption() override;
  std::wstring FullName() override;
  void DocumentsAdd(const std::wstring& templatePath) override;
  void DocumentsOpen(const std::wstring& drawingPath) override;
  void ActiveDocumentOpen(const std::wstring& drawingPath) override;
  void SendCommand(const std::wstring& text) override;
  void ActiveDocumentCloseSaving() override;
  void WaitUntilQuiescent() override;
  bool StillAnswers() override;

  // Releases every reference and ends the automation thread (tests; the program just ends).
  void Disconnect();

 private:
  struct References;
  class Worker;
  void Call(const std::function<void(References&)>& task, DWORD timeoutMs);

  std::function<AutomationLimits()> limits_;
  std::function<void(MSG&)> pump_;
  std::function<void(const std::wstring&)> tell_;
  std::unique_ptr<Worker> worker_;
  bool answers_ = true;  // false once AutoCAD's process went away
};

}  // namespace kavro::run
