#include "run/file_keywords.h"

#include <optional>

namespace kavro::run {

namespace {

enum class Name { Folder, Base, Extension, File, Full };

struct Keyword {
  std::wstring_view text;
  Name name;
};

// None is the start of another: each ends with ">" and none holds one before.
constexpr Keyword kKeywords[] = {
    {L"<acet:cFolderName>", Name::Folder},   {L"<acet:cBaseName>", Name::Base},
    {L"<acet:cExtension>", Name::Extension}, {L"<acet:cFileName>", Name::File},
    {L"<acet:cFullFileName>", Name::Full},
};

// Only ASCII letters are folded: no other character is the case variant of a keyword's.
wchar_t Folded(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; }

bool MatchesAt(std::wstring_view text, size_t at, std::wstring_view keyword) {
  if (text.size() - at < keyword.size()) return false;
  for (size_t i = 0; i < keyword.size(); ++i) {
    if (Folded(text[at + i]) != Folded(keyword[i])) return false;
  }
  return true;
}

// The keyword that starts at `at`, if one does.
std::optional<Keyword> KeywordAt(std::wstring_view text, size_t at) {
  for (const Keyword& keyword : kKeywords) {
    if (MatchesAt(text, at, keyword.text)) return keyword;
  }
  return std::nullopt;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

const std::wstring& NameFor(const DrawingNames& names, Name name) {
  switch (name) {
    case Name::Folder:
      return names.folder;
    case Name::Base:
      return names.baseName;
    case Name::Extension:
      return names.extension;
    case Name::File:
      return names.fileName;
    case Name::Full:
      break;
  }
  return names.fullName;
}

}  // namespace

DrawingNames NamesOf(std::wstring_view drawingPath) {
  DrawingNames names;
  names.fullName = drawingPath;
  size_t separator = drawingPath.find_last_of(L"\\/");
  if (separator != std::wstring_view::npos) {
    std::wstring_view folder = drawingPath.substr(0, separator);
    while (!folder.empty() && IsSeparator(folder.back())) folder.remove_suffix(1);
    names.folder = folder;
    names.fileName = drawingPath.substr(separator + 1);
  } else if (drawingPath.size() >= 2 && drawingPath[1] == L':') {
    names.folder = drawingPath.substr(0, 2);  // "C:a.dwg": on the drive's current folder
    names.fileName = drawingPath.substr(2);
  } else {
    names.fileName = drawingPath;
  }
  size_t dot = names.fileName.rfind(L'.');
  names.baseName = names.fileName.substr(0, dot);
  if (dot != std::wstring::npos) names.extension = names.fileName.substr(dot);
  return names;
}

bool HasFileKeyword(std::wstring_view text) {
  for (size_t at = text.find(L'<'); at != std::wstring_view::npos; at = text.find(L'<', at + 1)) {
    if (KeywordAt(text, at)) return true;
  }
  return false;
}

std::wstring ApplyFileKeywords(std::wstring_view script, std::wstring_view drawingPath) {
  if (!HasFileKeyword(script)) return std::wstring(script);
  DrawingNames names = NamesOf(drawingPath);
  std::wstring out;
  out.reserve(script.size() + drawingPath.size());
  size_t from = 0;
  for (size_t at = script.find(L'<'); at != std::wstring_view::npos; at = script.find(L'<', at)) {
    std::optional<Keyword> keyword = KeywordAt(script, at);
    if (!keyword) {
      ++at;
      continue;
    }
    out.append(script, from, at - from);
    out += NameFor(names, keyword->name);
    at += keyword->text.size();
    from = at;
  }
  out.append(script, from, std::wstring_view::npos);
  return out;
}

}  // namespace kavro::run
