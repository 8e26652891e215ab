// The splits written out as a plain walk through the bytes, the model that the tests and fuzz
// targets hold SplitText, RapidString::Split and the cutting of items images to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vx::testing {

enum class SplitUnits { kBytes, kGbkCharacters };

// The members of `input` cut at `separator` (not empty), at most `limit` of them (above 0, or -1
// for no limit); an empty last piece is no member. With kGbkCharacters a separator matches only
// where a character starts: a byte of 0x80 or above leads a two-byte character, and a lone one at
// the end stops the walk.
inline std::vector<std::string> WalkSplit(const std::string& input, const std::string& separator,
                                          int32_t limit, SplitUnits units) {
  std::vector<std::string> members;
  size_t piece = 0;
  size_t cursor = 0;
  while (input.size() - cursor >= separator.size()) {
    if (input.compare(cursor, separator.size(), separator) == 0) {
      members.push_back(input.substr(piece, cursor - piece));
      cursor += separator.size();
      piece = cursor;
      if (limit > 0 && --limit == 0) return members;
    } else if (units == SplitUnits::kGbkCharacters &&
               static_cast<unsigned char>(input[cursor]) >= 0x80) {
      if (cursor + 1 == input.size()) break;
      cursor += 2;
    } else {
      cursor += 1;
    }
  }
  if (piece < input.size()) members.push_back(input.substr(piece));
  return members;
}

// RapidString::Split's cut: WalkSplit at any byte, except that empty content is one empty piece.
inline std::vector<std::string> WalkBufferSplit(const std::string& content,
                                                const std::string& separator, int32_t limit) {
  if (content.empty()) return {std::string()};
  return WalkSplit(content, separator, limit, SplitUnits::kBytes);
}

}  // namespace vx::testing
