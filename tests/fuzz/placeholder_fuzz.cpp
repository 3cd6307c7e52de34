// The page placeholder replaced in a script template, then the file keywords: input is the start
// page, a NUL byte, then the template; the byte after the NUL also picks the drawing's index.
#include <cmath>
#include <cstring>
#include <string>

#include "fuzz_text.h"
#include "run/file_keywords.h"
#include "run/page_rule.h"

namespace {

using kavro::fuzz::Check;

// The rule spelt out character by character: each word in turn, left to right, no overlaps.
std::wstring ReplaceByHand(const std::wstring& text, const std::wstring& word,
                           const std::wstring& by) {
  std::wstring out;
  for (size_t i = 0; i < text.size();) {
    if (text.compare(i, word.size(), word) == 0) {
      out += by;
      i += word.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto* nul = static_cast<const uint8_t*>(std::memchr(data, 0, size));
  size_t startSize = nul ? static_cast<size_t>(nul - data) : size;
  std::wstring startPage = kavro::fuzz::WideText(data, startSize);
  size_t rest = nul ? size - startSize - 1 : 0;
  std::wstring scriptTemplate = kavro::fuzz::WideText(nul ? nul + 1 : data, rest);
  size_t index = rest > 0 ? nul[1] * 129u : 0;  // 0 .. 32895, beyond the list's 32767 too

  double page = kavro::run::ReadLeadingNumber(startPage) + static_cast<double>(index);
  std::wstring pageText = kavro::run::PageText(page);
  std::wstring script = kavro::run::ScriptForDrawing(scriptTemplate, startPage, index);

  std::wstring expected =
      ReplaceByHand(ReplaceByHand(scriptTemplate, L"page", pageText), L"PAGE", pageText);
  Check(script == expected, "both words replaced left to right, without overlaps");
  if (std::isfinite(page)) {  // a run refuses a start page beyond the number range
    Check(script.find(L"page") == std::wstring::npos, "no \"page\" left behind");
    Check(script.find(L"PAGE") == std::wstring::npos, "no \"PAGE\" left behind");
  }

  // The names go in after the page, and are not looked at again.
  const std::wstring drawing = L"D:\\pages\\PAGE.dwg";
  std::wstring named = kavro::run::ScriptForDrawing(scriptTemplate, startPage, index, drawing);
  Check(named == kavro::run::ApplyFileKeywords(script, drawing),
        "the keywords come after the page");
  Check(kavro::run::HasFileKeyword(scriptTemplate) || named == script,
        "without keywords the page rule's script, exactly");
  Check(!kavro::run::HasFileKeyword(named), "no keyword left behind");
  return 0;
}
