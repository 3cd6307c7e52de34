#include "win/apartment_thread_win.h"

#include <objbase.h>

#include <algorithm>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "win/handles_win.h"

namespace kavro::win {

struct ApartmentThread::Shared {
  UniqueHandle taskReady{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  UniqueHandle taskDone{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  UniqueHandle cancel{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  std::mutex lock;
  std::function<void()> task;  // guarded by lock
  std::exception_ptr error;    // guarded by lock
  bool quit = false;           // guarded by lock
  bool abandoned = false;      // caller's thread only
  bool waiting = false;        // caller's thread only: a Run is under way
  std::thread thread;
};

namespace {

// The thread's life: its apartment, its own messages, and the tasks handed to it.
void ThreadMain(std::shared_ptr<ApartmentThread::Shared> shared, std::function<void()> setup) {
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (setup) setup();
  for (;;) {
    HANDLE ready = shared->taskReady.Get();
    DWORD wait = MsgWaitForMultipleObjects(1, &ready, FALSE, INFINITE, QS_ALLINPUT);
    if (wait == WAIT_OBJECT_0 + 1) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&msg);
      }
      continue;
    }
    std::function<void()> task;
    {
      std::lock_guard<std::mutex> guard(shared->lock);
      if (shared->quit) break;
      task = std::move(shared->task);
    }
    std::exception_ptr error;
    try {
      if (task) task();
    } catch (...) {
      error = std::current_exception();
    }
    task = nullptr;  // objects captured by the task are released inside the apartment
    {
      std::lock_guard<std::mutex> guard(shared->lock);
      shared->error = error;
    }
    SetEvent(shared->taskDone.Get());
  }
  if (SUCCEEDED(com)) CoUninitialize();
}

}  // namespace

ApartmentThread::ApartmentThread(std::function<void()> setup)
    : shared_(std::make_shared<Shared>()) {
  if (!shared_->taskReady || !shared_->taskDone || !shared_->cancel) {
    throw std::runtime_error("cannot create the events of the automation thread");
  }
  shared_->thread = std::thread(ThreadMain, shared_, std::move(setup));
}

ApartmentThread::~ApartmentThread() {
  if (shared_->abandoned) {
    shared_->thread.detach();
    return;
  }
  {
    std::lock_guard<std::mutex> guard(shared_->lock);
    shared_->quit = true;
  }
  SetEvent(shared_->taskReady.Get());
  shared_->thread.join();
}

bool ApartmentThread::Abandoned() const { return shared_->abandoned; }
HANDLE ApartmentThread::CancelEvent() const { return shared_->cancel.Get(); }

void ApartmentThread::Run(std::function<void()> task, DWORD timeoutMs,
                          const std::function<void(MSG&)>& pump,
                          const std::function<void()>& watch) {
  if (shared_->abandoned) throw TaskTimedOut();
  // One task at a time: a message handled while waiting must not start another.
  if (shared_->waiting) throw std::logic_error("automation thread re-entered");
  shared_->waiting = true;
  struct Waiting {
    bool& flag;
    ~Waiting() { flag = false; }
  } waiting{shared_->waiting};
  {
    std::lock_guard<std::mutex> guard(shared_->lock);
    shared_->task = std::move(task);
    shared_->error = nullptr;
  }
  SetEvent(shared_->taskReady.Get());
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  ULONGLONG nextWatch = GetTickCount64() + kWatchIntervalMs;
  HANDLE done = shared_->taskDone.Get();
  auto abandon = [this] {
    shared_->abandoned = true;
    SetEvent(shared_->cancel.Get());
  };
  for (;;) {
    ULONGLONG now = GetTickCount64();
    if (watch && now >= nextWatch) {
      nextWatch = now + kWatchIntervalMs;
      try {
        watch();
      } catch (...) {
        if (WaitForSingleObject(done, 0) == WAIT_OBJECT_0) break;
        abandon();
        throw;
      }
    }
    ULONGLONG until = watch ? std::min(deadline, nextWatch) : deadline;
    DWORD left = now >= until ? 0 : static_cast<DWORD>(until - now);
    DWORD wait = MsgWaitForMultipleObjects(1, &done, FALSE, left, QS_ALLINPUT);
    if (wait == WAIT_OBJECT_0) break;
    if (wait == WAIT_OBJECT_0 + 1) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (pump) {
          pump(msg);
        } else {
          TranslateMessage(&msg);
          DispatchMessageW(&msg);
        }
      }
      continue;
    }
    if (WaitForSingleObject(done, 0) == WAIT_OBJECT_0) break;
    if (GetTickCount64() < deadline) continue;  // only the watch's turn came
    abandon();
    throw TaskTimedOut();
  }
  std::exception_ptr error;
  {
    std::lock_guard<std::mutex> guard(shared_->lock);
    error = std::exchange(shared_->error, nullptr);
  }
  if (error) std::rethrow_exception(error);
}

}  // namespace kavro::win
