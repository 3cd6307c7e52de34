#pragma once
// The stand-in AutoCAD installed as another CAD program: a copy under Program Files\<folder> with
// the Core Console and TEMPLATE\<templateName> beside it, registered under `classNames` and
// `clsid`, its profile and log in its own standin.ini. Removed again with the object.
#include <string>
#include <vector>

#include "support/standin.h"

namespace kavro::test {

struct CadInstall {
  std::wstring folder, exeName;
  std::vector<std::wstring> classNames;
  std::wstring clsid;
  StandinOptions options{};
  std::wstring templateName{};  // empty: none
};

class InstalledCad {
 public:
  explicit InstalledCad(CadInstall install);
  ~InstalledCad();
  InstalledCad(const InstalledCad&) = delete;
  InstalledCad& operator=(const InstalledCad&) = delete;

  std::wstring ExePath() const { return folder_ + L"\\" + install_.exeName; }
  std::wstring CommandLine() const;  // as COM starts it
  Lines LogLines() const { return ReadLogLines(install_.options.log); }
  bool Logged(const std::wstring& part) const { return AnyHolds(LogLines(), part); }

 private:
  void EndAll() const;
  CadInstall install_;
  std::wstring folder_;
};

}  // namespace kavro::test
