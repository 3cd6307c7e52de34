#pragma once
// The file keywords of a script template, named and meant as in Autodesk's batch tool ScriptPro
// 2.0 (its ReadMe, "ScriptPro Keywords": folder, base name, extension with its dot, name with
// extension, full name; its own example writes <acet:cfullfileName>, so letter case does not
// matter): in each drawing's script, after the page placeholder, every keyword is replaced by a
// name of that drawing's file. What a keyword inserts is never looked at again, by the page rule
// or by another keyword.
#include <string>
#include <string_view>

namespace kavro::run {

// The names a drawing's path gives the keywords.
struct DrawingNames {
  std::wstring folder;     // <acet:cFolderName>: without a final "\" (a drive root as "C:")
  std::wstring baseName;   // <acet:cBaseName>: the file name without its extension
  std::wstring extension;  // <acet:cExtension>: from the name's last "." on, the dot included
  std::wstring fileName;   // <acet:cFileName>: the file name with its extension
  std::wstring fullName;   // <acet:cFullFileName>: the whole path
  bool operator==(const DrawingNames&) const = default;
};
DrawingNames NamesOf(std::wstring_view drawingPath);

// Whether `text` holds a keyword.
bool HasFileKeyword(std::wstring_view text);

// `script` with every keyword, left to right, replaced by the drawing's name. A script without
// keywords comes back exactly as it was.
std::wstring ApplyFileKeywords(std::wstring_view script, std::wstring_view drawingPath);

}  // namespace kavro::run
