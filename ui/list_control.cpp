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

bool SetCellTexts(UnitRef list, int32_t row, int32_t column,
                  std::initializer_list<const char*> texts) {
  RowStore& rows = LoadedListRows(list, UnitAccess::kWrite);
  RowStore::TextRun cells[RowStore::kColumns];
  if (texts.size() > RowStore::kColumns) return false;
  int32_t count = 0;
  for (const char* text : texts) {
    if (!text) text = "";
    cells[count++] = {text, std::strlen(text)};
  }
  if (!rows.SetCells(row, column, cells, count)) return false;
  BackendListRowsChanged(list);
  return true;
}

int64_t CopyCellTexts(UnitRef list, int32_t row, int32_t column, int32_t count, char* buffer,
                      int64_t size, int32_t* lengths) {
  RowStore& rows = LoadedListRows(list, UnitAccess::kRead);
  size_t cell_lengths[RowStore::kColumns];
  if (count < 1 || count > RowStore::kColumns) return -1;
  int64_t total = rows.CopyCells(row, column, count, buffer,
                                 size > 0 ? static_cast<size_t>(size) : 0, cell_lengths);
  if (total >= 0) {
    for (int32_t i = 0; i < count; ++i) lengths[i] = static_cast<int32_t>(cell_lengths[i]);
  }
  return total;
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
  return static_cast<int32_t>(length);
}

int32_t FindRowStartingWith(UnitRef list, int32_t start, const char* prefix, size_t length) {
  int32_t rows = GetRowCount(list);
  if (rows <= 0) return -1;
  if (start < 0 || start >= rows) start = 0;
  // Room for the prefix's length and the terminator: a longer cell comes cut, with its length.
  std::vector<char> cell(length + 1);
  auto size = static_cast<int32_t>(cell.size());
  for (int32_t step = 0; step < rows; ++step) {
    int32_t row = start + step < rows ? start + step : start + step - rows;
    int32_t cell_length = CopyCellText(list, row, 0, cell.data(), size);
    if (static_cast<size_t>(cell_length) >= length &&
        std::memcmp(cell.data(), prefix, length) == 0) {
      return row;
    }
  }
  return -1;
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

void HandOverIndexedListItems(UnitRef list, ByteData items, uint32_t* row_offsets,
                              int32_t row_count) {
  LoadedListRows(list, UnitAccess::kWrite)
      .TakeIndexedImage(items, ByteDataBytes(static_cast<const ByteDataBlock*>(items)),
                        ByteDataLength(items), {row_offsets, row_count});
  OnUiThread([&] { BackendListRowsReplaced(list); });
}

ListItemsView ShareListItems(UnitRef list) {
  RowStore::SharedImage image = LoadedListRows(list, UnitAccess::kRead).ShareImage();
  return {std::move(image.holder), image.bytes, static_cast<int32_t>(image.length)};
}

}  // namespace vx
