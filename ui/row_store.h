// The list control's rows and its stored items image, in portable code that every thread may use
// at once. The image is kept as last written; the rows are derived from it, and cells rewritten
// later live beside it (ui/rewritten_cells.h), so the image never changes through a cell write.
//
// An image is kept in one of two forms. Rows as the pipeline writes them (numbered 1, 2, 3 ...,
// at most one text column) are kept compactly, a pointer per row to its text (ui/numbered_rows.h),
// and their image bytes are written out only when the image is read. An image of any other shape
// is kept byte for byte (ui/written_image.h).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "runtime/values.h"
#include "ui/numbered_rows.h"
#include "ui/rewritten_cells.h"
#include "ui/written_image.h"

namespace vx {

// A row's "文本" and digest cells, read for writing the rows out. A digest cell that holds what
// the MD5 pass wrote comes as the digest's bytes, for the reader to spell (SpellHexDigits: all 16
// for "32位MD5", the middle 8 for "16位MD5"), so that millions of rows are not spelled twice; any
// other cell comes as its text.
struct DigestRow {
  TextRun text;
  TextRun digest;        // unless digest_spelled
  TextRun short_digest;  // unless short_spelled
  bool digest_spelled = false;
  bool short_spelled = false;
  DigestBytes bytes = {};
};

class RowStore {
 public:
  static constexpr int32_t kColumns = kColumnCount;

  RowStore();
  ~RowStore();
  RowStore(const RowStore&) = delete;
  RowStore& operator=(const RowStore&) = delete;

  // --- Writing the image: each replaces the image and rebuilds every row from it in one pass;
  // meanwhile other threads see no rows.

  // Keeps a copy of the `length` bytes.
  void ReplaceImage(const unsigned char* bytes, int64_t length);
  // ReplaceImage without the copy: keeps the bytes where they are and frees `block` (from
  // AllocateBlock, holding them; may be null) when the image is no longer used.
  void TakeImage(void* block, const unsigned char* bytes, int64_t length);
  // TakeImage of an image made of whole entries whose row entries start at `row_offsets` (from
  // AllocateBlock, `row_count` of them; taken over), so that it need not be walked.
  void TakeIndexedImage(void* block, const unsigned char* bytes, int64_t length,
                        uint64_t* row_offsets, int32_t row_count);
  // Rows written as the pipeline writes them, taken as they are.
  void TakeNumberedRows(std::shared_ptr<const NumberedRows> rows);

  // --- Reading the image.

  // A fresh copy of the image as last written; null when it is empty.
  ByteData CopyImage() const;
  // The image as last written, shared instead of copied where it is kept as bytes: its bytes stay
  // valid while `holder` lives, also when the image is replaced meanwhile.
  struct SharedImage {
    std::shared_ptr<const void> holder;
    const unsigned char* bytes = nullptr;
    int64_t length = 0;
  };
  SharedImage ShareImage() const;
  // The image as last written when it holds numbered rows; null otherwise.
  std::shared_ptr<const NumberedRows> ShareNumberedRows() const;

  // --- Rows and cells.

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

  // Rows read and written a block at a time, for passes over millions of rows.
  static constexpr int32_t kMostRowsPerBlock = 4096;
  // The texts of `column` of up to `count` (at most kMostRowsPerBlock) rows from `first` on,
  // under one lock, into `texts`. They stay valid while `holder` lives and `spill` is left alone:
  // texts of the image are not copied, others are copied into `spill`. `rows_generation` tells
  // which rows they are, for SetDigests. Returns the rows read, fewer at the end of the rows.
  int32_t ReadColumn(int32_t first, int32_t count, int32_t column, TextRun* texts,
                     std::shared_ptr<const void>* holder, std::vector<char>* spill,
                     uint64_t* rows_generation) const;
  // Writes `digests[i]` as "32位MD5" and its middle as "16位MD5" of row first + i, for up to
  // `count` rows, under one lock, when they are still the rows that ReadColumn told
  // `rows_generation` of: digests of rows replaced since go nowhere. Returns the rows written,
  // fewer at the end of the rows, 0 when the rows were replaced.
  int32_t SetDigests(int32_t first, int32_t count, const DigestBytes* digests,
                     uint64_t rows_generation);

  // The "文本", "32位MD5" and "16位MD5" of up to `count` (at most kMostRowsPerBlock) rows from
  // `first` on, under one lock, for writing the rows out. They stay valid while `holder` lives
  // and `spill` is left alone, as ReadColumn's texts. Returns the rows read, fewer at the end.
  int32_t ReadDigestRows(int32_t first, int32_t count, DigestRow* rows,
                         std::shared_ptr<const void>* holder, std::vector<char>* spill) const;

  // Hands `visit` the `count` cells from `column` on of each row from `first` on, in order, for
  // at most `rows` rows, all under one lock: the texts are valid only during the call, and
  // `visit` must not use the store. `visit` takes the row by returning true; the first row it
  // does not take ends the visit. Returns the number of rows taken (fewer at the end of the
  // rows; 0 for columns that do not exist).
  using RowVisitor = bool (*)(void* context, int32_t row, const TextRun* cells);
  int32_t VisitRows(int32_t first, int32_t rows, int32_t column, int32_t count, RowVisitor visit,
                    void* context) const;

  // The first row from `start` on, wrapping past the last row to row 0, whose column 0 begins
  // with the `length` bytes at `prefix`; -1 when none does. Rows from `end` on are left out.
  int32_t FindRowStartingWith(int32_t start, const char* prefix, size_t length,
                              int32_t end = INT32_MAX) const;

  // The second text of row entry number `row` of the image, cut and terminated as CopyCell does.
  // False, leaving `tip` as it was, when the image has no such row entry.
  bool CopyInfoTip(int32_t row, char* tip, size_t size) const;

  // Bytes held for the image, the rows and the rewritten cells (for the benchmarks).
  size_t MemoryUsed() const;

 private:
  struct Image {
    std::shared_ptr<const NumberedRows> numbered;
    std::shared_ptr<const WrittenImage> written;
    int32_t RowCount() const;
  };
  template <typename MakeImage>
  void ReplaceImageWith(MakeImage&& make_image);
  class Held;
  template <typename Write>
  int32_t WriteCells(const char* text, size_t length, Write&& write);
  template <typename Read>
  int32_t ReadWithSpill(std::vector<char>* spill, size_t room, Read&& read) const;
  // The cell's text; spelled out into `spelled` (kSpelledCellSize bytes) where it is not held
  // as text. Called with the lock held, for a row and column that exist.
  TextRun CellBytes(int32_t row, int32_t column, char* spelled) const;
  // CellBytes of a cell that was not written after the image.
  TextRun ImageCell(int32_t row, int32_t column, char* spelled) const;
  // With the lock held: how many of the `count` rows from `first` on are shown (0 past the last),
  // with `holder` keeping the image that holds their texts.
  int32_t HoldShownRows(int32_t first, int32_t count, std::shared_ptr<const void>* holder) const;

  mutable std::mutex mutex_;
  Image image_;
  std::unique_ptr<RewrittenCells> cells_;
  std::atomic<int32_t> visible_rows_{0};
  uint64_t generation_ = 0;  // grows whenever the rows are replaced or deleted
};

}  // namespace vx
