// Commands that take texts and byte data apart. Arguments are borrowed; every result is fresh
// and owned by the caller.
#pragma once

#include <cstdint>
#include <optional>

#include "runtime/values.h"

namespace vx {

// The pieces of `text` between occurrences of `separator` (omitted: ","), as an array of texts:
// an empty piece is an empty member, an empty rest after the last separator gives no member.
// The separator is only matched where a character starts: a byte of 0x80 or above leads a
// two-byte character. With a `limit` (below 0 counts as 0) at most that many members are made
// and the rest of the text is dropped. An empty text or a limit of 0 gives 0 members; an empty
// separator gives the whole text as the one member.
ValueArray SplitText(const char* text, std::optional<const char*> separator = std::nullopt,
                     std::optional<int32_t> limit = std::nullopt);

// SplitText for byte data, without the two-byte rule; the separator defaults to one zero byte.
ValueArray SplitByteData(const ByteDataBlock* data,
                         std::optional<const ByteDataBlock*> separator = std::nullopt,
                         std::optional<int32_t> limit = std::nullopt);

// At most `length` bytes of `text` from byte `start` (counted from 1); empty when start is
// outside the text or length is below 1. Positions are bytes: a cut may split a character.
Text TextMiddle(const char* text, int32_t start, int32_t length);

}  // namespace vx
