// A drawing list file's text (after the code page conversion), with any mix of line ends: its
// lines, the file written from them, the entries the list box is given, put into list order.
#include <algorithm>
#include <string>
#include <vector>

#include "drawings/drawing_list.h"
#include "drawings/list_file.h"
#include "fuzz_text.h"

namespace {

using kavro::drawings::FoldedCaseOrder;
using kavro::fuzz::Check;

int Sign(int v) { return (v > 0) - (v < 0); }

void CheckLines(const std::wstring& text, const std::vector<std::wstring_view>& lines) {
  // Every unit of the text is in a line, or is a CR, or the LF of a CR LF; lines keep their order.
  size_t ends = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    ends += text[i] == L'\r' || (text[i] == L'\n' && i > 0 && text[i - 1] == L'\r');
  }
  size_t inLines = 0;
  const wchar_t* after = text.data();
  for (std::wstring_view line : lines) {
    Check(line.data() >= after && line.data() + line.size() <= text.data() + text.size(),
          "lines are in order, inside the text");
    Check(line.find(L'\r') == std::wstring_view::npos, "no CR inside a line");
    after = line.data() + line.size();
    inLines += line.size();
  }
  Check(inLines + ends == text.size(), "nothing but line ends is dropped");
}

// The entries as the list box takes them: each line up to its first NUL, ended by a NUL where it
// stands, so that it can be handed on as a C string.
void CheckEntries(const std::vector<std::wstring_view>& lines, const std::wstring& held,
                  const std::vector<std::wstring_view>& entries) {
  Check(entries.size() == lines.size(), "one entry for each line");
  for (size_t i = 0; i < entries.size(); ++i) {
    std::wstring_view entry = entries[i];
    Check(entry == lines[i].substr(0, lines[i].find(L'\0')), "an entry is its line up to a NUL");
    Check(entry.data() >= held.data() && entry.data() + entry.size() <= held.data() + held.size(),
          "entries stay inside the text");
    Check(entry.data()[entry.size()] == L'\0', "every entry ends in a NUL");
  }
}

// The entries sorted as the list box takes them: in order, stably, by comparisons and keys alike.
void CheckListOrder(std::vector<std::wstring_view> lines) {
  FoldedCaseOrder order;
  std::vector<std::wstring_view> sorted = lines;
  kavro::drawings::SortBatch(sorted, order);
  std::stable_sort(lines.begin(), lines.end(), [&](std::wstring_view a, std::wstring_view b) {
    return order.Compare(a, b) < 0;
  });
  Check(sorted.size() == lines.size(), "sorting keeps every line");
  for (size_t i = 0; i < sorted.size(); ++i) {
    Check(sorted[i].data() == lines[i].data(), "sorted stably, as by comparisons");
    if (i > 0) {
      std::string a = order.SortKey(sorted[i - 1]);
      std::string b = order.SortKey(sorted[i]);
      Check(Sign(a.compare(b)) == Sign(order.Compare(sorted[i - 1], sorted[i])),
            "sort keys order as comparisons do");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring text = kavro::fuzz::WideText(data, size);
  std::vector<std::wstring_view> lines = kavro::drawings::SplitListLines(text);
  CheckLines(text, lines);

  // What the writer makes of these entries reads back as the same entries.
  std::wstring written;
  size_t entryUnits = 0;
  for (std::wstring_view line : lines) {
    kavro::drawings::AppendListLine(written, line);
    entryUnits += line.size();
  }
  Check(written.size() == entryUnits + 2 * lines.size(), "each entry followed by CR LF alone");
  std::vector<std::wstring_view> reread = kavro::drawings::SplitListLines(written);
  Check(std::equal(lines.begin(), lines.end(), reread.begin(), reread.end()),
        "a written list reads back entry for entry");

  std::wstring held = text;
  std::vector<std::wstring_view> entries = kavro::drawings::EntriesOfListText(held);
  CheckEntries(lines, held, entries);
  CheckListOrder(entries);
  return 0;
}
