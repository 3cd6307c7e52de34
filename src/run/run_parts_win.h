#pragma once
// The run's Windows parts that do not depend on a window: keys typed into AutoCAD (R14) and the
// script file on disk. The main window's runs and kavro.com's use the same ones.
#include <optional>
#include <string>
#include <string_view>

#include "run/run_engine.h"
#include "run/run_limits.h"

namespace kavro::run {

class KeysToAutoCad final : public Keystrokes {
 public:
  explicit KeysToAutoCad(const RunLimits& limits) : limits_(limits) {}
  void ActivateWindow(const std::wstring& title) override;
  void Type(const std::wstring& keys) override;
  void TypeScriptCommand(const std::wstring& scriptPath) override;

 private:
  RunFailure NotRead() const;
  const RunLimits& limits_;
};

// kavro.scr in the program folder, or in the user's own folder when the program folder cannot
// be written; in the system's ANSI code page.
class ScriptFileOnDisk final : public ScriptFile {
 public:
  explicit ScriptFileOnDisk(const std::wstring& programFolder) : programFolder_(programFolder) {}
  std::wstring ScriptPath() override;
  std::optional<size_t> FirstUnwritable(std::wstring_view text) override;
  void Write(const std::wstring& path, const std::wstring& text) override;

 private:
  const std::wstring& programFolder_;
};

// The command history files as they are on disk, decoded as history_text.h says (the ANSI code
// page being the system's).
class HistoryFilesOnDisk final : public HistoryFiles {
 public:
  uint64_t Size(const std::wstring& path) override;
  std::optional<std::wstring> Added(const std::wstring& path, uint64_t notedSize) override;
};

}  // namespace kavro::run
