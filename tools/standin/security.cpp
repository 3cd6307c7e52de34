#include "security.h"

#include <windows.h>

#include <cwctype>
#include <vector>

namespace standin {
namespace {

// As the file system folds case: for every script, not only the C locale's letters.
std::wstring Upper(std::wstring_view text) {
  std::wstring out(text);
  if (!out.empty()) CharUpperBuffW(out.data(), static_cast<DWORD>(out.size()));
  return out;
}

std::wstring_view Trimmed(std::wstring_view text) {
  size_t b = text.find_first_not_of(L" \t\"");
  size_t e = text.find_last_not_of(L" \t\"");
  return b == std::wstring_view::npos ? std::wstring_view() : text.substr(b, e - b + 1);
}

// Upper-cased, "/" as "\", without trailing separators ("C:\" as "C:").
std::wstring Comparable(std::wstring_view path) {
  std::wstring out = Upper(path);
  for (auto& c : out) {
    if (c == L'/') c = L'\\';
  }
  while (!out.empty() && out.back() == L'\\') out.pop_back();
  return out;
}

bool Covers(std::wstring_view entry, const std::wstring& folder) {
  constexpr std::wstring_view kTree = L"\\...";
  bool tree = entry.size() >= kTree.size() && entry.substr(entry.size() - kTree.size()) == kTree;
  if (tree) entry.remove_suffix(kTree.size());
  std::wstring base = Comparable(entry);
  if (base.empty()) return false;
  if (folder == base) return true;
  if (!tree || folder.size() <= base.size() || folder.compare(0, base.size(), base) != 0) {
    return false;
  }
  return folder[base.size()] == L'\\';
}

}  // namespace

bool ChecksScripts(std::wstring_view version) {
  // Whole digits and the first decimal are enough for the bounds, and exact.
  int major = 0;
  size_t i = 0;
  for (; i < version.size() && std::iswdigit(version[i]) && major < 1000; ++i) {
    major = major * 10 + (version[i] - L'0');
  }
  if (i == 0) return false;
  int tenths = 0;
  if (i + 1 < version.size() && version[i] == L'.' && std::iswdigit(version[i + 1])) {
    tenths = version[i + 1] - L'0';
  }
  return (major > 19 || (major == 19 && tenths >= 1)) && major < 25;
}

bool IsTrustedFolder(std::wstring_view folder, std::wstring_view trustedPaths) {
  std::wstring target = Comparable(folder);
  while (!trustedPaths.empty()) {
    size_t end = trustedPaths.find(L';');
    std::wstring_view entry = Trimmed(trustedPaths.substr(0, end));
    if (!entry.empty() && Covers(entry, target)) return true;
    trustedPaths =
        end == std::wstring_view::npos ? std::wstring_view() : trustedPaths.substr(end + 1);
  }
  return false;
}

std::wstring FolderOf(const std::wstring& path) {
  std::vector<wchar_t> full(MAX_PATH);
  DWORD length =
      GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length >= full.size()) {
    full.resize(length + 1);
    length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  std::wstring absolute =
      length > 0 && length < full.size() ? std::wstring(full.data(), length) : path;
  size_t slash = absolute.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : absolute.substr(0, slash);
}

}  // namespace standin
