#pragma once
// A thread of its own single-threaded COM apartment that runs one task at a time for a caller on
// another thread. The caller waits with its own messages flowing and a watchdog: a task that
// never returns (a hung server) costs the caller its deadline, not its life. The thread is then
// abandoned: it may stay blocked in the server until the process ends.
#include <windows.h>

#include <exception>
#include <functional>
#include <memory>

namespace kavro::win {

class TaskTimedOut : public std::exception {
 public:
  const char* what() const noexcept override { return "task timed out"; }
};

class ApartmentThread {
 public:
  // `setup` runs first on the new thread, inside its apartment (e.g. a message filter).
  explicit ApartmentThread(std::function<void()> setup = {});
  ~ApartmentThread();  // ends the thread, or leaves it behind when it is abandoned
  ApartmentThread(const ApartmentThread&) = delete;
  ApartmentThread& operator=(const ApartmentThread&) = delete;

  // Runs `task` on the thread and returns what it returned or rethrows what it threw. While
  // waiting, each message of the calling thread goes to `pump`. Throws TaskTimedOut after
  // `timeoutMs`, and the thread is abandoned. `watch`, when given, is called every
  // kWatchIntervalMs while waiting; what it throws ends the wait as a timeout does.
  void Run(std::function<void()> task, DWORD timeoutMs, const std::function<void(MSG&)>& pump,
           const std::function<void()>& watch = {});
  static constexpr DWORD kWatchIntervalMs = 200;

  bool Abandoned() const;
  // Signalled when the thread is abandoned: tasks waiting on something give up.
  HANDLE CancelEvent() const;

  struct Shared;  // between the caller and the thread, which may outlive this object

 private:
  std::shared_ptr<Shared> shared_;
};

}  // namespace kavro::win
