#pragma once
// Helpers for the tests that run under Wine.
#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "base/file_dialog.h"
#include "win/controls_win.h"
#include "support/scripted_dialogs.h"

namespace kavro::test {

using Lines = std::vector<std::wstring>;

// Pumps messages until `done` is true or `timeoutMs` passed; returns `done()`.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
// Pumps what is queued now.
void PumpPending();

// Folder holding kavro.exe and the tests (the build folder).
std::wstring BuildFolder();
std::wstring KavroExePath();
std::wstring KavroComPath();  // kavro.com beside it

// Window rectangle of `child` relative to the client area of `parent`.
RECT RectInParent(HWND child, HWND parent);
using win::WindowText;
std::wstring ClassOf(HWND window);

// The first top-level window of `thread` (0: of any thread) that `match` accepts.
HWND FindTopWindow(DWORD thread, const std::function<bool(HWND)>& match);

// The entries of a list box and the text of a control, also of another process.
Lines ListBoxEntries(HWND list);
std::wstring ControlText(HWND control);

// A fresh empty folder for one test (under the prefix's temp folder).
std::wstring MakeTempFolder(const std::wstring& name);
// The names of the files in `folder` (not its folders), and deleting them.
Lines FilesIn(const std::wstring& folder);
void DeleteFilesIn(const std::wstring& folder);
// The journals and run logs a Kavro started by the test left in %LOCALAPPDATA%\Kavro deleted:
// the next run or retry would be offered them.
void ClearKavroRecords();
// A file `name` in `folder` holding `content` (a "drawing" for the stand-in); its path.
std::wstring MakeDrawing(const std::wstring& folder, const std::wstring& name,
                         const std::string& content = "drawing\r\n");
std::string ReadBytes(const std::wstring& path);
// The rows of a UTF-8 CSV file (its byte-order mark skipped), split into fields; a quoted field
// may hold commas and line ends.
std::vector<Lines> ReadCsv(const std::wstring& path);
// A run log's rows without the header, sorted by page: page, drawing and result of each.
std::vector<Lines> LogRowsByPage(const std::wstring& path);

// Runs `commandLine` (in `folder`). With `waitMs`, waits for it (ending it when the time runs out)
// and returns its exit code; else 0 once started. -1 when it could not start or was ended.
long RunProgram(std::wstring commandLine, DWORD waitMs = 0, const wchar_t* folder = nullptr);
// This test program again, without a window or output, running only `test` (disabled ones too),
// with this process's environment. Its process handle (null when it did not start).
HANDLE StartThisProgram(const std::wstring& test);
std::wstring EnvironmentValue(const wchar_t* name);

// Saves what the screen shows of `window` as build/screenshots/<name>.bmp (the test command
// turns it into a PNG).
bool SaveWindowPicture(HWND window, const std::wstring& name);

// A CF_HDROP block (wide names) as WM_DROPFILES and drag sources hand it over.
HGLOBAL DropFileList(const std::vector<std::wstring>& paths);
// A data object offering one clipboard format, `data` (handed over): taken from the OLE
// clipboard, as a real source would offer it. Needs OLE on this thread.
Microsoft::WRL::ComPtr<IDataObject> ClipboardOffering(UINT format, HGLOBAL data);

// --- Modal windows opened on this thread (common file dialogs, message boxes) ---

struct SeenDialog {
  std::wstring title;
  std::wstring text;  // a message box's text
};
using DialogAnswer = std::function<void(HWND dialog)>;

// Types `name` into a file dialog's name box and presses OK.
DialogAnswer ChooseName(std::wstring name);
DialogAnswer Press(int id);

// Runs `action` here while a watcher thread answers the dialogs it opens, one answer per dialog,
// in order; a dialog beyond the answers is closed (OK for a message box, else Cancel). Returns
// what each dialog showed.
std::vector<SeenDialog> RunAnswering(const std::function<void()>& action,
                                     std::vector<DialogAnswer> answers = {});

}  // namespace kavro::test
