#include "run/stop_question_win.h"

#include <thread>

#include "base/titles.h"
#include "win/handles_win.h"

namespace kavro::run {

struct StopQuestion::Shared {
  std::atomic<bool> yes{false};
  std::atomic<bool> open{false};
  std::atomic<DWORD> threadId{0};
  win::UniqueHandle closed{CreateEventW(nullptr, TRUE, TRUE, nullptr)};
};

namespace {

// The question's own window, found among its thread's windows.
void AnswerNo(DWORD threadId) {
  EnumThreadWindows(
      threadId,
      [](HWND window, LPARAM) -> BOOL {
        PostMessageW(window, WM_COMMAND, IDNO, 0);
        return TRUE;
      },
      0);
}

// Answers No until the asking thread has finished, with the calling thread's sent messages
// handled meanwhile: the question re-enables its owner, a window of this thread, as it goes.
void CloseQuestion(const std::atomic<DWORD>& threadId, HANDLE closed) {
  const ULONGLONG deadline = GetTickCount64() + 5000;
  for (;;) {
    ULONGLONG now = GetTickCount64();
    if (now >= deadline) return;
    if (threadId != 0) AnswerNo(threadId);  // again: the window may not have been there yet
    DWORD wait = MsgWaitForMultipleObjects(1, &closed, FALSE, 50, QS_SENDMESSAGE);
    if (wait == WAIT_OBJECT_0) return;
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

}  // namespace

StopQuestion::~StopQuestion() { Reset(); }

void StopQuestion::Ask(HWND owner) {
  if (!shared_) shared_ = std::make_shared<Shared>();
  if (shared_->yes || shared_->open.exchange(true)) return;
  ResetEvent(shared_->closed.Get());
  std::shared_ptr<Shared> shared = shared_;
  win::MessageBoxes& messages = messages_;
  std::thread([shared, &messages, owner] {
    shared->threadId = GetCurrentThreadId();
    int answer = IDNO;
    try {
      answer = messages.Show(owner, kStopQuestion, kProgramTitle,
                             MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND);
    } catch (...) {
    }
    if (answer == IDYES && shared->open) shared->yes = true;
    shared->open = false;
    SetEvent(shared->closed.Get());
  }).detach();
}

bool StopQuestion::Answered() const { return shared_ && shared_->yes; }

void StopQuestion::Reset() {
  std::shared_ptr<Shared> shared = std::move(shared_);
  if (!shared || !shared->open) return;
  shared->open = false;  // an answer that still comes counts for nothing
  CloseQuestion(shared->threadId, shared->closed.Get());
}

}  // namespace kavro::run
