// How a line of an imported file is cut into the texts of its row's columns, shared by the two
// ways import builds rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "runtime/splitting.h"

namespace vx {

struct Separator {
  const unsigned char* bytes;
  size_t length;
};

// Calls `column(bytes, length)` for each of the first `count` (1 or more) texts of a line's
// text, cut where SplitText would cut it, without copying anything: a separator is found only
// where a character starts, an empty separator cuts nothing, and the rest after the last
// separator is a text only when it is not empty.
template <typename Column>
void ForEachColumn(const unsigned char* text, size_t length, Separator separator, int32_t count,
                   Column&& column) {
  if (length == 0) return;
  if (separator.length == 0) {
    column(text, length);
    return;
  }
  const unsigned char* end = text + length;
  const unsigned char* piece = text;
  const unsigned char* character_start = text;
  const unsigned char* search_from = text;
  while (const unsigned char* match =
             FindBytes(search_from, end, separator.bytes, separator.length)) {
    if (!StartsCharacter(character_start, match)) {
      character_start = search_from = match + 1;  // the next byte starts a character
      continue;
    }
    column(piece, static_cast<size_t>(match - piece));
    piece = character_start = search_from = match + separator.length;
    if (--count == 0) return;
  }
  if (piece < end) column(piece, static_cast<size_t>(end - piece));
}

// A line's text is zero-terminated: it ends at the line's first zero byte.
inline size_t TextLengthOfLine(const unsigned char* line, size_t length) {
  if (length == 0) return 0;  // an empty file's one line has no bytes at all
  auto* zero = static_cast<const unsigned char*>(std::memchr(line, 0, length));
  return zero ? static_cast<size_t>(zero - line) : length;
}

// Calls `line(bytes, length)` for each line of `content`, as splitting it at CR LF gives them:
// a final CR LF adds no line, and empty content is one empty line.
template <typename Line>
void ForEachLine(const unsigned char* content, size_t length, Line&& line) {
  static constexpr unsigned char kLineEnd[] = {'\r', '\n'};
  const unsigned char* position = content;
  const unsigned char* end = content + length;
  for (;;) {
    const unsigned char* line_end = FindBytes(position, end, kLineEnd, sizeof kLineEnd);
    if (!line_end) {
      line(position, static_cast<size_t>(end - position));
      return;
    }
    line(position, static_cast<size_t>(line_end - position));
    position = line_end + sizeof kLineEnd;
    if (position >= end) return;
  }
}

}  // namespace vx
