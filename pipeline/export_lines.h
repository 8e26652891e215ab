// The lines that the export writes and Ctrl+C copies, spelled in one place, with the one rule for
// rows whose digest cells are empty (rows the MD5 pass has not reached):
// - the text and both digests ("文本文件"): the empty fields stand between their separators;
// - one digest a line (32 or 16 digits): an empty line, so that line n is still row n;
// - SHA-256: never empty, as it is computed from the text while the export writes;
// - the copy of a row: its text alone unless both digests are there, since a row half written by
//   the pass is no line of the export.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ui/row_store.h"

namespace vx {

// The export's file types, in the order of the export dialog's filter.
enum class ExportType : int32_t {
  kTextAndDigests = 0,  // text "----" 32-digit MD5 "----" 16-digit MD5
  kMd5 = 1,             // the 32-digit MD5
  kShortMd5 = 2,        // the 16-digit MD5
  kSha256 = 3,          // the 64 lowercase hex digits of the SHA-256 of the text
};
inline constexpr int32_t kExportTypeCount = 4;

// A row's "文本", "32位MD5" and "16位MD5", as the list holds them: its digest cells as texts, or
// as the digest they spell (ui/row_store.h).
using RowCells = DigestRow;

// The length of `row`'s line of `type`, and the line spelled at `at`, which returns the end.
// `sha256` is the SHA-256 of the row's text, for kSha256 only.
size_t ExportLineLength(ExportType type, const RowCells& row);
char* SpellExportLine(ExportType type, const RowCells& row, const unsigned char* sha256, char* at);

// The lines of type `type` (not kSha256) of rows[0], rows[1] ... spelled one after another from
// `at` on, as long as each fits before `end`: returns the end of the last, and in `spelled` the
// number of rows spelled (0 when the first line does not fit).
char* SpellExportLines(ExportType type, const RowCells* rows, int32_t count, char* at,
                       const char* end, int32_t* spelled);

// The same for the copy of a row that Ctrl+C puts on the clipboard.
size_t CopiedLineLength(const RowCells& row);
char* SpellCopiedLine(const RowCells& row, char* at);

}  // namespace vx
