// What a Core Console printed (bytes from another process), read into its last lines and its
// history from the beginning.
#include <string>
#include <string_view>

#include "fuzz_text.h"
#include "core/core_output.h"

namespace {

using kavro::fuzz::Check;
using kavro::run::CoreOutput;

void CheckLines(const std::vector<std::wstring>& lines, size_t count) {
  Check(lines.size() <= count, "no more lines than asked for");
  for (const auto& line : lines) {
    Check(line.find_first_of(std::wstring(L"\r\n\0", 3)) == std::wstring::npos,
          "no line end or NUL inside a line");
    Check(line.find_first_not_of(L" \t") != std::wstring::npos, "no blank line");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CoreOutput whole(64, 40);
  whole.Append(bytes);
  std::vector<std::wstring> lines = whole.LastLines(5);
  CheckLines(lines, 5);
  CheckLines(whole.LastLines(1000), 1000);

  // In pieces of any size: the same lines while nothing had to be let go.
  CoreOutput pieces(64, 40);
  size_t step = size > 0 ? data[0] % 7 + 1 : 1;
  for (size_t at = 0; at < size; at += step) pieces.Append(bytes.substr(at, step));
  if (size <= 130) Check(pieces.LastLines(5) == lines, "pieces read as the whole");
  CheckLines(pieces.LastLines(5), 5);
  Check(pieces.History() == whole.History() && whole.History().size() <= 20, "history capped");

  return 0;
}
