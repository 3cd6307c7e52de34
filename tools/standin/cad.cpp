#include "cad.h"

#include <algorithm>
#include <cwctype>
#include <memory>
#include <stdexcept>

#include "dispatch.h"
#include "log.h"
#include "win/file_win.h"
#include "win/text_win.h"

namespace standin {
namespace {

std::unique_ptr<Cad> theCad;

std::wstring FileNameOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring Lower(std::wstring text) {
  for (auto& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

std::wstring Trimmed(const std::wstring& text) {
  size_t b = text.find_first_not_of(L" \t");
  size_t e = text.find_last_not_of(L" \t");
  return b == std::wstring::npos ? std::wstring() : text.substr(b, e - b + 1);
}

// Simulated work: the latencies of the settings are the point of this program.
void Work(int ms) {
  if (ms > 0) Sleep(static_cast<DWORD>(ms));
}

}  // namespace

Cad& TheCad() { return *theCad; }
void CreateCad(const Config& config) { theCad = std::make_unique<Cad>(config); }

Cad::Cad(const Config& config) : config_(config) {
  // AutoCAD starts with a new, unnamed drawing.
  int id = nextId_++;
  drawings_[id] = Drawing{L"", L"Drawing" + std::to_wstring(nextUnnamed_++) + L".dwg", ""};
  active_ = id;
  vars_.secureLoad = config.secureLoad;
  vars_.trustedPaths = config.trustedPaths;
}

void Cad::EnterCall() {
  if (busy_ || modal_) throw CallRejected{RPC_E_CALL_REJECTED};
  FlushTyped();
}

void Cad::FlushTyped() {
  if (typedEcho_.empty()) return;
  TheLog().Line(L"Typed " + QuoteTyped(typedEcho_));
  TheLog().Note(L"the command typed above has not ended");
  typedEcho_.clear();
}

const Drawing& Cad::At(int id) const {
  auto it = drawings_.find(id);
  if (it == drawings_.end()) throw CallError{E_FAIL, L"The drawing has been closed"};
  return it->second;
}

void Cad::CheckExists(const std::wstring& path, const wchar_t* what) const {
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    throw CallError{E_FAIL, std::wstring(what) + L" \"" + path + L"\" not found"};
  }
}

int Cad::Add(const std::wstring& templatePath) {
  if (!templatePath.empty()) CheckExists(templatePath, L"Template file");
  int id = nextId_++;
  drawings_[id] = Drawing{L"", L"Drawing" + std::to_wstring(nextUnnamed_++) + L".dwg", ""};
  active_ = id;
  Say(L"new drawing " + drawings_[id].name + L" from " + templatePath);
  Changed();
  return id;
}

// The fault settings count drawing opens of either kind, from 1.
void Cad::CountOpen(const std::wstring& path) {
  int k = ++opens_;
  Work(config_.openMs);
  if (k == config_.dialogAt) {
    // A client may end a server whose question nobody answers; as before a crash, its class
    // object goes first (Wine's COM would keep handing out a dead server's).
    RevokeRegistrations();
    Ask(L"AutoCAD 警告", L"缺少 SHX 文件：romans.shx", MB_OK | MB_ICONWARNING);
  }
  if (k == config_.crashAt) {
    TheLog().Note(L"crash at drawing " + std::to_wstring(k));
    // Windows forgets a dead server's class object; Wine's COM would keep handing it out.
    RevokeRegistrations();
    TerminateProcess(GetCurrentProcess(), 3);
  }
  if (k == config_.failAt) {
    throw CallError{E_FAIL, L"Drawing file \"" + path + L"\" is not valid"};
  }
  if (k == config_.faultAt) {
    throw std::logic_error("planted fault at drawing " + std::to_string(k));
  }
  CheckExists(path, L"Drawing file");
  if (k == config_.hangAt) {
    // The call still answers; then the program stops responding.
    TheLog().Note(L"hang after drawing " + std::to_wstring(k));
    PostMessageW(window_, kHangMessage, 0, 0);
  }
}

int Cad::Open(const std::wstring& path) {
  CountOpen(path);
  int id = nextId_++;
  drawings_[id] = Drawing{path, FileNameOf(path), ""};
  active_ = id;
  Say(L"opened " + path);
  Changed();
  return id;
}

void Cad::Reopen(int id, const std::wstring& path) {
  At(id);
  CountOpen(path);
  // R14 holds one drawing: the one open before is dropped unsaved.
  drawings_[id] = Drawing{path, FileNameOf(path), ""};
  active_ = id;
  Say(L"opened " + path);
  Changed();
}

void Cad::Close(int id, bool save) {
  Drawing& drawing = const_cast<Drawing&>(At(id));
  std::wstring error;
  if (save && !Save(drawing, &error)) {
    throw CallError{E_FAIL, error};
  }
  Say(L"closed " + drawing.name);
  WriteHistory(id);
  drawings_.erase(id);
  if (active_ == id) {
    active_ = drawings_.empty() ? 0 : drawings_.rbegin()->first;
  }
  Changed();
}

bool Cad::Save(Drawing& drawing, std::wstring* error) {
  Work(config_.saveMs);
  if (drawing.path.empty()) {
    Say(L"saved " + drawing.name + L" (made from a template, no file)");
    drawing.applied.clear();
    return true;
  }
  DWORD attributes = GetFileAttributesW(drawing.path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    // Checked here too: as root under Wine the file system would let the write through.
    *error = L"Cannot save \"" + drawing.path + L"\": the file is read-only";
    Say(*error);
    return false;
  }
  HANDLE file = CreateFileW(drawing.path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  bool ok = file != INVALID_HANDLE_VALUE &&
            WriteFile(file, drawing.applied.data(), static_cast<DWORD>(drawing.applied.size()),
                      &written, nullptr);
  DWORD code = GetLastError();
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (!ok) {
    *error = L"Cannot save \"" + drawing.path + L"\": " + kavro::win::SystemMessage(code);
    Say(*error);
    return false;
  }
  Say(L"saved " + drawing.path);
  TheLog().Note(L"saved " + drawing.path);  // what a run's outcome is compared with
  drawing.applied.clear();
  return true;
}

void Cad::Feed(std::wstring_view text, bool typed) {
  for (wchar_t c : text) {
    if (busy_ && typed) {
      pendingKeys_ += c;  // type-ahead, read when the script has finished
      continue;
    }
    FeedChar(c, typed);
  }
  Changed();
}

void Cad::FeedChar(wchar_t c, bool typed) {
  if (typed) typedEcho_ += c;
  if (c == L'\r' || c == L'\n' || (c == L' ' && prompt_ == Prompt::Command)) {
    EndInput();
  } else if (c == 27) {  // Esc cancels
    input_.clear();
    prompt_ = Prompt::Command;
    Say(L"*Cancel*");
  } else if (c == 8) {
    if (!input_.empty()) input_.pop_back();
  } else {
    input_ += c;
  }
  if (prompt_ == Prompt::Command && input_.empty() && !typedEcho_.empty() &&
      (c == L'\r' || c == L'\n' || c == L' ' || c == 27)) {
    TheLog().Line(L"Typed " + QuoteTyped(typedEcho_));
    typedEcho_.clear();
  }
}

void Cad::EndInput() {
  std::wstring text = input_;
  input_.clear();
  Say(PromptLine() + text);
  switch (prompt_) {
    case Prompt::Command:
      RunCommand(Trimmed(text).empty() ? lastCommand_ : Trimmed(text));
      break;
    case Prompt::FiledaiaValue: {
      std::wstring value = Trimmed(text);
      prompt_ = Prompt::Command;
      if (value == L"0" || value == L"1") {
        vars_.filedia = value == L"1";
        TheLog().Note(L"filedia " + value);
      } else if (!value.empty()) {
        Say(L"Requires 0 or 1.");
        prompt_ = Prompt::FiledaiaValue;
      }
      break;
    }
    case Prompt::ScriptPath:
      prompt_ = Prompt::Command;
      RunScript(Trimmed(text));
      break;
  }
}

void Cad::RunCommand(std::wstring word) {
  if (word.empty()) return;
  lastCommand_ = word;
  std::wstring name = Lower(word);
  while (!name.empty() && (name[0] == L'_' || name[0] == L'.')) name.erase(0, 1);
  if (name == L"filedia") {
    prompt_ = Prompt::FiledaiaValue;
  } else if (name == L"script") {
    if (vars_.filedia) TheLog().Note(L"script with filedia 1: AutoCAD would show a file dialog");
    prompt_ = Prompt::ScriptPath;
  } else if (name == L"qsave") {
    auto it = drawings_.find(active_);
    if (it == drawings_.end()) {
      Say(L"No drawing is open.");
      return;
    }
    std::wstring error;
    if (Save(it->second, &error)) TheLog().Note(L"qsave " + it->second.name);
  } else {
    Say(L"Unknown command \"" + word + L"\".");
    TheLog().Note(L"unknown command " + word);
  }
}

void Cad::RunScript(const std::wstring& typedPath) {
  std::wstring path = typedPath;
  if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"') {
    path = path.substr(1, path.size() - 2);
  }
  if (FileNameOf(path).find(L'.') == std::wstring::npos) path += L".scr";
  std::string bytes;
  auto it = drawings_.find(active_);
  if (!kavro::win::ReadWholeFile(path, &bytes).ok) {
    Say(L"Cannot find script file \"" + path + L"\".");
    TheLog().Note(L"script not found " + path);
    return;
  }
  if (it == drawings_.end()) {
    Say(L"No drawing is open.");
    return;
  }
  if (MayRunScript(path, bytes)) ApplyScript(path, bytes);
}

void Cad::ApplyScript(const std::wstring& path, const std::string& bytes) {
  auto it = drawings_.find(active_);
  if (it == drawings_.end()) {
    Say(L"No drawing is open.");
    return;
  }
  it->second.applied += bytes;
  TheLog().Note(L"script " + path + L" on " + it->second.name + L": " +
                Quote(kavro::win::DecodeAnsi(bytes)));
  EchoScript(kavro::win::DecodeAnsi(bytes));
  if (InBackground()) {
    busy_ = true;
    SetTimer(window_, kScriptTimer, static_cast<UINT>(config_.scriptMs), nullptr);
  } else {
    Work(config_.scriptMs);
  }
}

void Cad::ScriptDone() {
  KillTimer(window_, kScriptTimer);
  busy_ = false;
  TheLog().Note(L"script done");
  ReadTypeAhead();
}

void Cad::ReadTypeAhead() {
  std::wstring keys;
  keys.swap(pendingKeys_);
  Feed(keys, true);
}

std::wstring Cad::Caption() const {
  auto it = drawings_.find(active_);
  const std::wstring& product = config_.product;
  return it == drawings_.end() ? product : product + L" - [" + it->second.name + L"]";
}

void Cad::EchoScript(const std::wstring& text) {
  std::wstring unknown = L";" + Lower(config_.unknownCommands) + L";";
  for (size_t start = 0; start < text.size();) {
    size_t end = std::min(text.find_first_of(L"\r\n", start), text.size());
    std::wstring line = text.substr(start, end - start);
    start = end + (text.compare(end, 2, L"\r\n") == 0 ? 2 : 1);
    std::wstring word = Trimmed(line).substr(0, Trimmed(line).find(L' '));
    Say((config_.chinese ? L"命令: " : L"Command: ") + line);
    if (word.empty() || unknown.find(L";" + Lower(word) + L";") == std::wstring::npos) continue;
    std::wstring name;
    for (wchar_t c : word) name += static_cast<wchar_t>(std::towupper(c));
    // As AutoCAD 2026 words it in its history files (see src/run/script_errors.cpp).
    Say(config_.chinese ? L"未知命令“" + name + L"”。按 F1 查看帮助。"
                        : L"Unknown command \"" + name + L"\".  Press F1 for help.");
    TheLog().Note(L"unknown command " + word);
  }
}

std::wstring Cad::HistoryFile(int id) const {
  const Drawing& drawing = At(id);
  std::wstring stem = drawing.name.substr(0, drawing.name.rfind(L'.'));
  return config_.historyFolder + L"\\" + stem + L"_" + std::to_wstring(id) + L".log";
}

void Cad::WriteHistories() {
  for (auto& [id, drawing] : drawings_) WriteHistory(id);
}

void Cad::WriteHistory(int id) {
  Drawing& drawing = drawings_.at(id);
  if (drawing.history.empty()) return;
  std::wstring text;
  text.swap(drawing.history);
  CreateDirectoryW(config_.historyFolder.c_str(), nullptr);
  std::wstring path = HistoryFile(id);
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    TheLog().Note(L"history not written: " + path);
    return;
  }
  LARGE_INTEGER size{};
  GetFileSizeEx(file, &size);
  std::string bytes;
  switch (config_.historyEncoding) {
    case 1:
      bytes = (size.QuadPart == 0 ? "\xEF\xBB\xBF" : "") + kavro::win::ToUtf8(text);
      break;
    case 2:
      if (size.QuadPart == 0) bytes = "\xFF\xFE";
      for (wchar_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
      break;
    case 3:
      bytes = kavro::win::EncodeAnsi(text).bytes;
      break;
    default:
      bytes = kavro::win::ToUtf8(text);
  }
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  TheLog().Note(L"history written: " + path);
}

std::wstring Cad::PromptLine() const {
  switch (prompt_) {
    case Prompt::FiledaiaValue:
      return std::wstring(L"Enter new value for FILEDIA <") + (vars_.filedia ? L"1" : L"0") +
             L">: ";
    case Prompt::ScriptPath:
      return L"Enter script file name: ";
    default:
      return L"Command: ";
  }
}

std::deque<std::wstring> Cad::Screen() const { return screen_; }

void Cad::Say(const std::wstring& line) {
  auto it = drawings_.find(active_);
  if (vars_.logFileMode == 1 && it != drawings_.end()) it->second.history += line + L"\r\n";
  screen_.push_back(line);
  while (screen_.size() > 200) screen_.pop_front();
}

void Cad::Changed() {
  if (!window_) return;
  std::wstring caption = Caption();
  wchar_t current[512] = {};
  GetWindowTextW(window_, current, 512);
  if (caption != current) SetWindowTextW(window_, caption.c_str());
  InvalidateRect(window_, nullptr, TRUE);
}

}  // namespace standin
