#pragma once
// The stand-in AutoCAD installed as one more CAD program: its own folder, program file, class
// names, CLSID and profile (tools/standin/config.h), its own settings file and log.
#include <string>
#include <vector>

#include "support/standin.h"

namespace kavro::test {

struct CadInstall {
  std::wstring folder;                   // under Program Files: "ZWCAD 2025"
  std::wstring exeName;                  // "zwcad.exe"
  std::vector<std::wstring> classNames;  // "ZWCAD.Application", "ZWCAD.Application.2025"
  std::wstring clsid;                    // "{...}"
  StandinOptions options{};              // product, version, stateMethod, refuseAttach...
  std::wstring templateName{};           // TEMPLATE\<name> beside it; empty: none
  bool withConsole = false;              // accoreconsole.exe beside it
};

class InstalledCad {
 public:
  explicit InstalledCad(CadInstall install);  // copies, writes its settings, registers
  ~InstalledCad();                            // ends it and removes its registration
  InstalledCad(const InstalledCad&) = delete;
  InstalledCad& operator=(const InstalledCad&) = delete;

  std::wstring ExePath() const;
  // Started as a user starts it (not through COM); true once its window is there.
  bool StartDirectly();
  Lines LogLines() const { return ReadLogLines(logPath_); }
  bool Logged(const std::wstring& part) const { return AnyHolds(LogLines(), part); }
  size_t Starts() const;  // processes of it started, by its log

 private:
  std::wstring CommandLine() const;  // as COM starts it
  void EndAll() const;
  CadInstall install_;
  std::wstring folder_;
  std::wstring logPath_;
};

}  // namespace kavro::test
