#include "ui/row_store.h"

#include <algorithm>
#include <cstring>

#include "runtime/heap.h"

namespace vx {

// The store's lock, under which nothing is allocated: running out of memory would show the fatal
// report while the window waits for this lock to paint. The checking builds enforce it.
class RowStore::Held {
 public:
  explicit Held(std::mutex& mutex) : lock_(mutex) {}

 private:
  std::lock_guard<std::mutex> lock_;
  NoAllocationZone zone_;
};

namespace {

// A block from AllocateBlock, freed with its last holder.
std::shared_ptr<const void> HoldBlock(void* block) {
  if (!block) return nullptr;
  return std::shared_ptr<const void>(block,
                                     [](const void* held) { FreeBlock(const_cast<void*>(held)); });
}

size_t CopyCut(const char* text, size_t length, char* buffer, size_t size) {
  if (size == 0) return 0;
  size_t copied = std::min(length, size - 1);
  std::memcpy(buffer, text, copied);
  buffer[copied] = '\0';
  return copied;
}

// The "文本" cell of a numbered row: its text, or empty where the row has none.
TextRun NumberedText(const NumberedRows& rows, int32_t row) {
  const char* text = rows.text(row);
  return text ? TextRun{text, std::strlen(text)} : TextRun{"", 0};
}

}  // namespace

int32_t RowStore::Image::RowCount() const {
  if (numbered) return numbered->count();
  return written ? written->row_count() : 0;
}

RowStore::RowStore() : cells_(std::make_unique<RewrittenCells>(0)) {}
RowStore::~RowStore() = default;

// No allocation meets the lock, so that running out of memory never stops a thread that holds
// it (the fatal report waits for the UI thread, which may be waiting for the lock). The old rows
// are let go outside the lock too, so another thread never waits for a large free, and before
// the new image is made, so that the two are never held at once.
template <typename MakeImage>
void RowStore::ReplaceImageWith(MakeImage&& make_image) {
  Image old_image;
  std::unique_ptr<RewrittenCells> old_cells = std::make_unique<RewrittenCells>(0);
  {
    Held lock(mutex_);
    visible_rows_.store(0, std::memory_order_release);
    ++generation_;
    std::swap(old_image, image_);
    std::swap(old_cells, cells_);
  }
  old_image = Image();
  old_cells.reset();

  Image fresh = make_image();
  auto fresh_cells = std::make_unique<RewrittenCells>(fresh.RowCount());
  {
    // Another writer may have installed rows in the meantime: they make way.
    Held lock(mutex_);
    ++generation_;
    std::swap(old_image, image_);
    image_ = std::move(fresh);
    std::swap(old_cells, cells_);
    cells_ = std::move(fresh_cells);
    visible_rows_.store(image_.RowCount(), std::memory_order_release);
  }
}

namespace {

// Numbered rows where the image has their shape, else the image as written.
template <typename Image>
Image ImageOfBytes(std::shared_ptr<const void> holder, const unsigned char* bytes, int64_t length) {
  Image image;
  if (!bytes || length <= 0) return image;
  image.numbered = ReadNumberedRows(holder, bytes, length);
  if (!image.numbered) {
    image.written = std::make_shared<const WrittenImage>(std::move(holder), bytes, length);
  }
  return image;
}

}  // namespace

void RowStore::ReplaceImage(const unsigned char* bytes, int64_t length) {
  ReplaceImageWith([&] {
    if (!bytes || length <= 0) return Image();
    auto* copy = static_cast<unsigned char*>(AllocateBlock(static_cast<size_t>(length)));
    std::memcpy(copy, bytes, static_cast<size_t>(length));
    return ImageOfBytes<Image>(HoldBlock(copy), copy, length);
  });
}

void RowStore::TakeImage(void* block, const unsigned char* bytes, int64_t length) {
  ReplaceImageWith([&] { return ImageOfBytes<Image>(HoldBlock(block), bytes, length); });
}

void RowStore::TakeIndexedImage(void* block, const unsigned char* bytes, int64_t length,
                                uint64_t* row_offsets, int32_t row_count) {
  ReplaceImageWith([&] {
    Image image;
    if (bytes && length > 0) {
      image.written = std::make_shared<const WrittenImage>(HoldBlock(block), bytes, length,
                                                           row_offsets, row_count);
    } else {
      FreeBlock(block);
      FreeBlock(row_offsets);
    }
    return image;
  });
}

void RowStore::TakeNumberedRows(std::shared_ptr<const NumberedRows> rows) {
  ReplaceImageWith([&] {
    Image image;
    if (rows && rows->count() > 0) image.numbered = std::move(rows);
    return image;
  });
}

ByteData RowStore::CopyImage() const {
  Image image;
  {
    Held lock(mutex_);
    image = image_;
  }
  if (image.written) return MakeByteData(image.written->bytes(), image.written->length());
  if (!image.numbered) return nullptr;
  int64_t length = image.numbered->ImageLength();
  auto* data = static_cast<ByteData>(AllocateBlock(sizeof(ByteDataBlock) + length));
  data->marker = 1;
  data->length = length;
  image.numbered->WriteImage(ByteDataBytes(data));
  return data;
}

RowStore::SharedImage RowStore::ShareImage() const {
  Image image;
  {
    Held lock(mutex_);
    image = image_;
  }
  SharedImage shared;
  if (image.written) {
    shared.bytes = image.written->bytes();
    shared.length = image.written->length();
    shared.holder = std::move(image.written);
  } else if (image.numbered) {
    ByteData copy = CopyImage();
    shared.bytes = ByteDataBytes(copy);
    shared.length = ByteDataLength(copy);
    shared.holder = HoldBlock(copy);
  }
  return shared;
}

std::shared_ptr<const NumberedRows> RowStore::ShareNumberedRows() const {
  Held lock(mutex_);
  return image_.numbered;
}

void RowStore::DeleteAllRows() {
  std::unique_ptr<RewrittenCells> old_cells = std::make_unique<RewrittenCells>(0);
  Held lock(mutex_);
  visible_rows_.store(0, std::memory_order_release);
  ++generation_;
  std::swap(old_cells, cells_);
}

TextRun RowStore::CellBytes(int32_t row, int32_t column, char* spelled) const {
  TextRun cell;
  if (cells_->Find(row, column, spelled, &cell)) return cell;
  return ImageCell(row, column, spelled);
}

int32_t RowStore::HoldShownRows(int32_t first, int32_t count,
                                std::shared_ptr<const void>* holder) const {
  int32_t end = visible_rows_.load(std::memory_order_relaxed);
  if (first >= end) return 0;
  if (image_.numbered) {
    *holder = image_.numbered;
  } else {
    *holder = image_.written;
  }
  return std::min(count, end - first);
}

TextRun RowStore::ImageCell(int32_t row, int32_t column, char* spelled) const {
  if (const NumberedRows* numbered = image_.numbered.get()) {
    if (column == kNumberColumn) {
      return {spelled, static_cast<size_t>(SpellRowNumber(row + 1, spelled))};
    }
    return column == kTextColumn ? NumberedText(*numbered, row) : TextRun{"", 0};
  }
  return image_.written->Cell(row, column);
}

int64_t RowStore::CopyCell(int32_t row, int32_t column, char* buffer, size_t size) const {
  if (row < 0 || column < 0 || column >= kColumns) return -1;
  char spelled[kSpelledCellSize];
  Held lock(mutex_);
  if (row >= visible_rows_.load(std::memory_order_relaxed)) return -1;
  TextRun cell = CellBytes(row, column, spelled);
  CopyCut(cell.text, cell.length, buffer, size);
  return static_cast<int64_t>(cell.length);
}

// Short texts are copied out under the lock into a stack buffer; a longer one is read again into
// a block of its size, fetched without the lock held.
Text RowStore::CellText(int32_t row, int32_t column) const {
  char small[256];
  int64_t length = CopyCell(row, column, small, sizeof small);
  while (length >= static_cast<int64_t>(sizeof small)) {
    auto* text = static_cast<char*>(AllocateBlock(static_cast<size_t>(length) + 1));
    int64_t again = CopyCell(row, column, text, static_cast<size_t>(length) + 1);
    if (again <= length) {
      if (again > 0) return text;
      FreeBlock(text);
      return nullptr;
    }
    FreeBlock(text);  // the cell grew meanwhile
    length = again;
  }
  return length > 0 ? CopyTextBytes(small, length) : nullptr;
}

// `write` runs under the lock and returns -1 when it needs memory, which is then fetched without
// the lock and offered to it again.
template <typename Write>
int32_t RowStore::WriteCells(const char* text, size_t length, Write&& write) {
  RewrittenCells::Room room;
  int32_t written;
  for (;;) {
    RewrittenCells::Need need;
    {
      Held lock(mutex_);
      written = write(&room, &need);
    }
    if (written >= 0) break;
    RewrittenCells::FetchRoom(need, text, length, &room);
  }
  RewrittenCells::FreeRoom(&room);
  return written;
}

bool RowStore::SetCell(int32_t row, int32_t column, const char* text, size_t length) {
  if (row < 0 || column < 0 || column >= kColumns) return false;
  return WriteCells(text, length,
                    [&](RewrittenCells::Room* room, RewrittenCells::Need* need) -> int32_t {
                      if (row >= visible_rows_.load(std::memory_order_relaxed)) return 0;
                      return cells_->Set(row, column, text, length, room, need) ? 1 : -1;
                    }) == 1;
}

int32_t RowStore::SetDigests(int32_t first, int32_t count, const DigestBytes* digests,
                             uint64_t rows_generation) {
  if (first < 0 || count < 1) return 0;
  return WriteCells(nullptr, 0,
                    [&](RewrittenCells::Room* room, RewrittenCells::Need* need) -> int32_t {
                      int32_t rows = visible_rows_.load(std::memory_order_relaxed);
                      if (rows_generation != generation_ || first >= rows) return 0;
                      int32_t written = std::min(count, rows - first);
                      return cells_->SetDigests(first, written, digests, room, need) ? written : -1;
                    });
}

// `read` runs under the lock with a spill of `room` bytes reserved, and tells how many bytes of
// texts it had to copy there. When they did not fit, the spill is grown without the lock and the
// block is read again.
template <typename Read>
int32_t RowStore::ReadWithSpill(std::vector<char>* spill, size_t room, Read&& read) const {
  for (;;) {
    spill->clear();
    if (spill->capacity() < room) spill->reserve(room);
    size_t needed = 0;
    int32_t count;
    {
      Held lock(mutex_);
      count = read(&needed);
    }
    if (needed <= spill->capacity()) return count;
    room = needed;
  }
}

int32_t RowStore::ReadColumn(int32_t first, int32_t count, int32_t column, TextRun* texts,
                             std::shared_ptr<const void>* holder, std::vector<char>* spill,
                             uint64_t* rows_generation) const {
  if (first < 0 || count < 1 || column < 0 || column >= kColumns) return 0;
  count = std::min(count, kMostRowsPerBlock);
  size_t spilled_at[kMostRowsPerBlock];
  bool spilled[kMostRowsPerBlock];
  char spelled[kSpelledCellSize];
  size_t room = static_cast<size_t>(count) * kSpelledCellSize;
  return ReadWithSpill(spill, room, [&](size_t* spill_needed) -> int32_t {
    int32_t shown = HoldShownRows(first, count, holder);
    if (shown == 0) return 0;
    *rows_generation = generation_;
    // The texts of rows as the pipeline writes them, none written later: the MD5 pass reads
    // millions of them.
    if (image_.numbered && column == kTextColumn && !cells_->HoldsGivenTexts(kTextColumn)) {
      for (int32_t i = 0; i < shown; ++i) texts[i] = NumberedText(*image_.numbered, first + i);
      return shown;
    }
    // The image's texts stay where they are; what is spelled out or was written later is
    // copied, and the copies are pointed at once the spill is complete.
    bool image_texts = image_.written || column == kTextColumn;
    for (int32_t i = 0; i < shown; ++i) {
      TextRun cell;
      bool rewritten = cells_->Find(first + i, column, spelled, &cell);
      if (!rewritten) cell = ImageCell(first + i, column, spelled);
      spilled[i] = rewritten || !image_texts;
      if (!spilled[i]) {
        texts[i] = cell;
        continue;
      }
      spilled_at[i] = *spill_needed;
      *spill_needed += cell.length;
      if (*spill_needed <= spill->capacity()) {
        spill->insert(spill->end(), cell.text, cell.text + cell.length);
      }
      texts[i].length = cell.length;
    }
    if (*spill_needed > spill->capacity()) return 0;
    for (int32_t i = 0; i < shown; ++i) {
      if (spilled[i]) texts[i].text = spill->data() + spilled_at[i];
    }
    return shown;
  });
}

// As ReadColumn: texts written into cells are copied into the spill, and pointed at once it is
// complete; the image's texts stay where they are.
int32_t RowStore::ReadDigestRows(int32_t first, int32_t count, DigestRow* rows,
                                 std::shared_ptr<const void>* holder,
                                 std::vector<char>* spill) const {
  if (first < 0 || count < 1) return 0;
  count = std::min(count, kMostRowsPerBlock);
  constexpr int kCells = 3;  // "文本", "32位MD5", "16位MD5"
  bool spilled[kMostRowsPerBlock][kCells];
  char spelled[kSpelledCellSize];
  return ReadWithSpill(spill, kSpelledCellSize, [&](size_t* spill_needed) -> int32_t {
    int32_t shown = HoldShownRows(first, count, holder);
    if (shown == 0) return 0;
    // Rows as the pipeline writes them, with no texts of their own in the cells read, are read
    // in a loop of their own: the export reads millions of them.
    const NumberedRows* numbered = image_.numbered.get();
    if (numbered && !cells_->HoldsGivenTexts(kTextColumn) &&
        !cells_->HoldsGivenTexts(kDigestColumn) && !cells_->HoldsGivenTexts(kShortDigestColumn)) {
      for (int32_t i = 0; i < shown; ++i) {
        DigestRow& out = rows[i];
        out.text = NumberedText(*numbered, first + i);
        out.digest = out.short_digest = {"", 0};
        const unsigned char* digest =
            cells_->RowDigest(first + i, &out.digest_spelled, &out.short_spelled);
        if (digest) std::memcpy(out.bytes, digest, sizeof out.bytes);
      }
      return shown;
    }
    for (int32_t i = 0; i < shown; ++i) {
      DigestRow& out = rows[i];
      TextRun* cells[kCells] = {&out.text, &out.digest, &out.short_digest};
      bool* spelled_from_bytes[kCells] = {nullptr, &out.digest_spelled, &out.short_spelled};
      for (int c = 0; c < kCells; ++c) {
        int32_t column = kTextColumn + c;
        TextRun given;
        const unsigned char* digest;
        spilled[i][c] = false;
        if (c > 0) *spelled_from_bytes[c] = false;
        if (!cells_->FindUnspelled(first + i, column, &given, &digest)) {
          *cells[c] = ImageCell(first + i, column, spelled);
        } else if (digest) {
          std::memcpy(out.bytes, digest, sizeof out.bytes);
          *spelled_from_bytes[c] = true;
          *cells[c] = {"", 0};
        } else {
          spilled[i][c] = true;
          if (*spill_needed + given.length <= spill->capacity()) {
            spill->insert(spill->end(), given.text, given.text + given.length);
          }
          *spill_needed += given.length;
          cells[c]->length = given.length;
        }
      }
    }
    if (*spill_needed > spill->capacity()) return 0;
    size_t at = 0;
    for (int32_t i = 0; i < shown; ++i) {
      TextRun* cells[kCells] = {&rows[i].text, &rows[i].digest, &rows[i].short_digest};
      for (int c = 0; c < kCells; ++c) {
        if (!spilled[i][c]) continue;
        cells[c]->text = spill->data() + at;
        at += cells[c]->length;
      }
    }
    return shown;
  });
}

int32_t RowStore::VisitRows(int32_t first, int32_t rows, int32_t column, int32_t count,
                            RowVisitor visit, void* context) const {
  if (first < 0 || rows < 1 || column < 0 || count < 1 || count > kColumns - column) return 0;
  char spelled[kColumns][kSpelledCellSize];
  TextRun cells[kColumns];
  Held lock(mutex_);
  int32_t end = visible_rows_.load(std::memory_order_relaxed);
  if (first >= end) return 0;
  if (rows < end - first) end = first + rows;
  for (int32_t row = first; row < end; ++row) {
    for (int32_t i = 0; i < count; ++i) cells[i] = CellBytes(row, column + i, spelled[i]);
    if (!visit(context, row, cells)) return row - first;
  }
  return end - first;
}

int32_t RowStore::FindRowStartingWith(int32_t start, const char* prefix, size_t length,
                                      int32_t end) const {
  Held lock(mutex_);
  int32_t rows = std::min(visible_rows_.load(std::memory_order_relaxed), std::max(end, 0));
  if (rows == 0) return -1;
  if (start < 0 || start >= rows) start = 0;
  if (image_.numbered && !cells_->HoldsGivenTexts(kNumberColumn)) {
    return FindNumberStartingWith(rows, start, prefix, length);
  }
  char spelled[kSpelledCellSize];
  for (int32_t i = 0; i < rows; ++i) {
    int32_t row = start + i < rows ? start + i : start + i - rows;
    TextRun cell = CellBytes(row, kNumberColumn, spelled);
    if (cell.length >= length && std::memcmp(cell.text, prefix, length) == 0) return row;
  }
  return -1;
}

bool RowStore::CopyInfoTip(int32_t row, char* tip, size_t size) const {
  Held lock(mutex_);
  if (row < 0 || row >= image_.RowCount()) return false;
  // Numbered rows are written with empty second texts.
  TextRun text = image_.written ? image_.written->InfoTip(row) : TextRun{"", 0};
  CopyCut(text.text, text.length, tip, size);
  return true;
}

size_t RowStore::MemoryUsed() const {
  Held lock(mutex_);
  size_t bytes = cells_->MemoryUsed();
  if (image_.numbered) bytes += image_.numbered->MemoryUsed();
  if (image_.written) bytes += image_.written->MemoryUsed();
  return bytes;
}

}  // namespace vx
