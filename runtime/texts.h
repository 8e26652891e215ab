// Taking a text apart. Arguments are borrowed; the result is fresh and owned by the caller.
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

}  // namespace vx
