#include "core/core_trust.h"

#include <algorithm>
#include <vector>
#include <map>

#include "base/utf8.h"
#include "run/trusted_paths.h"

namespace kavro::run {

namespace {

constexpr std::string_view kNoteHeader = "kavro core console trust 1";

// "%" and line ends as "%25", "%0D", "%0A": every field stays on its one line.
std::string Escaped(std::wstring_view text) {
  std::string out;
  for (char c : ToUtf8(text)) {
    if (c == '%') {
      out += "%25";
    } else if (c == '\r') {
      out += "%0D";
    } else if (c == '\n') {
      out += "%0A";
    } else {
      out += c;
    }
  }
  return out;
}

std::optional<std::wstring> Unescaped(std::string_view text) {
  std::string bytes;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      bytes += text[i];
      continue;
    }
    std::string_view code = text.substr(i + 1, 2);
    if (code == "25") {
      bytes += '%';
    } else if (code == "0D") {
      bytes += '\r';
    } else if (code == "0A") {
      bytes += '\n';
    } else {
      return std::nullopt;
    }
    i += 2;
  }
  return FromUtf8(bytes);
}

// The note's "name=value" lines after its header; null for a text that is not a whole note.
std::optional<std::map<std::string, std::string>> NoteFields(std::string_view text) {
  if (!text.ends_with('\n')) return std::nullopt;  // cut short while written
  std::map<std::string, std::string> fields;
  bool header = true;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    if (header) {
      if (line != kNoteHeader) return std::nullopt;
      header = false;
      continue;
    }
    size_t equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    fields[std::string(line.substr(0, equals))] = std::string(line.substr(equals + 1));
  }
  if (header) return std::nullopt;
  return fields;
}

std::optional<bool> Flag(const std::string& text) {
  if (text == "0") return false;
  if (text == "1") return true;
  return std::nullopt;
}

}  // namespace

std::optional<std::wstring> ReleaseVersion(std::wstring_view releaseKey) {
  if (releaseKey.size() < 2 || releaseKey[0] != L'R') return std::nullopt;
  std::wstring_view version = releaseKey.substr(1);
  if (version[0] < L'0' || version[0] > L'9') return std::nullopt;
  return std::wstring(version);
}

CoreTrustPlan PlanCoreTrust(const CoreProfile& profile, std::wstring_view folder) {
  auto version = ReleaseVersion(profile.release);
  if (!version || !VersionChecksScripts(*version)) return {};
  if (!SecureLoadOn(profile.secureLoad.value_or(L""))) return {};
  std::wstring trusted = profile.trustedPaths.value_or(L"");
  if (TrustedPathsCover(trusted, folder)) return {};
  if (folder.find(L';') != std::wstring_view::npos) {
    return {CoreTrustPlan::Kind::Refuse, {}, SemicolonRefusal(folder)};
  }
  return {CoreTrustPlan::Kind::Append, WithTrustedFolder(trusted, folder), {}};
}

std::wstring UnwritableTrustRefusal(std::wstring_view folder, std::wstring_view reason) {
  return L"无法把脚本所在的文件夹“" + std::wstring(folder) +
         L"”加入 AutoCAD 用户配置中受信任的位置（TRUSTEDPATHS）：" + std::wstring(reason) +
         L"\n请在 AutoCAD 的“选项”中把这个文件夹加入受信任的位置（或请 CAD "
         L"管理员这样做）后再运行。本次没有处理任何图纸。";
}

std::wstring UnwritableNoteRefusal(std::wstring_view folder, std::wstring_view notePath,
                                   std::wstring_view reason) {
  return L"无法写入“" + std::wstring(notePath) + L"”：" + std::wstring(reason) +
         L"\nKavro 需要先记下 AutoCAD 受信任的位置（TRUSTEDPATHS）原来的值，才能为本次运行加入"
         L"脚本所在的文件夹“" +
         std::wstring(folder) + L"”。本次没有处理任何图纸。";
}

std::string TrustNoteText(const TrustNote& note) {
  std::string text(kNoteHeader);
  text += "\nkey=" + Escaped(note.key);
  text += "\nfolder=" + Escaped(note.folder);
  text += std::string("\nexisted=") + (note.existed ? "1" : "0");
  text += std::string("\nexpandable=") + (note.expandable ? "1" : "0");
  text += "\nbefore=" + Escaped(note.before);
  text += "\nwritten=" + Escaped(note.written);
  return text + "\n";
}

std::optional<TrustNote> ParseTrustNote(std::string_view text) {
  auto fields = NoteFields(text);
  if (!fields || fields->size() != 6) return std::nullopt;
  auto field = [&](const char* name) -> std::optional<std::string> {
    auto at = fields->find(name);
    if (at == fields->end()) return std::nullopt;
    return at->second;
  };
  auto key = Unescaped(field("key").value_or("%"));
  auto folder = Unescaped(field("folder").value_or("%"));
  auto existed = Flag(field("existed").value_or(""));
  auto expandable = Flag(field("expandable").value_or(""));
  auto before = Unescaped(field("before").value_or("%"));
  auto written = Unescaped(field("written").value_or("%"));
  if (!key || key->empty() || !folder || !existed || !expandable || !before || !written) {
    return std::nullopt;
  }
  return TrustNote{*key, *folder, *existed, *expandable, *before, *written};
}

TrustUndo UndoOf(const TrustNote& note, const std::optional<std::wstring>& current) {
  using Kind = TrustUndo::Kind;
  if (!current) return {};
  if (*current == note.written) return {note.existed ? Kind::PutBack : Kind::Delete, {}};
  // The run's folder was appended as an entry of its own; only an entry exactly like it goes.
  std::vector<std::wstring_view> entries;
  for (size_t at = 0;;) {
    size_t end = std::min(current->find(L';', at), current->size());
    entries.emplace_back(current->data() + at, end - at);
    if (end == current->size()) break;
    at = end + 1;
  }
  auto own = std::find(entries.begin(), entries.end(), std::wstring_view(note.folder));
  bool removed = own != entries.end();
  if (removed) entries.erase(own);
  std::wstring kept;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i > 0) kept += L';';
    kept += entries[i];
  }
  if (!removed) return {};
  return {Kind::Write, kept};
}

}  // namespace kavro::run
