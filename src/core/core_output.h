#pragma once
// What a Core Console process printed: UTF-16LE bytes without a byte-order mark. Its beginning is
// kept up to a cap, as the drawing's command history, and its end as far as its last lines are
// wanted (a console that prints without end must not fill the memory).
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kavro::run {

class CoreOutput {
 public:
  // Keeps at least the last `keepBytes` bytes (rounded up to whole UTF-16 code units), and the
  // first `historyBytes`.
  explicit CoreOutput(size_t keepBytes = 16 * 1024, size_t historyBytes = 1024 * 1024);

  // Bytes as read, in any pieces: a piece may end inside a code unit.
  void Append(std::string_view bytes);
  // The last `count` lines that hold more than blanks, oldest first. Lines end at CR, LF or
  // CR LF; NUL characters are dropped; a byte left over at the end is ignored. When earlier
  // output was dropped, the first kept line (perhaps only its end) is not offered.
  std::vector<std::wstring> LastLines(size_t count) const;
  // The output from its beginning, up to the cap (NUL characters dropped).
  std::wstring History() const;

 private:
  size_t keep_;
  size_t historyCap_;
  std::string head_;      // the first bytes, up to the cap
  std::string bytes_;     // the kept tail; starts at an even offset of the whole output
  bool dropped_ = false;  // earlier bytes were let go
};

}  // namespace kavro::run
