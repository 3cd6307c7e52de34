#include "support/cad_installs.h"

#include <windows.h>
#include <shlobj.h>

#include "support/support.h"
#include "win/file_win.h"

namespace kavro::test {
namespace {

const std::wstring kClasses = L"Software\\Classes\\";

void SetClassValue(const std::wstring& key, const std::wstring& value) {
  RegSetKeyValueW(HKEY_LOCAL_MACHINE, (kClasses + key).c_str(), nullptr, REG_SZ, value.c_str(),
                  static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

InstalledCad::InstalledCad(CadInstall install) : install_(std::move(install)) {
  wchar_t programFiles[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, programFiles);
  folder_ = std::wstring(programFiles) + L"\\" + install_.folder;
  SHCreateDirectoryExW(nullptr, (folder_ + L"\\TEMPLATE").c_str(), nullptr);
  EndAll();
  std::wstring built = BuildFolder() + L"\\tools\\";
  CopyFileW((built + L"acad.exe").c_str(), ExePath().c_str(), FALSE);
  CopyFileW((built + L"accoreconsole.exe").c_str(), (folder_ + L"\\accoreconsole.exe").c_str(),
            FALSE);
  if (!install_.templateName.empty()) {
    win::WriteFileReplacing(folder_ + L"\\TEMPLATE\\" + install_.templateName, "template\r\n");
  }
  install_.options.log = MakeTempFolder(L"cad") + L"\\" + install_.clsid + L".log";
  install_.options.clsid = install_.clsid;
  DeleteFileW(install_.options.log.c_str());
  win::WriteFileReplacing(folder_ + L"\\standin.ini", ::standin::ConfigText(install_.options));
  for (const std::wstring& name : install_.classNames) {
    SetClassValue(name + L"\\CLSID", install_.clsid);
  }
  SetClassValue(L"CLSID\\" + install_.clsid + L"\\LocalServer32", CommandLine());
}

InstalledCad::~InstalledCad() {
  EndAll();
  for (const std::wstring& key : install_.classNames) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kClasses + key).c_str());
  }
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kClasses + L"CLSID\\" + install_.clsid).c_str());
}

std::wstring InstalledCad::CommandLine() const {
  return L"\"" + ExePath() + L"\" --config \"" + folder_ + L"\\standin.ini\"";
}

// Closed first (see Standin::KillAll), then ended.
void InstalledCad::EndAll() const {
  Standin::KillAll();
  EndProcessesOf(ExePath());
}

}  // namespace kavro::test
