#include "run/trusted_paths.h"

#include <charconv>
#include <optional>
#include <string>

namespace kavro::run {

namespace {

constexpr std::wstring_view kBelow = L"\\...";

std::wstring_view Trimmed(std::wstring_view text) {
  size_t first = text.find_first_not_of(L" \t");
  if (first == std::wstring_view::npos) return {};
  size_t last = text.find_last_not_of(L" \t");
  return text.substr(first, last - first + 1);
}

// The leading "digits[.digits]" of a text, in ASCII; empty when it does not start with a digit.
std::string LeadingDecimal(std::wstring_view text) {
  std::string out;
  bool point = false;
  for (wchar_t c : text) {
    if (c >= L'0' && c <= L'9') {
      out += static_cast<char>(c);
    } else if (c == L'.' && !point && !out.empty()) {
      point = true;
      out += '.';
    } else {
      break;
    }
  }
  return out;
}

std::optional<double> LeadingNumber(std::wstring_view text) {
  std::string number = LeadingDecimal(text);
  if (number.empty()) return std::nullopt;
  double value = 0;
  auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error != std::errc()) return std::nullopt;
  return value;
}

// A folder as compared: "/" read as "\", ASCII letters in lower case, no trailing "\".
std::wstring FolderKey(std::wstring_view folder) {
  std::wstring key(Trimmed(folder));
  if (key.size() >= 2 && key.front() == L'"' && key.back() == L'"') {
    key = key.substr(1, key.size() - 2);
  }
  for (wchar_t& c : key) {
    if (c == L'/') c = L'\\';
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  while (!key.empty() && key.back() == L'\\') key.pop_back();
  return key;
}

bool EntryCovers(std::wstring_view entry, const std::wstring& folder) {
  std::wstring key = FolderKey(entry);
  bool below = key.ends_with(kBelow);
  if (below) key = FolderKey(std::wstring_view(key).substr(0, key.size() - kBelow.size()));
  if (key.empty()) return false;  // an empty entry, or "\..." alone, names no folder
  if (folder == key) return true;
  return below && folder.size() > key.size() && folder.starts_with(key) &&
         folder[key.size()] == L'\\';
}

}  // namespace

bool VersionChecksScripts(std::wstring_view version) {
  auto value = LeadingNumber(Trimmed(version));
  return value && *value >= 19.1 && *value < 25;
}

bool SecureLoadOn(std::wstring_view secureLoad) {
  std::wstring_view text = Trimmed(secureLoad);
  if (text.empty()) return true;  // unknown: assume the stricter setting
  auto value = LeadingNumber(text);
  bool wholeNumber = value && LeadingDecimal(text).size() == text.size();
  return !(wholeNumber && *value == 0);
}

bool TrustedPathsCover(std::wstring_view trustedPaths, std::wstring_view folder) {
  std::wstring key = FolderKey(folder);
  if (key.empty()) return false;
  size_t from = 0;
  while (from <= trustedPaths.size()) {
    size_t end = trustedPaths.find(L';', from);
    if (end == std::wstring_view::npos) end = trustedPaths.size();
    if (EntryCovers(trustedPaths.substr(from, end - from), key)) return true;
    from = end + 1;
  }
  return false;
}

std::wstring WithTrustedFolder(std::wstring_view trustedPaths, std::wstring_view folder) {
  std::wstring paths(trustedPaths);
  while (!paths.empty() && (paths.back() == L' ' || paths.back() == L'\t')) paths.pop_back();
  if (paths.empty()) return std::wstring(folder);
  if (paths.back() != L';') paths += L';';
  return paths + std::wstring(folder);
}

std::wstring SemicolonRefusal(std::wstring_view folder) {
  return L"脚本所在的文件夹“" + std::wstring(folder) +
         L"”的名称含有分号（;），AutoCAD 无法把它加入受信任的位置（TRUSTEDPATHS）。\n请把 "
         L"Kavro 放到名称不含分号的文件夹中后再运行。";
}

}  // namespace kavro::run
