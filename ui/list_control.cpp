#include "ui/list_control.h"

#include <cstring>
#include <vector>

#include "ui/on_ui_thread.h"
#include "ui/units_internal.h"
#include "ui/window_backend.h"

namespace vx {

// Cell operations go straight to the row store, on the calling thread; only what changes the
// window (a new row count, scrolling) is carried out by the UI thread.

Text GetCellText(UnitRef list, int32_t row, int32_t column) {
  return LoadedListRows(list, UnitAccess::kRead).CellText(row, column);
}

bool SetCellText(UnitRef list, int32_t row, int32_t column, const char* text) {
  RowStore& rows = LoadedListRows(list, UnitAccess::kWrite);
  if (!text) text = "";
  if (!rows.SetCell(row, column, text, std::strlen(text))) return false;
  BackendListRowsChanged(list);
  return true;
}

int32_t ReadListColumn(UnitRef list, int32_t first, int32_t count, int32_t column, TextRun* texts,
                       std::shared_ptr<const void>* holder, std::vector<char>* spill,
                       uint64_t* rows_generation) {
  return LoadedListRows(list, UnitAccess::kRead)
      .ReadColumn(first, count, column, texts, holder, spill, rows_generation);
}

int32_t ReadListDigestRows(UnitRef list, int32_t first, int32_t count, DigestRow* rows,
                           std::shared_ptr<const void>* holder, std::vector<char>* spill) {
  return LoadedListRows(list, UnitAccess::kRead).ReadDigestRows(first, count, rows, holder, spill);
}

int32_t SetListDigests(UnitRef list, int32_t first, int32_t count, const DigestBytes* digests,
                       uint64_t rows_generation) {
  int32_t written =
      LoadedListRows(list, UnitAccess::kWrite).SetDigests(first, count, digests, rows_generation);
  if (written > 0) BackendListRowsChanged(list);
  return written;
}

int32_t FindRowStartingWith(UnitRef list, int32_t start, const char* prefix, size_t length,
                            int32_t end) {
  return LoadedListRows(list, UnitAccess::kRead).FindRowStartingWith(start, prefix, length, end);
}

int32_t GetRowCount(UnitRef list) {
  return LoadedListRows(list, UnitAccess::kRead).RowCount();
}

void DeleteAllRows(UnitRef list) {
  LoadedListRows(list, UnitAccess::kWrite).DeleteAllRows();
  OnUiThread([&] { BackendListRowsReplaced(list); });
}

void EnsureRowVisible(UnitRef list, int32_t row) {
  RowStore& rows = LoadedListRows(list, UnitAccess::kWrite);
  if (row < 0 || row >= rows.RowCount()) return;
  OnUiThread([&] { BackendEnsureRowVisible(list, row); });
}

int32_t VisitListRows(UnitRef list, int32_t first, int32_t rows, int32_t column, int32_t count,
                      ListRowVisitor visit, void* context) {
  return LoadedListRows(list, UnitAccess::kRead)
      .VisitRows(first, rows, column, count, visit, context);
}

bool CopyRowInfoTip(UnitRef list, int32_t row, char* tip, int32_t size) {
  RowStore& rows = LoadedListRows(list, UnitAccess::kRead);
  return rows.CopyInfoTip(row, tip, size > 0 ? static_cast<size_t>(size) : 0);
}

int32_t CopyCellText(UnitRef list, int32_t row, int32_t column, char* buffer, int32_t size) {
  RowStore& rows = LoadedListRows(list, UnitAccess::kRead);
  size_t room = size > 0 ? static_cast<size_t>(size) : 0;
  int64_t length = rows.CopyCell(row, column, buffer, room);
  if (length < 0) {
    if (room) buffer[0] = '\0';
    return 0;
  }
  return length < INT32_MAX ? static_cast<int32_t>(length) : INT32_MAX;
}

int32_t GetSelectedRow(UnitRef list) {
  LoadedListRows(list, UnitAccess::kRead);
  int32_t row = -1;
  OnUiThread([&] { row = BackendSelectedRow(list); });
  return row;
}

// --- The items property -----------------------------------------------------------------------

ByteData ReadListItems(UnitRef list) {
  return LoadedListRows(list, UnitAccess::kRead).CopyImage();
}

void WriteListItems(UnitRef list, const ByteDataBlock* items) {
  LoadedListRows(list, UnitAccess::kWrite)
      .ReplaceImage(ByteDataBytes(items), ByteDataLength(items));
  OnUiThread([&] { BackendListRowsReplaced(list); });
}

void HandOverListItems(UnitRef list, ByteData items) {
  LoadedListRows(list, UnitAccess::kWrite)
      .TakeImage(items, ByteDataBytes(static_cast<const ByteDataBlock*>(items)),
                 ByteDataLength(items));
  OnUiThread([&] { BackendListRowsReplaced(list); });
}

void HandOverIndexedListItems(UnitRef list, ByteData items, uint64_t* row_offsets,
                              int32_t row_count) {
  LoadedListRows(list, UnitAccess::kWrite)
      .TakeIndexedImage(items, ByteDataBytes(static_cast<const ByteDataBlock*>(items)),
                        ByteDataLength(items), row_offsets, row_count);
  OnUiThread([&] { BackendListRowsReplaced(list); });
}

ListItemsView ShareListItems(UnitRef list) {
  RowStore::SharedImage image = LoadedListRows(list, UnitAccess::kRead).ShareImage();
  return {std::move(image.holder), image.bytes, image.length};
}

void HandOverNumberedRows(UnitRef list, std::shared_ptr<const NumberedRows> rows) {
  LoadedListRows(list, UnitAccess::kWrite).TakeNumberedRows(std::move(rows));
  OnUiThread([&] { BackendListRowsReplaced(list); });
}

std::shared_ptr<const NumberedRows> ShareNumberedRows(UnitRef list) {
  return LoadedListRows(list, UnitAccess::kRead).ShareNumberedRows();
}

}  // namespace vx
