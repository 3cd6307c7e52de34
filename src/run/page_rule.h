#pragma once
// The page placeholder: every drawing's script gets its page number where the template says
// "page" or "PAGE". Then the file keywords give it the drawing's names.
#include <cstddef>
#include <string>
#include <string_view>

namespace kavro::run {

// The number at the start of a text, read the way the start page box has always been read:
// blanks (space, tab, line feed) are skipped wherever they stand; then an optional sign, digits
// with at most one "." and an optional "E"/"D" exponent, or "&H"/"&O" and a hexadecimal or octal
// whole number. Reading stops at the first character that cannot continue the number; no number
// at all reads as 0. The decimal point is "." whatever the locale. May be infinite when the text
// holds a number beyond double range.
double ReadLeadingNumber(std::wstring_view text);

// A page value as written into the script: whole values as plain digits (with "-" when
// negative), others with "." as decimal point and up to 15 significant digits.
std::wstring PageText(double value);

// Replaces "page", then "PAGE" in the result, left to right without overlaps, case-sensitively.
std::wstring ApplyPagePlaceholder(std::wstring_view scriptTemplate, std::wstring_view pageText);

// The page text of the drawing at `index` of a list that starts at page `startPage`.
std::wstring PageOf(std::wstring_view startPage, size_t index);

// The script of the drawing at `index`, from the template and the start page box's text: the
// page placeholder only.
std::wstring ScriptForDrawing(std::wstring_view scriptTemplate, std::wstring_view startPage,
                              size_t index);

// The script every engine runs on the drawing at `index`, whose path is `drawingPath`: the page
// placeholder, then the file keywords (file_keywords.h) with that drawing's names.
std::wstring ScriptForDrawing(std::wstring_view scriptTemplate, std::wstring_view startPage,
                              size_t index, std::wstring_view drawingPath);

}  // namespace kavro::run
