#pragma once
// One run of the stand-in accoreconsole: open the drawing, run the script's commands, exit.
// It never saves on its own: only the script's save commands write the drawing, and a save
// appends the bytes of the script read so far (up to the end of the save's line), as the
// stand-in AutoCAD does with the scripts it runs, so a test sees which text reached which file.
//
// Exit codes: 0 when the script ran (also when it was ignored as untrusted, or a save failed:
// the real program says so only in its output), kBadArguments, kCannotOpen, kNoScript,
// kInternalError; a crash ends the process with kCrashed.
#include <windows.h>

#include <map>
#include <string>
#include <string_view>

#include "console.h"
#include "options.h"
#include "profile.h"
#include "standin/config.h"

namespace standin::core {

constexpr int kBadArguments = 1;
constexpr int kCannotOpen = 2;
constexpr int kNoScript = 3;
constexpr int kInternalError = 4;
constexpr UINT kCrashed = 0xC0000005;  // as an access violation ends a process

class Session {
 public:
  Session(const Config& config, const Options& options, Console& console);
  int Run();

 private:
  enum class Prompt { Command, Variable, SetvarName, SetvarValue, SaveName };

  bool Open();
  bool Trusted() const;
  void RunScript(const std::string& bytes);
  void EndInput(const std::string& bytes, size_t terminator);
  void RunCommand(const std::wstring& word);
  void SetVariable(const std::wstring& name, const std::wstring& value);
  void Save(std::wstring target);
  bool WriteDrawing(const std::wstring& target, const std::string& applied);
  DWORD RewriteKeepingStamp(const std::wstring& target, const std::string& applied);
  void CrashIfAsked();
  std::wstring PromptText() const;
  size_t LineEnd(size_t at) const;
  void Note(std::wstring_view text) const;
  void Say(std::wstring_view text) { console_.Line(text); }

  Config config_;
  Options options_;
  Console& console_;
  std::wstring name_;  // the drawing's file name, in every log line of this run
  std::wstring pid_;
  std::wstring path_;  // where the drawing is saved: the opened file, until a save names another
  std::map<std::wstring, std::wstring> variables_;  // system variables by upper-case name
  ProfileSecurity profile_;                         // read at start, as AutoCAD does

  // The script being run.
  const std::string* script_ = nullptr;
  size_t savedUpTo_ = 0;  // script bytes before this offset are in the drawing file
  size_t saveEnd_ = 0;    // end of the line of the save command being run
  Prompt prompt_ = Prompt::Command;
  std::wstring lastCommand_;
  std::wstring variable_;  // the system variable asked for
  bool quit_ = false;
};

}  // namespace standin::core
