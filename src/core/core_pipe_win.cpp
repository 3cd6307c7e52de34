#include "core/core_pipe_win.h"

#include <atomic>
#include <system_error>

namespace kavro::run {
namespace {

[[noreturn]] void ThrowLastError(const char* what) {
  throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

HANDLE Checked(HANDLE handle, const char* what) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) ThrowLastError(what);
  return handle;
}

// CreatePipe makes no pipe that can be read overlapped; a named one of a unique name can.
std::wstring UniquePipeName() {
  static std::atomic<unsigned> count{0};
  return L"\\\\.\\pipe\\kavro-core-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(++count) + L"-" + std::to_wstring(GetTickCount64());
}

}  // namespace

OutputPipe::OutputPipe() {
  std::wstring name = UniquePipeName();
  read_.Reset(Checked(
      CreateNamedPipeW(
          name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
          PIPE_TYPE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0, 64 * 1024, 0, nullptr),
      "CreateNamedPipe"));
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  write_.Reset(Checked(CreateFileW(name.c_str(), GENERIC_WRITE, 0, &inherit, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr),
                       "CreateFile (pipe)"));
  stop_.Reset(Checked(CreateEventW(nullptr, TRUE, FALSE, nullptr), "CreateEvent"));
  readDone_.Reset(Checked(CreateEventW(nullptr, TRUE, FALSE, nullptr), "CreateEvent"));
  // Reading may begin before the child exists: the writing end is open already.
  thread_.Reset(
      Checked(CreateThread(nullptr, 0, &OutputPipe::ReadLoop, this, 0, nullptr), "CreateThread"));
}

OutputPipe::~OutputPipe() { Finish(0); }

void OutputPipe::Finish(DWORD graceMs) {
  if (!thread_) return;
  CloseChildEnd();
  if (WaitForSingleObject(thread_.Get(), graceMs) != WAIT_OBJECT_0) {
    SetEvent(stop_.Get());
    WaitForSingleObject(thread_.Get(), INFINITE);
  }
  thread_.Reset();
}

DWORD WINAPI OutputPipe::ReadLoop(void* self) {
  static_cast<OutputPipe*>(self)->Read();
  return 0;
}

void OutputPipe::Read() {
  char buffer[4096];
  for (;;) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = readDone_.Get();
    DWORD got = 0;
    if (!ReadFile(read_.Get(), buffer, sizeof(buffer), nullptr, &overlapped)) {
      if (GetLastError() != ERROR_IO_PENDING) return;  // ERROR_BROKEN_PIPE: every writer is gone
      HANDLE events[] = {readDone_.Get(), stop_.Get()};
      if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0) {
        // The buffer must outlive the read: wait until the cancel took effect.
        CancelIoEx(read_.Get(), &overlapped);
        if (GetOverlappedResult(read_.Get(), &overlapped, &got, TRUE)) {
          output_.Append({buffer, got});
        }
        return;
      }
    }
    if (!GetOverlappedResult(read_.Get(), &overlapped, &got, FALSE)) return;
    output_.Append({buffer, got});
  }
}

}  // namespace kavro::run
