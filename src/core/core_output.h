#pragma once
// What a Core Console process printed: UTF-16LE bytes without a byte-order mark, kept only as far
// as its last lines are wanted (a console that prints without end must not fill the memory).
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kavro::run {

class CoreOutput {
 public:
  // Keeps at least the last `keepBytes` bytes (rounded up to whole UTF-16 code units).
  explicit CoreOutput(size_t keepBytes = 16 * 1024);

  // Bytes as read, in any pieces: a piece may end inside a code unit.
  void Append(std::string_view bytes);
  // The last `count` lines that hold more than blanks, oldest first. Lines end at CR, LF or
  // CR LF; NUL characters are dropped; a byte left over at the end is ignored. When earlier
  // output was dropped, the first kept line (perhaps only its end) is not offered.
  std::vector<std::wstring> LastLines(size_t count) const;

 private:
  std::wstring Text() const;

  size_t keep_;
  std::string bytes_;     // the kept tail; starts at an even offset of the whole output
  bool dropped_ = false;  // earlier bytes were let go
};

}  // namespace kavro::run
