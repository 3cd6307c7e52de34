#pragma once
// The stand-in Core Console (tools/standin_core) run as Kavro runs it: its output read through a
// pipe, its exit awaited with a deadline. Start several from one thread: each pipe's writing end
// is closed here before the next process starts, so no console inherits another's.
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

namespace kavro::test {

class CoreProcess {
 public:
  // Starts the installed accoreconsole.exe with `arguments` (one command-line text).
  explicit CoreProcess(const std::wstring& arguments);
  // Starts `program` the same way (kavro.com).
  CoreProcess(const std::wstring& program, const std::wstring& arguments);
  ~CoreProcess();  // kills it if it still runs
  CoreProcess(const CoreProcess&) = delete;
  CoreProcess& operator=(const CoreProcess&) = delete;

  bool Started() const { return process_ != nullptr; }
  // True once it has exited and all its output is read; false when `timeoutMs` ran out.
  bool Wait(DWORD timeoutMs = 20000);
  void Kill();
  bool Running() const;
  DWORD ExitCode() const;
  double CpuMs() const;  // the processor time it used (its own, not its children's)
  const std::string& OutputBytes() const { return output_; }  // complete after Wait

 private:
  HANDLE process_ = nullptr;
  HANDLE readEnd_ = nullptr;
  std::thread reader_;
  std::string output_;
};

// kavro.com run to its end (a failure of the test when it does not end within `limitMs`): its exit
// code and what it printed.
struct ComRan {
  DWORD code = 0;
  std::wstring output;
};
ComRan RunKavroCom(const std::wstring& arguments, DWORD limitMs = 60000);

// A batch for kavro.com in `folder`: drawings d01.dwg, d02.dwg… holding `drawing`, their list
// file and a script template.
struct BatchFiles {
  std::vector<std::wstring> drawings;
  std::wstring list, scriptTemplate;
};
BatchFiles MakeBatch(const std::wstring& folder, int count, const std::string& drawing,
                     const std::string& scriptTemplate);

}  // namespace kavro::test
