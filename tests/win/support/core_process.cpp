#include "support/core_process.h"

#include <gtest/gtest.h>

#include "base/program_folder.h"
#include "base/utf8.h"
#include "support/standin.h"
#include "support/support.h"
#include "win/file_win.h"
#include "win/text_win.h"

namespace kavro::test {

CoreProcess::CoreProcess(const std::wstring& arguments)
    : CoreProcess(Standin::CoreExePath(), arguments) {}

CoreProcess::CoreProcess(const std::wstring& program, const std::wstring& arguments) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd_, &writeEnd, &inherit, 0)) return;
  SetHandleInformation(readEnd_, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd;
  si.hStdError = writeEnd;
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  PROCESS_INFORMATION pi{};
  if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                     nullptr, &si, &pi)) {
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
  }
  CloseHandle(writeEnd);  // the child holds the only writing end now: its exit ends the reads
  if (!process_) return;
  reader_ = std::thread([this] {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd_, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
      output_.append(buffer, got);
    }
  });
}

CoreProcess::~CoreProcess() {
  Kill();
  if (reader_.joinable()) reader_.join();
  if (process_) CloseHandle(process_);
  if (readEnd_) CloseHandle(readEnd_);
}

bool CoreProcess::Wait(DWORD timeoutMs) {
  if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
  if (reader_.joinable()) reader_.join();
  return true;
}

void CoreProcess::Kill() {
  if (Running()) {
    TerminateProcess(process_, 9);
    WaitForSingleObject(process_, 5000);
  }
}

bool CoreProcess::Running() const {
  return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

DWORD CoreProcess::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (process_) GetExitCodeProcess(process_, &code);
  return code;
}

double CoreProcess::CpuMs() const {
  FILETIME created, exited, kernel, user;
  if (!process_ || !GetProcessTimes(process_, &created, &exited, &kernel, &user)) return 0;
  auto ms = [](FILETIME t) {
    return static_cast<double>((ULONGLONG{t.dwHighDateTime} << 32) | t.dwLowDateTime) / 10000.0;
  };
  return ms(kernel) + ms(user);
}

ComRan RunKavroCom(const std::wstring& arguments, DWORD limitMs) {
  CoreProcess com(KavroComPath(), arguments);
  EXPECT_TRUE(com.Started());
  EXPECT_TRUE(com.Wait(limitMs)) << "kavro.com " << win::ToUtf8(arguments);
  return {com.ExitCode(), FromUtf8(com.OutputBytes()).value_or(L"")};
}

BatchFiles MakeBatch(const std::wstring& folder, int count, const std::string& drawing,
                     const std::string& scriptTemplate) {
  BatchFiles batch;
  std::wstring list;
  for (int i = 1; i <= count; ++i) {
    std::wstring name = (i < 10 ? L"d0" : L"d") + std::to_wstring(i) + L".dwg";
    batch.drawings.push_back(MakeDrawing(folder, name, drawing));
    list += batch.drawings.back() + L"\r\n";
  }
  batch.list = JoinFolder(folder, L"list.txt");
  batch.scriptTemplate = JoinFolder(folder, L"template.scr");
  EXPECT_TRUE(win::WriteFileReplacing(batch.list, win::EncodeAnsi(list).bytes).ok);
  EXPECT_TRUE(win::WriteFileReplacing(batch.scriptTemplate, scriptTemplate).ok);
  return batch;
}

}  // namespace kavro::test
