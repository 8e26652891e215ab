#include "ui/row_store.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "runtime/hex_digits.h"
#include "runtime/messages.h"
#include "runtime/runtime.h"
#include "runtime/splitting.h"

namespace vx {

namespace {

constexpr size_t kEntryHeaderSize = 17;
constexpr size_t kSmallestEntry = kEntryHeaderSize + 2;  // header and two empty texts

// A rewritten cell sits in a slot: this header, then the text's bytes, padded to whole units.
// A slot is addressed by 32 bits: the chunk's number (from 1) above the unit offset in the chunk.
struct SlotHeader {
  uint32_t capacity;
  uint32_t length;
};
constexpr size_t kUnit = 8;
static_assert(sizeof(SlotHeader) == kUnit, "a slot header is one unit");
constexpr int kUnitOffsetBits = 20;
constexpr uint32_t kUnitOffsetMask = (uint32_t{1} << kUnitOffsetBits) - 1;
constexpr size_t kFirstChunkUnits = size_t{1} << 13;                 // 64 KiB
constexpr size_t kLargestChunkUnits = size_t{1} << kUnitOffsetBits;  // 8 MiB
// The last chunk number is left out, so that no slot address is kPackedCell.
constexpr size_t kMostChunks = (size_t{1} << (32 - kUnitOffsetBits)) - 2;
constexpr size_t kLongestCell = 0x7FFFFFF0;

// A row's cell given as lowercase hexadecimal digits (an MD5 in its 32-digit or 16-digit form)
// is kept packed, two digits a byte, in a column-wide array indexed by row: 16 bytes instead of
// a 40-byte slot for a 32-digit digest.
constexpr uint32_t kPackedCell = 0xFFFFFFFF;
constexpr size_t kLongestPacked = 32;

// The number of digits a packed cell of this text holds: its length when it is 16 or 32
// lowercase hexadecimal digits, else 0.
size_t PackableDigits(const char* text, size_t length) {
  return (length == 16 || length == 32) && AreHexDigits(text, length) ? length : 0;
}

size_t UnitsFor(size_t bytes) {
  return (bytes + kUnit - 1) / kUnit;
}

[[noreturn]] void ReportOutOfMemory(size_t size) {
  char message[96];
  std::snprintf(message, sizeof message, kAllocationFailedFormat, static_cast<long long>(size));
  ReportRuntimeError(0, message, 0, 0);
}

size_t CopyCut(const char* text, size_t length, char* buffer, size_t size) {
  if (size == 0) return 0;
  size_t copied = std::min(length, size - 1);
  std::memcpy(buffer, text, copied);
  buffer[copied] = '\0';
  return copied;
}

}  // namespace

// One written image, never changed once built: its bytes and where each row entry starts.
struct RowStore::Image {
  void* block = nullptr;  // the block that holds the bytes, freed with the image
  const unsigned char* bytes = nullptr;
  size_t length = 0;
  uint32_t* row_entries = nullptr;  // images are byte data, so offsets fit in 32 bits
  int32_t row_count = 0;
  size_t complete_end = 0;  // where the last complete entry ends

  Image() = default;
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;
  ~Image() {
    FreeBlock(block);
    FreeBlock(row_entries);
  }

  // The end of the text that starts at `position`, inside a complete entry.
  const unsigned char* TextEnd(size_t position) const {
    return FindZero(bytes + position, bytes + complete_end);
  }
  // The offset of the entry after the complete entry at `position`.
  size_t NextEntry(size_t position) const {
    const unsigned char* second = TextEnd(position + kEntryHeaderSize) + 1;
    return static_cast<size_t>(TextEnd(static_cast<size_t>(second - bytes)) + 1 - bytes);
  }
};

namespace {

// Takes `block`, which holds the `length` bytes of an image at `source`, and finds the image's
// row entries in one walk. Column entries are not indexed: a cell read walks from its row
// entry, at most three entries on.
std::shared_ptr<RowStore::Image> BuildImage(void* block, const unsigned char* source,
                                            int32_t length) {
  auto image = std::make_shared<RowStore::Image>();
  image->block = block;
  if (!source || length <= 0) return image;
  image->length = static_cast<size_t>(length);
  image->bytes = source;

  // Every entry takes at least kSmallestEntry bytes: room for the most rows there can be.
  size_t most_rows = image->length / kSmallestEntry;
  if (most_rows == 0) return image;
  auto* rows = static_cast<uint32_t*>(AllocateBlock(most_rows * sizeof(uint32_t)));
  const unsigned char* bytes = image->bytes;
  const unsigned char* end = bytes + image->length;
  size_t position = 0;
  size_t row_count = 0;
  while (image->length - position >= kSmallestEntry) {
    const unsigned char* text_end = FindZero(bytes + position + kEntryHeaderSize, end);
    if (!text_end) break;
    const unsigned char* second_end = FindZero(text_end + 1, end);
    if (!second_end) break;
    if (bytes[position] == 0) rows[row_count++] = static_cast<uint32_t>(position);
    position = static_cast<size_t>(second_end + 1 - bytes);
  }
  image->complete_end = position;
  image->row_count = static_cast<int32_t>(row_count);
  if (row_count == 0) {
    FreeBlock(rows);
  } else {
    image->row_entries =
        static_cast<uint32_t*>(ReallocateBlock(rows, row_count * sizeof(uint32_t)));
  }
  return image;
}

}  // namespace

// The cells of one column that were written after the image: a slot per rewritten cell, in
// chunks that only grow, or packed digits. A rewrite that fits the cell's slot stays in it, so
// passes that write texts of the same length again and again take no more memory; a cell that
// has a slot keeps it, so no row ever holds more than one slot and its packed digits.
struct RowStore::ColumnCells {
  struct Chunk {
    unsigned char* bytes;
    size_t units;
    size_t used;
  };
  // Per row, created on the first write: 0 for the image's text, kPackedCell for the packed
  // digits, else the address of the row's slot.
  uint32_t* slot_of_row = nullptr;
  std::vector<Chunk> chunks;
  unsigned char* packed = nullptr;  // per row, packed_digits / 2 bytes
  size_t packed_digits = 0;         // 16 or 32, fixed by the column's first packed cell

  ColumnCells() = default;
  ColumnCells(const ColumnCells&) = delete;
  ColumnCells& operator=(const ColumnCells&) = delete;
  ~ColumnCells() {
    FreeBlock(slot_of_row);
    FreeBlock(packed);
    for (Chunk& chunk : chunks) FreeBlock(chunk.bytes);
  }

  unsigned char* SlotAt(uint32_t slot) const {
    const Chunk& chunk = chunks[(slot >> kUnitOffsetBits) - 1];
    return chunk.bytes + (slot & kUnitOffsetMask) * kUnit;
  }

  // A fresh slot of `units` units in the newest chunk; 0 when the chunk lacks the room.
  uint32_t Place(size_t units) {
    if (chunks.empty()) return 0;
    Chunk& chunk = chunks.back();
    if (chunk.units - chunk.used < units) return 0;
    auto slot = static_cast<uint32_t>((chunks.size() << kUnitOffsetBits) | chunk.used);
    chunk.used += units;
    return slot;
  }

  // Chunks double up to 8 MiB; a slot larger than that gets a chunk of its own.
  size_t NextChunkUnits(size_t needed) const {
    size_t units =
        chunks.empty() ? kFirstChunkUnits : std::min(chunks.back().units * 2, kLargestChunkUnits);
    return std::max(units, needed);
  }

  size_t BytesHeld(int32_t rows) const {
    size_t bytes = slot_of_row ? static_cast<size_t>(rows) * sizeof(uint32_t) : 0;
    if (packed) bytes += static_cast<size_t>(rows) * (packed_digits / 2);
    for (const Chunk& chunk : chunks) bytes += chunk.units * kUnit;
    return bytes;
  }
};

// Memory that SetCells fetched without holding the lock, for a column's row index, packed
// digits or a chunk.
struct RowStore::Spare {
  enum class Use { kRowIndex, kPacked, kChunk };
  void* block = nullptr;
  size_t bytes = 0;
  int32_t column = 0;
  Use use = Use::kChunk;
  size_t packed_digits = 0;
  uint64_t generation = 0;
};

namespace {

using ColumnSet = std::array<std::unique_ptr<RowStore::ColumnCells>, RowStore::kColumns>;

ColumnSet EmptyColumns() {
  ColumnSet columns;
  for (auto& column : columns) column = std::make_unique<RowStore::ColumnCells>();
  return columns;
}

void WriteSlot(unsigned char* slot, uint32_t capacity, const char* text, size_t length) {
  SlotHeader header{capacity, static_cast<uint32_t>(length)};
  std::memcpy(slot, &header, sizeof header);
  if (length) std::memcpy(slot + sizeof header, text, length);
}

}  // namespace

RowStore::RowStore() : columns_(EmptyColumns()) {}
RowStore::~RowStore() = default;

// Neither the lock nor a fatal error may meet: memory is fetched and freed outside the lock, and
// the old rows are let go outside it too, so another thread never waits for a large free. They
// go before the new image is made, so that the two are never held at once.
template <typename MakeImage>
void RowStore::ReplaceImageWith(MakeImage&& make_image) {
  std::shared_ptr<const Image> old_image;
  ColumnSet old_columns;
  ColumnSet empty_columns = EmptyColumns();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    visible_rows_.store(0, std::memory_order_release);
    ++generation_;
    old_image = std::move(image_);
    old_columns = std::move(columns_);
    columns_ = std::move(empty_columns);
  }
  old_image.reset();
  old_columns = EmptyColumns();

  std::shared_ptr<const Image> fresh = make_image();
  {
    // Another writer may have installed rows in the meantime: start from empty columns again.
    std::lock_guard<std::mutex> lock(mutex_);
    ++generation_;
    old_image = std::move(image_);
    image_ = std::move(fresh);
    std::swap(old_columns, columns_);
    visible_rows_.store(image_->row_count, std::memory_order_release);
  }
}

void RowStore::ReplaceImage(const unsigned char* bytes, int32_t length) {
  ReplaceImageWith([&]() -> std::shared_ptr<const Image> {
    if (!bytes || length <= 0) return BuildImage(nullptr, nullptr, 0);
    auto* copy = static_cast<unsigned char*>(AllocateBlock(static_cast<size_t>(length)));
    std::memcpy(copy, bytes, static_cast<size_t>(length));
    return BuildImage(copy, copy, length);
  });
}

void RowStore::TakeImage(void* block, const unsigned char* bytes, int32_t length) {
  ReplaceImageWith([&] { return BuildImage(block, bytes, length); });
}

void RowStore::TakeIndexedImage(void* block, const unsigned char* bytes, int32_t length,
                                RowIndex index) {
  ReplaceImageWith([&] {
    auto image = std::make_shared<Image>();
    image->block = block;
    image->row_entries = index.offsets;
    if (bytes && length > 0) {
      image->bytes = bytes;
      image->length = image->complete_end = static_cast<size_t>(length);
      image->row_count = index.count;
    }
    return image;
  });
}

ByteData RowStore::CopyImage() const {
  std::shared_ptr<const Image> image;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    image = image_;
  }
  if (!image) return nullptr;
  return MakeByteData(image->bytes, static_cast<int64_t>(image->length));
}

RowStore::SharedImage RowStore::ShareImage() const {
  std::shared_ptr<const Image> image;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    image = image_;
  }
  SharedImage shared;
  if (image) {
    shared.bytes = image->bytes;
    shared.length = image->length;
  }
  shared.holder = std::move(image);
  return shared;
}

void RowStore::DeleteAllRows() {
  ColumnSet old_columns = EmptyColumns();
  std::lock_guard<std::mutex> lock(mutex_);
  visible_rows_.store(0, std::memory_order_release);
  ++generation_;
  std::swap(old_columns, columns_);
}

// Called with the lock held, for a row and column that exist.
RowStore::TextRun RowStore::CellBytes(int32_t row, int32_t column, char* spelled) const {
  const ColumnCells& cells = *columns_[column];
  if (cells.slot_of_row) {
    if (uint32_t slot = cells.slot_of_row[row]) {
      if (slot == kPackedCell) {
        SpellHexDigits(cells.packed + static_cast<size_t>(row) * (cells.packed_digits / 2),
                       cells.packed_digits / 2, spelled);
        return {spelled, cells.packed_digits};
      }
      const unsigned char* bytes = cells.SlotAt(slot);
      SlotHeader header;
      std::memcpy(&header, bytes, sizeof header);
      return {reinterpret_cast<const char*>(bytes + sizeof header), header.length};
    }
  }
  const Image& image = *image_;
  size_t position = image.row_entries[row];
  for (int32_t k = 0; k < column; ++k) {
    position = image.NextEntry(position);
    if (position >= image.complete_end || image.bytes[position] == 0) return {"", 0};
  }
  const unsigned char* text = image.bytes + position + kEntryHeaderSize;
  return {reinterpret_cast<const char*>(text),
          static_cast<size_t>(image.TextEnd(position + kEntryHeaderSize) - text)};
}

int64_t RowStore::CopyCell(int32_t row, int32_t column, char* buffer, size_t size) const {
  if (row < 0 || column < 0 || column >= kColumns) return -1;
  char spelled[kLongestPacked];
  std::lock_guard<std::mutex> lock(mutex_);
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

void RowStore::InstallSpare(Spare* spare) {
  if (!spare->block || spare->generation != generation_) return;
  ColumnCells& cells = *columns_[spare->column];
  switch (spare->use) {
    case Spare::Use::kRowIndex:
      if (cells.slot_of_row) return;
      cells.slot_of_row = static_cast<uint32_t*>(spare->block);
      break;
    case Spare::Use::kPacked:
      if (cells.packed) return;
      cells.packed = static_cast<unsigned char*>(spare->block);
      cells.packed_digits = spare->packed_digits;
      break;
    case Spare::Use::kChunk:
      if (cells.chunks.size() >= kMostChunks) return;
      cells.chunks.push_back({static_cast<unsigned char*>(spare->block), spare->bytes / kUnit, 0});
      break;
  }
  spare->block = nullptr;
}

bool RowStore::SetCell(int32_t row, int32_t column, const char* text, size_t length) {
  TextRun cell{text, length};
  return SetCells(row, column, &cell, 1);
}

// The cells are written one after another under the lock. A cell that needs memory gets it with
// the lock let go, and the writing goes on from that cell.
bool RowStore::SetCells(int32_t row, int32_t column, const TextRun* texts, int32_t count) {
  if (row < 0 || column < 0 || count < 1 || count > kColumns - column) return false;
  size_t digits[kColumns];
  for (int32_t i = 0; i < count; ++i) {
    if (texts[i].length > kLongestCell) return false;
    digits[i] = PackableDigits(texts[i].text, texts[i].length);
  }
  Spare spare;
  int32_t written = 0;
  for (;;) {
    bool gone = false;
    bool no_more_chunks = false;
    size_t wanted = 0;
    Spare::Use wanted_use = Spare::Use::kChunk;
    int32_t wanted_column = column;
    uint64_t generation;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      InstallSpare(&spare);
      generation = generation_;
      int32_t rows = visible_rows_.load(std::memory_order_relaxed);
      gone = row >= rows;
      while (!gone && written < count) {
        wanted_column = column + written;
        const char* text = texts[written].text;
        size_t length = texts[written].length;
        ColumnCells& cells = *columns_[wanted_column];
        if (!cells.slot_of_row) {
          wanted_use = Spare::Use::kRowIndex;
          wanted = static_cast<size_t>(rows) * sizeof(uint32_t);
          break;
        }
        uint32_t& slot = cells.slot_of_row[row];
        uint32_t old_capacity = 0;
        if (slot && slot != kPackedCell) {
          unsigned char* bytes = cells.SlotAt(slot);
          SlotHeader header;
          std::memcpy(&header, bytes, sizeof header);
          if (length <= header.capacity) {
            WriteSlot(bytes, header.capacity, text, length);
            ++written;
            continue;
          }
          old_capacity = header.capacity;
        } else if (digits[written] &&
                   (!cells.packed_digits || cells.packed_digits == digits[written])) {
          if (!cells.packed) {
            wanted_use = Spare::Use::kPacked;
            wanted = static_cast<size_t>(rows) * (digits[written] / 2);
            break;
          }
          ReadHexDigits(text, digits[written] / 2,
                        cells.packed + static_cast<size_t>(row) * (digits[written] / 2));
          slot = kPackedCell;
          ++written;
          continue;
        }
        // A cell that outgrows its slot moves to one of twice the size, so that a cell whose
        // text keeps growing leaves behind no more than its final slot's size.
        size_t capacity = std::max(UnitsFor(length), size_t{old_capacity} * 2 / kUnit) * kUnit;
        size_t units = 1 + capacity / kUnit;
        if (uint32_t fresh = cells.Place(units)) {
          WriteSlot(cells.SlotAt(fresh), static_cast<uint32_t>(capacity), text, length);
          slot = fresh;
          ++written;
          continue;
        }
        if (cells.chunks.size() >= kMostChunks) {
          no_more_chunks = true;
          wanted = units * kUnit;
        } else {
          wanted = cells.NextChunkUnits(units) * kUnit;
        }
        break;
      }
    }
    FreeBlock(spare.block);  // not taken: the rows were replaced meanwhile
    spare.block = nullptr;
    if (gone) return false;
    if (written == count) return true;
    if (no_more_chunks) ReportOutOfMemory(wanted);
    spare.block = AllocateBlock(wanted);
    if (wanted_use == Spare::Use::kRowIndex) std::memset(spare.block, 0, wanted);
    spare.bytes = wanted;
    spare.column = wanted_column;
    spare.use = wanted_use;
    spare.packed_digits = digits[wanted_column - column];
    spare.generation = generation;
  }
}

int64_t RowStore::CopyCells(int32_t row, int32_t column, int32_t count, char* buffer, size_t size,
                            size_t* lengths) const {
  if (row < 0 || column < 0 || count < 1 || count > kColumns - column) return -1;
  char spelled[kColumns][kLongestPacked];
  std::lock_guard<std::mutex> lock(mutex_);
  if (row >= visible_rows_.load(std::memory_order_relaxed)) return -1;
  TextRun cells[kColumns];
  size_t total = 0;
  for (int32_t i = 0; i < count; ++i) {
    cells[i] = CellBytes(row, column + i, spelled[i]);
    lengths[i] = cells[i].length;
    total += lengths[i];
  }
  if (total <= size) {
    for (int32_t i = 0; i < count; ++i) {
      if (lengths[i]) std::memcpy(buffer, cells[i].text, lengths[i]);
      buffer += lengths[i];
    }
  }
  return static_cast<int64_t>(total);
}

int32_t RowStore::VisitRows(int32_t first, int32_t rows, int32_t column, int32_t count,
                            RowVisitor visit, void* context) const {
  if (first < 0 || rows < 1 || column < 0 || count < 1 || count > kColumns - column) return 0;
  char spelled[kColumns][kLongestPacked];
  TextRun cells[kColumns];
  std::lock_guard<std::mutex> lock(mutex_);
  int32_t end = visible_rows_.load(std::memory_order_relaxed);
  if (first >= end) return 0;
  if (rows < end - first) end = first + rows;
  for (int32_t row = first; row < end; ++row) {
    for (int32_t i = 0; i < count; ++i) cells[i] = CellBytes(row, column + i, spelled[i]);
    if (!visit(context, row, cells)) return row - first;
  }
  return end - first;
}

bool RowStore::CopyInfoTip(int32_t row, char* tip, size_t size) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!image_ || row < 0 || row >= image_->row_count) return false;
  size_t text = image_->row_entries[row] + kEntryHeaderSize;
  const unsigned char* second = image_->TextEnd(text) + 1;
  const unsigned char* second_end = image_->TextEnd(static_cast<size_t>(second - image_->bytes));
  CopyCut(reinterpret_cast<const char*>(second), static_cast<size_t>(second_end - second), tip,
          size);
  return true;
}

size_t RowStore::MemoryUsed() const {
  std::lock_guard<std::mutex> lock(mutex_);
  size_t bytes = 0;
  int32_t rows = 0;
  if (image_) {
    bytes += image_->length + static_cast<size_t>(image_->row_count) * sizeof(uint32_t);
    rows = image_->row_count;
  }
  for (const auto& column : columns_) bytes += column->BytesHeld(rows);
  return bytes;
}

}  // namespace vx
