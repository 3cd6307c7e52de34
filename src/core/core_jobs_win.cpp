#include "core/core_jobs_win.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>

#include "core/core_outcome.h"
#include "core/core_pipe_win.h"
#include "win/file_win.h"
#include "win/handles_win.h"
#include "win/text_win.h"

namespace kavro::run {
namespace {

// How long a console's output may go on after its exit: only its own children could keep it.
constexpr DWORD kOutputGraceMs = 2000;
// While a wake stays set (a manual-reset event nobody reset), waits look at the cancel this often.
constexpr DWORD kWakePollMs = 100;

// What tells a rewritten drawing file: its size and last write time, and, as these can stay the
// same (a clock coarser than the save, a format of fixed-size pages), which file it is and what
// it holds. Identity and digest are left out when the file cannot be read.
struct FileStamp {
  ULONGLONG size = 0;
  FILETIME written{};
  std::optional<std::pair<DWORD, ULONGLONG>> identity;  // volume serial, file index
  std::optional<uint64_t> digest;
  bool operator==(const FileStamp& other) const {
    return size == other.size && CompareFileTime(&written, &other.written) == 0 &&
           !(identity && other.identity && *identity != *other.identity) &&
           !(digest && other.digest && *digest != *other.digest);
  }
};

void ReadIdentityAndDigest(const std::wstring& path, FileStamp& stamp) {
  win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!file || !GetFileInformationByHandle(file.Get(), &info)) return;
  stamp.identity = {info.dwVolumeSerialNumber,
                    (ULONGLONG{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
  std::string block(1 << 16, '\0');
  uint64_t digest = kEmptyDigest;
  DWORD read = 0;
  while (ReadFile(file.Get(), block.data(), static_cast<DWORD>(block.size()), &read, nullptr)) {
    if (read == 0) {
      stamp.digest = digest;
      return;
    }
    digest = Digest(digest, std::string_view(block.data(), read));
  }
}

std::optional<FileStamp> StampOf(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return std::nullopt;
  }
  FileStamp stamp{(ULONGLONG{data.nFileSizeHigh} << 32) | data.nFileSizeLow, data.ftLastWriteTime};
  ReadIdentityAndDigest(path, stamp);
  return stamp;
}

std::wstring InFolder(std::wstring folder, const std::wstring& name) {
  while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  return folder + L"\\" + name;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

JobStart NotStarted(unsigned long error, const std::wstring& text) {
  return {false, static_cast<long>(error), text};
}

// Closes a job object; its processes end with it (JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE).
win::UniqueHandle KillingJob() {
  win::UniqueHandle job(CreateJobObjectW(nullptr, nullptr));
  if (!job) throw std::system_error(static_cast<int>(GetLastError()), std::system_category());
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits,
                               sizeof(limits))) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category());
  }
  return job;
}

// Only the given handles reach the child, whatever else is inheritable at the moment.
class InheritOnly {
 public:
  explicit InheritOnly(std::vector<HANDLE> handles) : handles_(std::move(handles)) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    buffer_.resize(size);
    auto* list = List();
    if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
    ready_ = UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                       handles_.size() * sizeof(HANDLE), nullptr, nullptr);
    if (!ready_) DeleteProcThreadAttributeList(list);
  }
  ~InheritOnly() {
    if (ready_) DeleteProcThreadAttributeList(List());
  }
  InheritOnly(const InheritOnly&) = delete;
  InheritOnly& operator=(const InheritOnly&) = delete;
  LPPROC_THREAD_ATTRIBUTE_LIST List() {
    return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data());
  }
  bool Ready() const { return ready_; }

 private:
  std::vector<HANDLE> handles_;
  std::vector<char> buffer_;
  bool ready_ = false;
};

}  // namespace

struct CoreJobs::Child {
  size_t index = 0;
  std::wstring drawing;
  std::wstring script;
  FileStamp before;
  ULONGLONG deadline = 0;  // GetTickCount64; 0: none
  OutputPipe pipe;
  win::UniqueHandle process;
  win::UniqueHandle suspended;  // its first thread, until it is resumed
  Child() = default;
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  // A console never resumed has run none of its own code: it goes without a trace.
  ~Child() {
    if (!suspended || !process) return;
    TerminateProcess(process.Get(), ERROR_CANCELLED);
    WaitForSingleObject(process.Get(), kOutputGraceMs);
  }
};

CoreJobs::CoreJobs(CoreJobsParts parts) : parts_(std::move(parts)), job_(KillingJob()) {}

CoreJobs::~CoreJobs() { EndAll(); }

JobStart CoreJobs::Start(size_t index, const std::wstring& drawing, const std::wstring& script) {
  std::unique_ptr<Child> child = std::move(prepared_);
  if (child && (child->index != index || child->drawing != drawing || child->script != script)) {
    child.reset();
  }
  if (running_.size() >= kMostCoreJobs) {
    return NotStarted(ERROR_BUSY, L"同时运行的 Core Console 不能超过 " +
                                      std::to_wstring(kMostCoreJobs) + L" 个。");
  }
  std::optional<FileStamp> before = StampOf(drawing);
  if (!before) {
    DWORD error = GetLastError();
    return NotStarted(error, L"无法打开图纸 " + drawing + L"：" + win::SystemMessage(error));
  }
  if (!child) {
    JobStart failure;
    child = Create(index, drawing, script, failure);
    if (!child) return failure;
  }
  child->before = *before;
  ResumeThread(child->suspended.Get());
  child->suspended.Reset();
  if (parts_.drawingMs != 0) child->deadline = GetTickCount64() + parts_.drawingMs;
  running_.push_back(std::move(child));
  return {true, 0, {}};
}

void CoreJobs::Prepare(size_t index, const std::wstring& drawing, const std::wstring& script) {
  prepared_.reset();
  JobStart failure;  // Start makes it again and tells why it fails
  prepared_ = Create(index, drawing, script, failure);
}

std::unique_ptr<CoreJobs::Child> CoreJobs::Create(size_t index, const std::wstring& drawing,
                                                  const std::wstring& script, JobStart& failure) {
  win::AnsiEncoding ansi = win::EncodeAnsi(script);
  std::wstring scriptPath = InFolder(parts_.scriptFolder, CoreScriptName(index));
  if (ansi.unmappableAt) {
    failure = NotStarted(ERROR_NO_UNICODE_TRANSLATION,
                         L"脚本含有系统代码页无法保存的字符，无法写入 " + scriptPath);
    return nullptr;
  }
  win::FileResult written =
      win::WriteFileReplacing(scriptPath, ansi.bytes, win::Durability::Transient);
  if (!written.ok) {
    failure = NotStarted(written.error, L"无法写入脚本文件 " + scriptPath + L"：" +
                                            win::SystemMessage(written.error));
    return nullptr;
  }
  try {
    auto child = std::make_unique<Child>();
    child->index = index;
    child->drawing = drawing;
    child->script = script;
    failure = Launch(*child, scriptPath);
    if (!failure.started) return nullptr;
    return child;
  } catch (const std::system_error& e) {
    auto error = static_cast<unsigned long>(e.code().value());
    failure = NotStarted(error, L"无法启动 Core Console：" + win::SystemMessage(error));
    return nullptr;
  }
}

JobStart CoreJobs::Launch(Child& child, const std::wstring& scriptPath) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  win::UniqueFile input(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    &inherit, OPEN_EXISTING, 0, nullptr));
  if (!input) throw std::system_error(static_cast<int>(GetLastError()), std::system_category());
  InheritOnly only({input.Get(), child.pipe.ChildEnd()});
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof(startup);
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = input.Get();
  startup.StartupInfo.hStdOutput = child.pipe.ChildEnd();
  startup.StartupInfo.hStdError = child.pipe.ChildEnd();
  // No console at all: it prints into the pipe only, and no Ctrl+C or Ctrl+Break typed at
  // kavro.com reaches it. CREATE_NO_WINDOW would give each console a hidden console of its own,
  // which Wine makes by starting a conhost.exe for every drawing (kernelbase's process.c and
  // console.c in wine-mirror/wine, read through the code search); the flags' meanings:
  // https://learn.microsoft.com/en-us/windows/win32/ProcThread/process-creation-flags
  DWORD flags = DETACHED_PROCESS | CREATE_SUSPENDED;
  if (only.Ready()) {
    startup.lpAttributeList = only.List();
    flags |= EXTENDED_STARTUPINFO_PRESENT;
  }
  std::wstring commandLine = Quoted(parts_.corePath) + L" /i " + Quoted(child.drawing) + L" /s " +
                             Quoted(scriptPath) + L" /isolate kavro " +
                             Quoted(InFolder(parts_.scriptFolder, L"profile"));
  PROCESS_INFORMATION started{};
  BOOL ok = CreateProcessW(parts_.corePath.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                           flags, nullptr, nullptr, &startup.StartupInfo, &started);
  DWORD error = GetLastError();
  child.pipe.CloseChildEnd();  // the child holds the only writing end now
  if (!ok) {
    return NotStarted(
        error, L"无法启动 Core Console（" + parts_.corePath + L"）：" + win::SystemMessage(error));
  }
  child.process.Reset(started.hProcess);
  child.suspended.Reset(started.hThread);
  // Outside the job (an older Windows refusing nested jobs) it still ends with EndAll.
  AssignProcessToJobObject(job_.Get(), started.hProcess);
  return {true, 0, {}};
}

DWORD CoreJobs::WaitTimeout(bool withWake) const {
  DWORD timeout = INFINITE;
  ULONGLONG now = GetTickCount64();
  for (const auto& child : running_) {
    if (child->deadline == 0) continue;
    ULONGLONG left = child->deadline > now ? child->deadline - now : 0;
    timeout = static_cast<DWORD>(std::min<ULONGLONG>(timeout, left));
  }
  if (parts_.wake && !withWake) timeout = std::min(timeout, kWakePollMs);
  return timeout;
}

std::vector<JobEnd> CoreJobs::WaitForEnds() {
  if (running_.empty()) return {};
  // A wake seen before and still set would end every wait at once; it is polled instead.
  bool withWake =
      parts_.wake && !(wakeSeen_ && WaitForSingleObject(parts_.wake, 0) == WAIT_OBJECT_0);
  std::vector<HANDLE> handles;
  for (const auto& child : running_) handles.push_back(child->process.Get());
  if (withWake) handles.push_back(parts_.wake);
  DWORD woke = WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE,
                                      WaitTimeout(withWake));
  if (woke == WAIT_FAILED) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                            "WaitForMultipleObjects");
  }
  if (withWake && woke == WAIT_OBJECT_0 + handles.size() - 1) wakeSeen_ = true;

  std::vector<JobEnd> ends;
  ULONGLONG now = GetTickCount64();
  for (auto it = running_.begin(); it != running_.end();) {
    Child& child = **it;
    bool exited = WaitForSingleObject(child.process.Get(), 0) == WAIT_OBJECT_0;
    bool late = !exited && child.deadline != 0 && now >= child.deadline;
    if (!exited && !late) {
      ++it;
      continue;
    }
    if (late) {
      TerminateProcess(child.process.Get(), ERROR_TIMEOUT);
      WaitForSingleObject(child.process.Get(), kOutputGraceMs);
    }
    ends.push_back(Collect(child, late));
    it = running_.erase(it);
  }
  return ends;
}

JobEnd CoreJobs::Collect(Child& child, bool timedOut) {
  child.pipe.Finish(kOutputGraceMs);
  DWORD code = 0;
  GetExitCodeProcess(child.process.Get(), &code);
  std::optional<FileStamp> after = StampOf(child.drawing);
  CoreExit exit;
  exit.timedOut = timedOut;
  exit.exitCode = code;
  exit.rewritten = after && !(*after == child.before);
  exit.limitMs = parts_.drawingMs;
  exit.lastLines = child.pipe.LastLines(kCoreReportedLines);
  exit.output = child.pipe.History();
  return CoreJobEnd(child.index, exit);
}

void CoreJobs::EndAll() {
  prepared_.reset();
  for (const auto& child : running_) TerminateProcess(child->process.Get(), ERROR_CANCELLED);
  for (const auto& child : running_) {
    WaitForSingleObject(child->process.Get(), kOutputGraceMs);
    child->pipe.Finish(0);
  }
  running_.clear();
}

}  // namespace kavro::run
