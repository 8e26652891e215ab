// Import: the command "1导入文本", which fills the list with the lines of a text file, and the
// general line loader behind it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "runtime/rapid_string.h"
#include "runtime/values.h"
#include "ui/units.h"

namespace vx {

// Lines added between two rounds of pending window events.
inline constexpr int32_t kLinesPerChunk = 50000;

// The handler of "1导入文本": asks for a text file in 通用对话框1, replaces the list with its
// lines and reports the row count in the title, with the busy menu shown from the reading of the
// file to that title. Cancelling the dialog changes nothing.
void ImportCommand();

// Imports the file at `path` as ImportCommand does once it has been chosen in 通用对话框1, which
// then proposes it the next time it opens (a file dropped on the window).
void ImportDroppedFile(const char* path);

// Replaces the list with the lines of the file that the import dialog names and scrolls to the
// last row, processing pending window events between the pieces of the file it reads and the
// chunks of lines it numbers. False, after telling the user, when the file cannot be read or the
// memory to read it cannot be had (the list, its image and the title stay as they were), or the
// memory for its rows cannot be had (the list is left empty and the title "Vextorin").
bool ImportChosenFile();

enum class LoadResult { kLoaded, kUnreadable, kTooLarge };

// Adds one row per CR LF-terminated line of the file at `path`, or of `text` when the path is
// empty, to `list`: the row's number, then up to `column_count` (below 1 counts as 1) texts of
// the line cut at `separator` (omitted: "----"); a line's text ends at its first zero byte. With
// `append` the rows follow the list's present image and numbers, otherwise they replace them.
// Pending window events are processed after every kLinesPerChunk lines and after the last.
// kUnreadable when the file cannot be read, kTooLarge when the memory for the rows cannot be
// had; the list is unchanged then.
LoadResult LoadLinesIntoList(UnitRef list, const char* path, const char* text = "",
                             std::optional<const char*> separator = std::nullopt,
                             int32_t column_count = 1, bool append = true);

// LoadLinesIntoList for lines already loaded; `lines` is released before the rows are installed.
LoadResult AddLinesToList(UnitRef list, std::unique_ptr<RapidString> lines,
                          std::optional<const char*> separator, int32_t column_count, bool append);

// The column entries of one line's row: each of the line's first `column_count` texts cut at
// `separator`, as the items image holds it. A separator is found only where a character starts
// (a byte of 0x80 or above leads a two-byte character), an empty separator cuts nothing, and
// the rest after the last separator is a text only when it is not empty. Fresh byte data; null
// for an empty line.
ByteData MakeColumnEntries(const char* line, const char* separator, int32_t column_count);

}  // namespace vx
