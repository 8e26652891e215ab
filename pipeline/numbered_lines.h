// The rows that import makes of a file's lines when each row takes one text: the file's own
// bytes hold the texts, each ended in place by a zero byte, and a row is a pointer to its text.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "pipeline/line_columns.h"
#include "runtime/rapid_string.h"
#include "ui/numbered_rows.h"

namespace vx {

// The rows of the lines of `lines` (taken over): row i is line i, its text cut at the first
// `separator` or zero byte, or no text column for an empty line or one that begins with a zero
// byte. Calls `between_chunks(bytes done, all bytes)` after every `chunk_lines` lines and after
// the last, with the bytes of the lines made so far. Null, with the lines gone, when the memory
// for the rows cannot be had.
std::shared_ptr<const NumberedRows> NumberLines(
    std::unique_ptr<RapidString> lines, Separator separator, int32_t chunk_lines,
    const std::function<void(int64_t bytes_done, int64_t bytes)>& between_chunks);

}  // namespace vx
