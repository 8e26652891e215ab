// How a line of an imported file is cut into the texts of its row's columns, shared by the two
// ways import builds rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "runtime/splitting.h"

namespace vx {

// Calls `column(bytes, length)` for each of the first `count` (1 or more) texts of a line's
// text, cut where SplitText would cut it, without copying anything.
template <typename Column>
void ForEachColumn(const unsigned char* text, size_t length, Separator separator, int32_t count,
                   Column&& column) {
  ForEachPiece<MatchAt::kCharacterStart>(text, length, separator, count, column);
}

// A line's text is zero-terminated: it ends at the line's first zero byte.
inline size_t TextLengthOfLine(const unsigned char* line, size_t length) {
  if (length == 0) return 0;  // an empty file's one line has no bytes at all
  auto* zero = static_cast<const unsigned char*>(std::memchr(line, 0, length));
  return zero ? static_cast<size_t>(zero - line) : length;
}

// Calls `line(bytes, length)` for each line of `content`, as RapidString::Split cuts it at CR LF:
// a final CR LF adds no line, and empty content is one empty line.
template <typename Line>
void ForEachLine(const unsigned char* content, size_t length, Line&& line) {
  static constexpr unsigned char kLineEnd[] = {'\r', '\n'};
  if (length == 0) {
    line(content, 0);
    return;
  }
  ForEachPiece<MatchAt::kAnyByte>(content, length, {kLineEnd, sizeof kLineEnd}, 0, line);
}

}  // namespace vx
