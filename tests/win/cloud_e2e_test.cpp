// kavro.com --engine cloud against the stand-in cloud service (tools/standin_aps) and the
// stand-in Core Console: what each drawing ends up holding, the log, the exit codes, and that the
// client secret is in no file Kavro wrote.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <memory>
#include <string>
#include <vector>

#include "base/program_folder.h"
#include "base/utf8.h"
#include "cloud/cloud_credentials_win.h"
#include "cloud/cloud_engine_win.h"
#include "record/record_files_win.h"
#include "support/core_process.h"
#include "support/standin.h"
#include "support/support.h"
#include "win/file_win.h"
#include "win/handles_win.h"
#include "win/program_folder_win.h"
#include "win/text_win.h"

namespace kavro {
namespace {

using test::CoreProcess;
using test::Lines;
using test::ReadBytes;

constexpr wchar_t kSecret[] = L"kavro-test-secret";
constexpr char kCloudDrawing[] = "AC1032 drawing\r\n";

std::wstring DataFolder() { return JoinFolder(win::LocalAppDataFolder(), L"Kavro"); }

std::string Modified(int page) {
  return std::string(kCloudDrawing) + "-text 0,0 " + std::to_string(page) + "\r\n_.qsave\r\n";
}

bool Has(const std::wstring& text, const std::wstring& part) {
  return text.find(part) != std::wstring::npos;
}

// Every file under `folder` whose bytes hold `text` as UTF-8 or UTF-16LE.
void FilesHolding(const std::wstring& folder, const std::wstring& text, Lines* found) {
  std::string utf8 = ToUtf8(text);
  std::string utf16(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring name = entry.cFileName, path = JoinFolder(folder, name);
    if (name == L"." || name == L"..") continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      FilesHolding(path, text, found);
    } else {
      std::string bytes = ReadBytes(path);
      if (bytes.find(utf8) != std::string::npos || bytes.find(utf16) != std::string::npos) {
        found->push_back(path);
      }
    }
  } while (FindNextFileW(search, &entry));
  FindClose(search);
}

class CloudRun : public ::testing::Test {
 protected:
  void SetUp() override {
    CleanRecords();
    standin_ = std::make_unique<test::Standin>();  // installs the stand-in Core Console
    folder_ = test::MakeTempFolder(L"cloud");
    logPath_ = JoinFolder(folder_, L"run.csv");
    SetEnvironmentVariableW(L"APS_CLIENT_ID", L"kavro-test-client");
    SetEnvironmentVariableW(L"APS_CLIENT_SECRET", kSecret);
  }
  void TearDown() override {
    service_.reset();
    CleanRecords();
    test::DeleteFilesIn(folder_);
    RemoveDirectoryW(folder_.c_str());
  }
  static void CleanRecords() {
    for (const std::wstring& f : {run::JournalFolder(DataFolder()), run::LogFolder(DataFolder())}) {
      test::DeleteFilesIn(f);
    }
  }

  // The stand-in service with these knobs, its address in KAVRO_APS_URL.
  void StartService(const std::wstring& knobs = L"") {
    service_.reset();
    std::wstring portFile = JoinFolder(folder_, L"port");
    callLog_ = JoinFolder(folder_, L"calls.log");
    DeleteFileW(portFile.c_str());
    DeleteFileW(callLog_.c_str());
    std::wstring program =
        JoinFolder(FolderOfPath(test::KavroComPath()), L"tools\\standin_aps.exe");
    service_ = std::make_unique<CoreProcess>(
        program, L"--core \"" + test::Standin::CoreExePath() + L"\" --port-file \"" + portFile +
                     L"\" --log \"" + callLog_ + L"\" " + knobs);
    ASSERT_TRUE(service_->Started());
    std::string port;
    for (int i = 0; i < 100 && port.empty(); ++i) {
      Sleep(100);
      port = ReadBytes(portFile);
    }
    ASSERT_FALSE(port.empty()) << "the stand-in service did not start";
    SetEnvironmentVariableW(
        L"KAVRO_APS_URL", (L"http://127.0.0.1:" + std::wstring(port.begin(), port.end())).c_str());
  }
  Lines Calls() const {
    Lines lines;
    std::string bytes = ReadBytes(callLog_);
    for (size_t at = 0, end; (end = bytes.find("\r\n", at)) != std::string::npos; at = end + 2) {
      lines.push_back(FromUtf8Replacing(bytes.substr(at, end - at)));
    }
    return lines;
  }

  Lines Inputs(int count, const char* scriptTemplate = "-text 0,0 page\r\n") {
    test::BatchFiles batch = test::MakeBatch(folder_, count, kCloudDrawing, scriptTemplate);
    listPath_ = batch.list;
    scriptPath_ = batch.scriptTemplate;
    return batch.drawings;
  }

  using Ran = test::ComRan;
  Ran Kavro(const std::wstring& arguments) { return test::RunKavroCom(arguments, 120000); }
  Ran Run(const std::wstring& options) {
    return Kavro(L"run \"" + listPath_ + L"\" \"" + scriptPath_ + L"\" --log \"" + logPath_ +
                 L"\" --engine cloud " + options);
  }
  std::vector<Lines> LogRows() const { return test::LogRowsByPage(logPath_); }
  size_t CallsStarting(const std::string& start) const {
    Lines calls = Calls();
    std::wstring wide(start.begin(), start.end());
    return std::count_if(calls.begin(), calls.end(),
                         [&](const std::wstring& call) { return call.rfind(wide, 0) == 0; });
  }

  std::unique_ptr<test::Standin> standin_;
  std::unique_ptr<CoreProcess> service_;
  std::wstring folder_, logPath_, listPath_, scriptPath_, callLog_;
};

TEST_F(CloudRun, TwentyDrawingsFiveAtOnceEachWithItsPageAndNoSecretWritten) {
  StartService();
  Lines paths = Inputs(20);
  Ran ran = Run(L"--start 41 --jobs 5");
  EXPECT_EQ(ran.code, 0u) << std::string(ran.output.begin(), ran.output.end());
  std::vector<Lines> rows = LogRows();
  ASSERT_EQ(rows.size(), 20u);
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(ReadBytes(paths[i]), Modified(41 + i)) << i;
    EXPECT_EQ(rows[i], (Lines{std::to_wstring(41 + i), paths[i], L"完成"}));
  }
  EXPECT_EQ(CallsStarting("POST /da/us-east/v3/workitems") -
                CallsStarting("POST /da/us-east/v3/workitems/status"),
            20u);
  // Every object the run uploaded or had written is deleted: drawing, script and result.
  EXPECT_EQ(CallsStarting("DELETE /oss/"), 60u);
  Lines holding;
  FilesHolding(DataFolder(), kSecret, &holding);
  FilesHolding(folder_, kSecret, &holding);
  EXPECT_TRUE(holding.empty()) << std::string(holding[0].begin(), holding[0].end());
  EXPECT_FALSE(Has(ran.output, kSecret));
}

TEST_F(CloudRun, CredentialsFromTheEnvironmentOrStoredAndChineseTextAsWritten) {
  SetEnvironmentVariableW(L"APS_CLIENT_SECRET", nullptr);
  Inputs(2);
  Ran ran = Run(L"");
  EXPECT_EQ(ran.code, 2u);
  EXPECT_TRUE(Has(ran.output, L"APS_CLIENT_ID") && Has(ran.output, L"APS_CLIENT_SECRET"));

  // Stored for this Windows user (kavro cloud login), encrypted, they serve until the logout.
  std::wstring stored = cloud::CredentialsPath(DataFolder());
  ASSERT_TRUE(cloud::StoreCredentials(stored, {"kavro-test-client", ToUtf8(kSecret)}));
  EXPECT_EQ(ReadBytes(stored).find(ToUtf8(kSecret)), std::string::npos);
  StartService();
  EXPECT_EQ(Run(L"").code, 0u);
  EXPECT_EQ(Kavro(L"cloud logout").code, 0u);
  EXPECT_EQ(GetFileAttributesW(stored.c_str()), INVALID_FILE_ATTRIBUTES);

  // Chinese in the template and in a drawing's name reach the console as written.
  SetEnvironmentVariableW(L"APS_CLIENT_SECRET", kSecret);
  StartService();
  std::wstring chinese = test::MakeDrawing(folder_, L"图纸.dwg", kCloudDrawing);
  ASSERT_TRUE(win::WriteFileReplacing(listPath_, win::EncodeAnsi(chinese + L"\r\n").bytes).ok);
  std::wstring line = L"-text 0,0 页<acet:cBaseName>\r\n";
  ASSERT_TRUE(win::WriteFileReplacing(scriptPath_, win::EncodeAnsi(line).bytes).ok);
  EXPECT_EQ(Run(L"").code, 0u);
  EXPECT_EQ(ReadBytes(chinese),
            kCloudDrawing + win::EncodeAnsi(L"-text 0,0 页图纸\r\n_.qsave\r\n").bytes);
  DeleteFileW(chinese.c_str());
}

TEST_F(CloudRun, RetryRunsTheFailedItemAndTheCorruptResultAgainWithTheirPages) {
  StartService(L"--fail-item 3 --corrupt-item 7");
  Lines paths = Inputs(9);
  Ran first = Run(L"--start 5 --jobs 3");
  EXPECT_EQ(first.code, 1u);
  EXPECT_TRUE(Has(first.output, L"failedInstructions"));
  EXPECT_TRUE(Has(first.output, L"AC10"));
  std::vector<Lines> rows = LogRows();
  ASSERT_EQ(rows.size(), 9u);
  EXPECT_EQ(rows[2], (Lines{L"7", paths[2], L"失败"}));
  EXPECT_EQ(rows[6], (Lines{L"11", paths[6], L"失败"}));
  EXPECT_EQ(ReadBytes(paths[2]), kCloudDrawing);
  EXPECT_EQ(ReadBytes(paths[6]), kCloudDrawing);

  StartService();
  // The journal keeps the engine: no --engine cloud again.
  Ran retry = Kavro(L"retry --log \"" + logPath_ + L"\"");
  EXPECT_EQ(retry.code, 0u) << std::string(retry.output.begin(), retry.output.end());
  EXPECT_FALSE(Has(retry.output, L"可能已经修改过"));  // replaced whole or not at all
  EXPECT_EQ(LogRows(), (std::vector<Lines>{{L"7", paths[2], L"完成"}, {L"11", paths[6], L"完成"}}));
  for (int i = 0; i < 9; ++i) EXPECT_EQ(ReadBytes(paths[i]), Modified(5 + i)) << i;
}

// Each work item's report is judged as the console's output: the drawing whose script had an
// unknown command is saved yet 脚本报错; every report is kept in the history file beside the log.
TEST_F(CloudRun, ReportsAreJudgedAndKeptBesideTheLog) {
  standin_ = std::make_unique<test::Standin>(test::StandinOptions{.unknownCommands = L"bogus2"});
  StartService();
  Lines paths = Inputs(2, "boguspage\r\n");
  Ran ran = Run(L"");
  EXPECT_EQ(ran.code, 1u) << std::string(ran.output.begin(), ran.output.end());
  EXPECT_EQ(LogRows(),
            (std::vector<Lines>{{L"1", paths[0], L"完成"}, {L"2", paths[1], L"脚本报错"}}));
  std::wstring history = FromUtf8Replacing(ReadBytes(JoinFolder(folder_, L"run.txt")));
  EXPECT_TRUE(Has(history, L"Unknown command \"BOGUS2\""))
      << std::string(history.begin(), history.end());
  // Both reports, the one without errors too.
  EXPECT_NE(history.find(L"[standin] Uploaded"), history.rfind(L"[standin] Uploaded"));
}

TEST_F(CloudRun, RateLimitsServerErrorsAndExpiringTokensStillRunEveryDrawingOnce) {
  StartService(L"--429-every 7 --500-first 1 --token-seconds 3 --queue-ms 1500");
  Lines paths = Inputs(4);
  Ran ran = Run(L"--jobs 2");
  EXPECT_EQ(ran.code, 0u) << std::string(ran.output.begin(), ran.output.end());
  for (int i = 0; i < 4; ++i) EXPECT_EQ(ReadBytes(paths[i]), Modified(1 + i)) << i;
  EXPECT_GE(CallsStarting("token "), 2u);
}

// Ctrl+C once: no new work item, the ones in flight are finished and saved; twice: they are
// cancelled on the service, their drawings stay as they were and are logged 已取消.
TEST_F(CloudRun, CtrlCFinishesWorkItemsInFlightAndASecondCancelsThem) {
  StartService(L"--queue-ms 3000");
  Lines paths = Inputs(4);
  std::string port = ReadBytes(JoinFolder(folder_, L"port"));
  cloud::CloudEngineParts parts;
  parts.baseUrl = L"http://127.0.0.1:" + std::wstring(port.begin(), port.end());
  parts.credentials = {"kavro-test-client", ToUtf8(kSecret)};
  parts.engine = "Autodesk.AutoCAD+24_3";
  parts.jobs = 2;
  parts.partBytes = 7;  // each drawing in three parts
  parts.clockSeconds = [] { return GetTickCount64() / 1000.0; };
  run::RunInputs inputs{paths, L"-text 0,0 page\r\n", L"1", true};
  for (int presses : {1, 2}) {
    win::UniqueHandle wake(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::atomic<int> pressed{0};
    parts.wake = wake.Get();
    parts.cancel = [&] {
      int now = pressed.load();
      return now == 0   ? run::CancelLevel::None
             : now == 1 ? run::CancelLevel::Finish
                        : run::CancelLevel::Force;
    };
    size_t before = CallsStarting("POST /da/us-east/v3/workitems");
    // The first press once both items are in the queue, the second soon after.
    std::thread user([&] {
      test::PumpUntil([&] { return CallsStarting("POST /da/us-east/v3/workitems") >= before + 2; },
                      20000);
      pressed = 1;
      SetEvent(wake.Get());
      Sleep(300);
      if (presses == 2) pressed = 2;
    });
    auto record = run::MakeRunRecord(run::RunKind::Modify, DataFolder(), {}, {logPath_});
    cloud::CloudOutcome outcome = cloud::RunOnCloud(inputs, {0, 1, 2, 3}, *record, parts);
    user.join();
    record.reset();
    ASSERT_FALSE(outcome.refusal);
    EXPECT_TRUE(outcome.summary.cancelled);
    EXPECT_EQ(outcome.summary.notBegun, presses == 1 ? 2u : 4u);
    EXPECT_EQ(outcome.summary.saved, presses == 1 ? 2u : 0u);
    std::vector<Lines> rows = LogRows();
    ASSERT_EQ(rows.size(), 4u);
    for (int i = 0; i < 4; ++i) {
      bool saved = presses == 1 && i < 2;
      EXPECT_FALSE(outcome.summary.drawings[i].possiblyModified);
      EXPECT_EQ(rows[i][2], saved ? L"完成" : L"已取消") << i;
      EXPECT_EQ(ReadBytes(paths[i]), saved ? Modified(1 + i) : kCloudDrawing) << i;
      win::WriteFileReplacing(paths[i], kCloudDrawing);
    }
  }
  EXPECT_EQ(CallsStarting("DELETE /da/us-east/v3/workitems/"), 2u);
}

}  // namespace
}  // namespace kavro
