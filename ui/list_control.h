// The list control 超级列表框1: rows of four cell texts (GBK bytes, any length) and the stored
// items image, kept apart. Writing the items property (ui/units.h) keeps a copy of the image and
// rebuilds every row from it; the cell operations below change the rows, never the image.
//
// The rows live in a portable row store that every thread may use at once, without a round
// trip to the window; the window (Win32 list view in owner-data mode, or the headless twin)
// only shows them and repaints the rows the store reports as changed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "runtime/values.h"
#include "ui/list_columns.h"
#include "ui/row_store.h"
#include "ui/units.h"

namespace vx {

// A fresh text with the cell's content; null when the cell is empty or does not exist.
Text GetCellText(UnitRef list, int32_t row, int32_t column = 0);
// False, changing nothing, when the row or the column (0 to 3) does not exist.
bool SetCellText(UnitRef list, int32_t row, int32_t column = 0, const char* text = "");
int32_t GetRowCount(UnitRef list);
// Empties the rows; the stored image stays as it was.
void DeleteAllRows(UnitRef list);
// Scrolls until the whole row is in view; does nothing for a row that does not exist.
void EnsureRowVisible(UnitRef list, int32_t row);

// Cells a block of rows at a time, for the MD5 pass over millions of rows. ReadListColumn reads
// the texts of `column` of up to `count` rows from `first` on (RowStore::ReadColumn: valid while
// `holder` lives and `spill` is left alone) and tells which rows they are in `rows_generation`;
// SetListDigests writes each digest and its middle into the two digest cells of its row, unless
// the rows were replaced since (then it writes nothing). Both return the rows they reached,
// fewer at the end of the rows.
int32_t ReadListColumn(UnitRef list, int32_t first, int32_t count, int32_t column, TextRun* texts,
                       std::shared_ptr<const void>* holder, std::vector<char>* spill,
                       uint64_t* rows_generation);
int32_t SetListDigests(UnitRef list, int32_t first, int32_t count, const DigestBytes* digests,
                       uint64_t rows_generation);

// The "文本" and digest cells of up to `count` rows from `first` on, for writing them out
// (RowStore::ReadDigestRows). Returns the rows read, fewer at the end of the rows.
int32_t ReadListDigestRows(UnitRef list, int32_t first, int32_t count, DigestRow* rows,
                           std::shared_ptr<const void>* holder, std::vector<char>* spill);

// The first row from `start` on, wrapping past the last row to row 0, whose column-0 text
// ("序号") begins with the `length` bytes at `prefix`; -1 when no row does (or the list is empty).
// Only the rows before `end` are looked at.
int32_t FindRowStartingWith(UnitRef list, int32_t start, const char* prefix, size_t length,
                            int32_t end = INT32_MAX);

// The info tip of `row`: the second text of row entry number `row` of the stored image, cut to
// `size` - 1 bytes and terminated. False, leaving `tip` as it was, when the image has no such
// row entry.
bool CopyRowInfoTip(UnitRef list, int32_t row, char* tip, int32_t size);

// The fast ways to the items property for images of millions of rows. HandOverListItems writes
// it as WriteListItems does, but takes `items` (fresh byte data; null for empty) over instead of
// copying it. ShareListItems reads it without a copy: the image as last written, whose bytes stay
// valid while the view lives, also when the property is written meanwhile.
void HandOverListItems(UnitRef list, ByteData items);
// HandOverListItems of an image made of whole entries, with the offsets of its row entries
// (`row_offsets`, from AllocateBlock, `row_count` of them; taken over), so that the list takes
// its rows from them instead of walking the image.
void HandOverIndexedListItems(UnitRef list, ByteData items, uint64_t* row_offsets,
                              int32_t row_count);
struct ListItemsView {
  std::shared_ptr<const void> holder;
  const unsigned char* bytes = nullptr;
  int64_t length = 0;
};
ListItemsView ShareListItems(UnitRef list);

// The items property as rows numbered from 1 with at most one text each, the compact form of
// the images that import and duplicate removal write: written without an image of bytes, and
// read (null when the image has another shape) without one.
void HandOverNumberedRows(UnitRef list, std::shared_ptr<const NumberedRows> rows);
std::shared_ptr<const NumberedRows> ShareNumberedRows(UnitRef list);

// Reads `count` cells from `column` on of up to `rows` rows from `first` on, handing each row's
// texts to `visit` in row order, for passes that read millions of rows: the texts are valid only
// during the call, and `visit` must not use the list. `visit` returns false for a row it does not
// take, which ends the reading. Returns the number of rows taken.
using ListRowVisitor = RowStore::RowVisitor;
int32_t VisitListRows(UnitRef list, int32_t first, int32_t rows, int32_t column, int32_t count,
                      ListRowVisitor visit, void* context);

// The one selected row of the list's window, or -1 when no row is selected. On the UI thread.
int32_t GetSelectedRow(UnitRef list);

// For the view's painting: copies the cell's text, cut to `size` - 1 bytes and terminated, into
// `buffer` without allocating; returns the text's full length (0 for a cell that does not exist).
int32_t CopyCellText(UnitRef list, int32_t row, int32_t column, char* buffer, int32_t size);

}  // namespace vx
