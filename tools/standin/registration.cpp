#include "registration.h"

#include <shlobj.h>

namespace standin {
namespace {

constexpr wchar_t kProgId[] = L"AutoCAD.Application";

std::wstring ClsidText() {
  wchar_t text[64] = {};
  StringFromGUID2(kClsid, text, 64);
  return text;
}

bool SetValue(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  return RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, REG_SZ, value.c_str(),
                         static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool WriteTemplate(const std::wstring& path) {
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const char text[] = "AutoCAD stand-in drawing template\r\n";
  DWORD written = 0;
  WriteFile(file, text, sizeof(text) - 1, &written, nullptr);
  CloseHandle(file);
  return true;
}

}  // namespace

std::wstring InstallFolder() {
  wchar_t folder[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, folder);
  return std::wstring(folder) + L"\\AutoCAD";
}

Registered Register() {
  std::wstring folder = InstallFolder();
  SHCreateDirectoryExW(nullptr, (folder + L"\\TEMPLATE").c_str(), nullptr);
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring exe = folder + L"\\acad.exe";
  bool copied = _wcsicmp(self, exe.c_str()) == 0 || CopyFileW(self, exe.c_str(), FALSE);
  if (!copied && GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES) return Registered::No;
  if (!WriteTemplate(folder + L"\\TEMPLATE\\acad.dwt")) return Registered::No;
  std::wstring clsid = ClsidText();
  std::wstring classes = L"Software\\Classes\\";
  std::wstring server = L"\"" + exe + L"\" --config \"" + folder + L"\\standin.ini\"";
  bool written = SetValue(classes + kProgId, nullptr, L"AutoCAD Application") &&
                 SetValue(classes + kProgId + L"\\CLSID", nullptr, clsid) &&
                 SetValue(classes + L"CLSID\\" + clsid, nullptr, L"AutoCAD Application") &&
                 SetValue(classes + L"CLSID\\" + clsid + L"\\ProgID", nullptr, kProgId) &&
                 SetValue(classes + L"CLSID\\" + clsid + L"\\LocalServer32", nullptr, server);
  if (!written) return Registered::No;
  return copied ? Registered::Yes : Registered::OldCopy;
}

bool Unregister() {
  std::wstring classes = L"Software\\Classes\\";
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, (classes + kProgId).c_str());
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, (classes + L"CLSID\\" + ClsidText()).c_str());
  return true;
}

}  // namespace standin
