// The list control's rows and its stored items image, in portable code that every thread may use
// at once. The image is kept exactly as last written; the rows are derived from it, and cells
// rewritten later live beside it, so the image never changes through a cell write.
//
// An image is a run of entries: kind (1 byte; 0 starts a row), four 32-bit little-endian numbers
// (image index, state image index, indent, row value), the text and its zero, a second text and
// its zero. An entry that the image cuts short is dropped, and so is everything after it.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "runtime/values.h"

namespace vx {

class RowStore {
 public:
  static constexpr int32_t kColumns = 4;

  RowStore();
  ~RowStore();
  RowStore(const RowStore&) = delete;
  RowStore& operator=(const RowStore&) = delete;

  // Keeps a copy of the `length` bytes and rebuilds every row from them in one pass. Meanwhile
  // other threads see no rows.
  void ReplaceImage(const unsigned char* bytes, int32_t length);
  // ReplaceImage without the copy: keeps the `length` bytes at `bytes` where they are and frees
  // `block` (from AllocateBlock, holding them; may be null) when the image is replaced in turn.
  void TakeImage(void* block, const unsigned char* bytes, int32_t length);
  // Where the row entries of an image start, as the image's writer knows them: `offsets` (from
  // AllocateBlock, `count` offsets in order; null when count is 0).
  struct RowIndex {
    uint32_t* offsets = nullptr;
    int32_t count = 0;
  };
  // TakeImage of an image made of whole entries whose row entries `index` lists, taking the
  // index over: the rows come from the index instead of a walk over the image.
  void TakeIndexedImage(void* block, const unsigned char* bytes, int32_t length, RowIndex index);
  // A fresh copy of the image as last written; null when it is empty.
  ByteData CopyImage() const;

  // The image as last written, shared instead of copied: its bytes stay valid while `holder`
  // lives, also when the image is replaced meanwhile.
  struct SharedImage {
    std::shared_ptr<const void> holder;
    const unsigned char* bytes = nullptr;
    size_t length = 0;
  };
  SharedImage ShareImage() const;

  int32_t RowCount() const { return visible_rows_.load(std::memory_order_acquire); }
  // Empties the rows; the image stays as it was (info tips still come from it).
  void DeleteAllRows();

  // Copies the cell's text, cut to `size` - 1 bytes and terminated, into `buffer` (nothing is
  // written when `size` is 0). Returns the text's full length, or -1 when the cell does not exist.
  int64_t CopyCell(int32_t row, int32_t column, char* buffer, size_t size) const;
  // A fresh text with the cell's content; null when the cell is empty or does not exist.
  Text CellText(int32_t row, int32_t column) const;
  // False, changing nothing, when the row or the column does not exist.
  bool SetCell(int32_t row, int32_t column, const char* text, size_t length);

  // The cells of one row from `column` on, at once: SetCells writes `count` texts under one lock
  // where memory allows (false when the row or a column does not exist; should the rows be
  // replaced meanwhile, the cells written before stay written). CopyCells copies `count` texts
  // back to back, without terminators, into `buffer` when all fit in `size` bytes, and their
  // lengths into `lengths`; it returns the sum of the lengths, or -1 when the row or a column
  // does not exist.
  struct TextRun {
    const char* text;
    size_t length;
  };
  bool SetCells(int32_t row, int32_t column, const TextRun* texts, int32_t count);
  int64_t CopyCells(int32_t row, int32_t column, int32_t count, char* buffer, size_t size,
                    size_t* lengths) const;

  // Hands `visit` the `count` cells from `column` on of each row from `first` on, in order, for
  // at most `rows` rows, all under one lock: the texts are valid only during the call, and
  // `visit` must not use the store. `visit` takes the row by returning true; the first row it
  // does not take ends the visit. Returns the number of rows taken (fewer at the end of the
  // rows; 0 for columns that do not exist).
  using RowVisitor = bool (*)(void* context, int32_t row, const TextRun* cells);
  int32_t VisitRows(int32_t first, int32_t rows, int32_t column, int32_t count, RowVisitor visit,
                    void* context) const;

  // The second text of row entry number `row` of the image, cut and terminated as CopyCell does.
  // False, leaving `tip` as it was, when the image has no such row entry.
  bool CopyInfoTip(int32_t row, char* tip, size_t size) const;

  // Bytes held for the image, the rows and the rewritten cells (for the benchmarks).
  size_t MemoryUsed() const;

  // The parts, defined where they are used (row_store.cpp).
  struct Image;
  struct ColumnCells;
  struct Spare;

 private:
  template <typename MakeImage>
  void ReplaceImageWith(MakeImage&& make_image);
  // The cell's text; a packed cell is spelled out into `spelled` (kLongestPacked bytes).
  TextRun CellBytes(int32_t row, int32_t column, char* spelled) const;
  void InstallSpare(Spare* spare);

  mutable std::mutex mutex_;
  std::shared_ptr<const Image> image_;
  std::array<std::unique_ptr<ColumnCells>, kColumns> columns_;
  std::atomic<int32_t> visible_rows_{0};
  uint64_t generation_ = 0;  // grows whenever the rows are replaced or deleted
};

}  // namespace vx
