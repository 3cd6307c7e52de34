#include "support/test_services.h"

#include "win/common_dialogs_win.h"

namespace kavro::test {

std::vector<std::wstring> RecordingMessages::Texts() const {
  std::lock_guard<std::mutex> guard(lock_);
  std::vector<std::wstring> texts;
  for (const ShownMessage& message : shown) texts.push_back(message.text);
  return texts;
}

// The real common dialogs, or the script once a test asked for it.
class TestServices::Dialogs final : public FileDialogBackend {
 public:
  Dialogs(TestServices& owner, HWND window)
      : owner_(owner), real_(win::MakeCommonDialogs(window)) {}
  FileDialogAnswer Show(const FileDialogRequest& request) override {
    return owner_.useScript_ ? owner_.scripted_->Show(request) : real_->Show(request);
  }

 private:
  TestServices& owner_;
  std::unique_ptr<FileDialogBackend> real_;
};

TestServices::TestServices(TestServiceOptions options)
    : programFolder(!options.programFolder.empty()
                        ? options.programFolder
                        : MakeTempFolder(L"program-" + std::to_wstring(GetTickCount64()))),
      dataFolder(!options.dataFolder.empty()
                     ? options.dataFolder
                     : MakeTempFolder(L"data-" + std::to_wstring(GetTickCount64()))) {
  ServiceParts parts;
  auto recordingShell = std::make_unique<RecordingShell>();
  shell = recordingShell.get();
  parts.shell = std::move(recordingShell);
  auto recordingMessages = std::make_unique<RecordingMessages>();
  messages = recordingMessages.get();
  parts.messages = std::move(recordingMessages);
  parts.makeDialogs = [this](HWND window) { return std::make_unique<Dialogs>(*this, window); };
  parts.programFolder = programFolder;
  parts.dataFolder = dataFolder;
  parts.keepRecords = options.keepRecords;
  services_ = std::make_unique<Services>(std::move(parts));
  services_->promoSettings.askForBrowserEngine = false;
  // Every wait shortened: a test that waits out a limit waits seconds, not minutes.
  run::RunLimits& limits = services_->runLimits;
  limits.callMs = 8000;
  limits.busyRetryMs = 4000;
  limits.scriptMs = 8000;
  limits.quiescentPollMs = 2;
  limits.keysMs = 4000;
  limits.modalMs = 1500;
}

ScriptedDialogs& TestServices::Scripted() {
  useScript_ = true;
  return *scripted_;
}

}  // namespace kavro::test
