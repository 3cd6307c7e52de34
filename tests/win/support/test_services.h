#pragma once
// The program's services as a test builds them: the shell and the message boxes record what they
// were asked instead of opening anything, the script file goes to a fresh folder, and the file
// dialogs are the real ones until the test scripts them.
#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/services_win.h"
#include "support/support.h"

namespace kavro::test {

struct ShellRequest {
  HWND owner;
  std::wstring target;
  bool operator==(const ShellRequest&) const = default;
};

class RecordingShell final : public win::Shell {
 public:
  void OpenHelp(HWND owner, const std::wstring& chmPath) override {
    helps.push_back({owner, chmPath});
  }
  void OpenLink(HWND owner, const std::wstring& target) override {
    links.push_back({owner, target});
  }
  std::vector<ShellRequest> helps;
  std::vector<ShellRequest> links;
};

struct ShownMessage {
  HWND owner;
  std::wstring title;
  std::wstring text;
  UINT flags;
};

// Shows nothing; answers `answer`, or `yesNoAnswer` for a Yes/No question. The question whether
// to stop a run comes from a thread of its own.
class RecordingMessages final : public win::MessageBoxes {
 public:
  int Show(HWND owner, const std::wstring& text, const wchar_t* title, UINT flags) override {
    std::lock_guard<std::mutex> guard(lock_);
    shown.push_back({owner, title, text, flags});
    return (flags & MB_TYPEMASK) == MB_YESNO ? yesNoAnswer.load() : answer;
  }
  std::vector<std::wstring> Texts() const;
  std::vector<ShownMessage> shown;
  int answer = IDOK;
  std::atomic<int> yesNoAnswer{IDNO};

 private:
  mutable std::mutex lock_;
};

struct TestServiceOptions {
  std::wstring programFolder;  // where the script file goes; empty: a fresh folder
  std::wstring dataFolder;     // where journals and run logs go; empty: a fresh folder
  bool keepRecords = true;     // false: runs keep no journal and no log
};

class TestServices {
 public:
  explicit TestServices(TestServiceOptions options = {});

  Services& Get() { return *services_; }
  // From now on the file dialogs answer from `Scripted()`.
  ScriptedDialogs& Scripted();
  // The script and what it was asked, without switching to it.
  ScriptedDialogs& Script() { return *scripted_; }

  RecordingShell* shell = nullptr;
  RecordingMessages* messages = nullptr;
  std::wstring programFolder;
  std::wstring dataFolder;

 private:
  class Dialogs;
  std::unique_ptr<ScriptedDialogs> scripted_ = std::make_unique<ScriptedDialogs>();
  bool useScript_ = false;
  std::unique_ptr<Services> services_;
};

}  // namespace kavro::test
