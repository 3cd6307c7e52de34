#pragma once
// The client id and secret stored once for this Windows user (kavro cloud login), encrypted with
// CryptProtectData: only the same user on the same machine can read them back.
#include <optional>
#include <string>

#include "cloud/cloud_jobs_win.h"

namespace kavro::cloud {

std::wstring CredentialsPath(const std::wstring& dataFolder);  // <data>\cloud-credentials.bin
bool StoreCredentials(const std::wstring& path, const CloudCredentials& credentials);
std::optional<CloudCredentials> StoredCredentials(const std::wstring& path);
bool ForgetCredentials(const std::wstring& path);  // true when none are stored afterwards

}  // namespace kavro::cloud
