#include "cloud/cloud_credentials_win.h"

#include <windows.h>

#include <dpapi.h>

#include "base/program_folder.h"
#include "win/file_win.h"

namespace kavro::cloud {

namespace {

// The id and the secret, one line each: neither holds a line end.
constexpr char kSeparator = '\n';

void Wipe(std::string& text) {
  SecureZeroMemory(text.data(), text.size());
  text.clear();
}

}  // namespace

std::wstring CredentialsPath(const std::wstring& dataFolder) {
  return JoinFolder(dataFolder, L"cloud-credentials.bin");
}

// CryptProtectData and CryptUnprotectData with the current user's key, no prompt
// (CRYPTPROTECT_UI_FORBIDDEN), the output freed with LocalFree
// (https://learn.microsoft.com/windows/win32/api/dpapi/nf-dpapi-cryptprotectdata).
bool StoreCredentials(const std::wstring& path, const CloudCredentials& credentials) {
  if (credentials.clientId.find(kSeparator) != std::string::npos) return false;
  std::string plain = credentials.clientId + kSeparator + credentials.secret;
  DATA_BLOB in{static_cast<DWORD>(plain.size()), reinterpret_cast<BYTE*>(plain.data())};
  DATA_BLOB out{};
  BOOL ok =
      CryptProtectData(&in, L"Kavro", nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out);
  Wipe(plain);
  if (!ok) return false;
  std::string sealed(reinterpret_cast<const char*>(out.pbData), out.cbData);
  LocalFree(out.pbData);
  win::MakeFolders(FolderOfPath(path));
  return win::WriteFileReplacing(path, sealed).ok;
}

std::optional<CloudCredentials> StoredCredentials(const std::wstring& path) {
  std::string sealed;
  if (!win::ReadWholeFile(path, &sealed).ok) return std::nullopt;
  DATA_BLOB in{static_cast<DWORD>(sealed.size()), reinterpret_cast<BYTE*>(sealed.data())};
  DATA_BLOB out{};
  if (!CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                          &out)) {
    return std::nullopt;
  }
  std::string plain(reinterpret_cast<const char*>(out.pbData), out.cbData);
  SecureZeroMemory(out.pbData, out.cbData);
  LocalFree(out.pbData);
  size_t separator = plain.find(kSeparator);
  std::optional<CloudCredentials> credentials;
  if (separator != std::string::npos && separator > 0 && separator + 1 < plain.size()) {
    credentials = CloudCredentials{plain.substr(0, separator), plain.substr(separator + 1)};
  }
  Wipe(plain);
  return credentials;
}

bool ForgetCredentials(const std::wstring& path) {
  return DeleteFileW(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

}  // namespace kavro::cloud
