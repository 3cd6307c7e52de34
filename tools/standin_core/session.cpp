#define _CRT_RAND_S  // rand_s, before any header includes stdlib.h
#include "session.h"

#include <cstdlib>
#include <cwctype>

#include "standin/log.h"
#include "standin/security.h"
#include "win/file_win.h"
#include "win/text_win.h"

namespace standin::core {
namespace {

std::wstring FileNameOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring Upper(std::wstring text) {
  for (auto& c : text) c = static_cast<wchar_t>(std::towupper(c));
  return text;
}

std::wstring Trimmed(const std::wstring& text) {
  size_t b = text.find_first_not_of(L" \t");
  size_t e = text.find_last_not_of(L" \t");
  return b == std::wstring::npos ? std::wstring() : text.substr(b, e - b + 1);
}

std::wstring Unquoted(std::wstring text) {
  if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"') {
    return text.substr(1, text.size() - 2);
  }
  return text;
}

// A fault setting names a drawing by its file name; an empty setting names none.
bool Names(const std::wstring& setting, const std::wstring& name) {
  return !setting.empty() && _wcsicmp(setting.c_str(), name.c_str()) == 0;
}

// Simulated work: the latencies of the settings are the point of this program. `jitterMs`
// adds a random 0 to n ms.
void Work(int ms, int jitterMs) {
  unsigned int random = 0;
  if (jitterMs > 0 && rand_s(&random) == 0) ms += static_cast<int>(random % (jitterMs + 1u));
  if (ms > 0) Sleep(static_cast<DWORD>(ms));
}

}  // namespace

Session::Session(const Config& config, const Options& options, Console& console)
    : config_(config),
      options_(options),
      console_(console),
      name_(FileNameOf(options.drawing)),
      pid_(std::to_wstring(GetCurrentProcessId())),
      path_(options.drawing),
      variables_{{L"FILEDIA", L"1"}, {L"CMDDIA", L"1"}, {L"CMDECHO", L"1"}, {L"EXPERT", L"0"},
                 {L"ATTREQ", L"1"},  {L"ATTDIA", L"0"}, {L"NOMUTT", L"0"},  {L"QAFLAGS", L"0"}} {}

int Session::Run() {
  profile_ = ReadProfileSecurity(config_.version);
  Work(config_.coreStartMs, config_.coreJitterMs);
  Say(L"AutoCAD Core Engine Console (stand-in), version " + config_.version);
  Note(L"start" + std::wstring(options_.readOnly ? L", read-only" : L"") +
       (options_.language.empty() ? L"" : L", language " + options_.language) +
       (options_.isolateUser.empty()
            ? L""
            : L", isolated as " + options_.isolateUser + L" in " + options_.isolateFolder));
  if (!profile_.variablesKey.empty()) {
    Note(L"profile " + profile_.variablesKey + L": SECURELOAD " +
         (profile_.secureLoad ? std::to_wstring(*profile_.secureLoad) : L"-") + L", TRUSTEDPATHS " +
         (profile_.trustedPaths ? Quote(*profile_.trustedPaths) : L"-"));
  }
  if (!Open()) return kCannotOpen;
  std::wstring scriptPath = options_.script;
  if (FileNameOf(scriptPath).find(L'.') == std::wstring::npos) scriptPath += L".scr";
  std::string bytes;
  if (!kavro::win::ReadWholeFile(scriptPath, &bytes).ok) {
    Say(L"Cannot find script file \"" + scriptPath + L"\".");
    Note(L"script not found " + scriptPath);
    return kNoScript;
  }
  // A script saved as Unicode (UTF-16LE after its byte-order mark) is read as text, as AutoCAD
  // reads one; from there on the stand-in works on it in the ANSI code page.
  if (bytes.starts_with("\xFF\xFE")) {
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    bytes = kavro::win::EncodeAnsi(text).bytes;
  }
  if (!Trusted()) {
    // As AutoCAD does without anyone to ask: a warning, the script not run, a normal exit.
    Say(L"** Warning: the script \"" + scriptPath +
        L"\" is not in a trusted location (TRUSTEDPATHS) and was not loaded. **");
    Note(L"script ignored, its folder is not trusted: " + scriptPath);
  } else {
    Note(L"script " + scriptPath + L": " + Quote(kavro::win::DecodeAnsi(bytes)));
    RunScript(bytes);
  }
  Say(L"Command:");
  Note(L"exit");
  return 0;
}

bool Session::Open() {
  DWORD attributes = GetFileAttributesW(options_.drawing.c_str());
  bool missing = attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY);
  if (missing || Names(config_.coreFailAt, name_)) {
    Say(L"Unable to open drawing \"" + options_.drawing + L"\".");
    Note(missing ? L"drawing not found" : L"drawing fails to open (coreFailAt)");
    return false;
  }
  Say(L"Opening drawing \"" + options_.drawing + L"\".");
  Note(L"opened " + options_.drawing);
  if (Names(config_.coreHangAt, name_)) {
    Note(L"hang (coreHangAt)");
    Sleep(INFINITE);
  }
  return true;
}

bool Session::Trusted() const {
  if (!ChecksScripts(config_.version)) return true;
  if (profile_.secureLoad.value_or(config_.coreSecureLoad) == 0) return true;
  return IsTrustedFolder(FolderOf(options_.script),
                         profile_.trustedPaths.value_or(config_.coreTrustedPaths));
}

void Session::RunScript(const std::string& bytes) {
  script_ = &bytes;
  std::string input;
  for (size_t i = 0; i < bytes.size() && !quit_; ++i) {
    char c = bytes[i];
    if (c == '\n' && i > 0 && bytes[i - 1] == '\r') continue;  // CR LF is one Enter
    // A space ends an input too, except where a file name is asked for. No DBCS trail byte
    // is a space or a line end, so splitting the bytes here splits no character.
    if (c == '\r' || c == '\n' || (c == ' ' && prompt_ != Prompt::SaveName)) {
      EndInput(input, i);
      input.clear();
    } else {
      input += c;
    }
  }
  if (!input.empty() && !quit_) {
    // Left at the prompt, as AutoCAD leaves a last line without its Enter.
    Say(PromptText() + kavro::win::DecodeAnsi(input));
    Note(L"the script's last input has no line end and was not run: " +
         Quote(kavro::win::DecodeAnsi(input)));
  }
  CrashIfAsked();  // a script without a save dies at its end
  script_ = nullptr;
}

void Session::EndInput(const std::string& bytes, size_t terminator) {
  std::wstring text = kavro::win::DecodeAnsi(bytes);
  std::wstring value = Trimmed(text);
  Say(PromptText() + text);
  saveEnd_ = LineEnd(terminator);
  switch (prompt_) {
    case Prompt::Command:
      if (value.empty()) value = lastCommand_;  // Enter repeats the last command
      if (!value.empty()) RunCommand(value);
      break;
    case Prompt::Variable:
    case Prompt::SetvarValue:
      prompt_ = Prompt::Command;
      if (!value.empty()) SetVariable(variable_, value);
      break;
    case Prompt::SetvarName:
      prompt_ = Prompt::Command;
      variable_ = Upper(value);
      if (variables_.count(variable_)) {
        prompt_ = Prompt::SetvarValue;
      } else if (!value.empty()) {
        Say(L"Unknown variable name.");
      }
      break;
    case Prompt::SaveName:
      prompt_ = Prompt::Command;
      Save(Unquoted(value));
      break;
  }
}

void Session::RunCommand(const std::wstring& word) {
  lastCommand_ = word;
  Work(config_.coreCommandMs, config_.coreJitterMs);
  Note(L"command " + word);
  std::wstring name = Upper(word);
  while (!name.empty() && (name[0] == L'_' || name[0] == L'.' || name[0] == L'\'')) {
    name.erase(0, 1);
  }
  if (variables_.count(name)) {
    variable_ = name;
    prompt_ = Prompt::Variable;
  } else if (name == L"SETVAR") {
    prompt_ = Prompt::SetvarName;
  } else if (name == L"QSAVE") {
    Save({});
  } else if (name == L"SAVE") {
    prompt_ = Prompt::SaveName;
  } else if (name == L"QUIT" || name == L"EXIT" || name == L"CLOSE") {
    quit_ = true;
    Note(L"the rest of the script is not run");
  } else if ((L";" + Upper(config_.unknownCommands) + L";").find(L";" + name + L";") !=
             std::wstring::npos) {
    // As AutoCAD words it (see src/run/script_errors.cpp).
    Say(config_.chinese ? L"未知命令“" + name + L"”。按 F1 查看帮助。"
                        : L"Unknown command \"" + name + L"\".  Press F1 for help.");
    Note(L"unknown command " + word);
  }
  // Any other word is a command the stand-in takes without doing anything.
}

void Session::SetVariable(const std::wstring& name, const std::wstring& value) {
  if (value.find_first_not_of(L"0123456789") != std::wstring::npos) {
    Say(L"Requires an integer value.");
    return;
  }
  variables_[name] = value;
  Note(L"set " + name + L" " + value);
}

void Session::Save(std::wstring target) {
  CrashIfAsked();
  if (config_.coreNoSave) {
    Note(L"save ignored (coreNoSave)");
    return;
  }
  if (options_.readOnly) {
    Say(L"** The drawing is open read-only and cannot be saved. **");
    Note(L"save refused: read-only");
    return;
  }
  if (target.empty()) target = path_;
  std::string applied = script_ ? script_->substr(savedUpTo_, saveEnd_ - savedUpTo_) : "";
  if (WriteDrawing(target, applied)) {
    savedUpTo_ = saveEnd_;
    path_ = target;
    Note(L"saved " + target);
  }
}

// Appends to the drawing's own file; another name gets the drawing's whole content.
bool Session::WriteDrawing(const std::wstring& target, const std::string& applied) {
  bool same = _wcsicmp(FolderOf(target).c_str(), FolderOf(path_).c_str()) == 0 &&
              _wcsicmp(FileNameOf(target).c_str(), FileNameOf(path_).c_str()) == 0;
  DWORD attributes = GetFileAttributesW(target.c_str());
  // Checked here too: as root under Wine the file system would let the write through.
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    Say(L"Cannot save \"" + target + L"\": the file is read-only.");
    Note(L"save failed, read-only: " + target);
    return false;
  }
  DWORD error = 0;
  if (same && config_.coreKeepStamp) {
    error = RewriteKeepingStamp(target, applied);
  } else if (same) {
    HANDLE file = CreateFileW(target.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    bool ok =
        file != INVALID_HANDLE_VALUE &&
        WriteFile(file, applied.data(), static_cast<DWORD>(applied.size()), &written, nullptr) &&
        written == applied.size();
    error = ok ? 0 : GetLastError();
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  } else {
    std::string content;
    auto read = kavro::win::ReadWholeFile(path_, &content);
    auto result = read.ok ? kavro::win::WriteFileReplacing(target, content + applied) : read;
    error = result.ok ? 0 : result.error;
  }
  if (error != 0) {
    Say(L"Cannot save \"" + target + L"\": " + kavro::win::SystemMessage(error));
    Note(L"save failed: " + target + L": " + kavro::win::SystemMessage(error));
    return false;
  }
  return true;
}

// The drawing's last bytes after `applied` was added, written over it; its size and last write
// time stay as they were. Returns the error, 0 when done.
DWORD Session::RewriteKeepingStamp(const std::wstring& target, const std::string& applied) {
  std::string content;
  auto read = kavro::win::ReadWholeFile(target, &content);
  if (!read.ok) return read.error;
  content = (content + applied).substr(applied.size());
  HANDLE file = CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
  FILETIME created, accessed, written;
  DWORD done = 0;
  bool ok = GetFileTime(file, &created, &accessed, &written) &&
            WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &done, nullptr) &&
            SetFileTime(file, nullptr, nullptr, &written);
  DWORD error = ok ? 0 : GetLastError();
  CloseHandle(file);
  return error;
}

void Session::CrashIfAsked() {
  if (!Names(config_.coreCrashAt, name_)) return;
  Note(L"crash (coreCrashAt)");
  TerminateProcess(GetCurrentProcess(), kCrashed);
}

std::wstring Session::PromptText() const {
  switch (prompt_) {
    case Prompt::Variable:
    case Prompt::SetvarValue:
      return L"Enter new value for " + variable_ + L" <" + variables_.at(variable_) + L">: ";
    case Prompt::SetvarName:
      return L"Enter variable name or [?]: ";
    case Prompt::SaveName:
      return L"Save drawing as <" + path_ + L">: ";
    default:
      return L"Command: ";
  }
}

// The offset just past the line end at or after `at` (the end of the script if none).
size_t Session::LineEnd(size_t at) const {
  const std::string& s = *script_;
  size_t p = at;
  while (p < s.size() && s[p] != '\r' && s[p] != '\n') ++p;
  if (p >= s.size()) return s.size();
  return s[p] == '\r' && p + 1 < s.size() && s[p + 1] == '\n' ? p + 2 : p + 1;
}

void Session::Note(std::wstring_view text) const {
  TheLog().Note(L"core " + pid_ + L" " + name_ + L": " + std::wstring(text));
}

}  // namespace standin::core
