// The items image's entry format, read and written here only. An image is a run of entries: kind
// (1 byte; 0 starts a row, anything else is the row's next column), four 32-bit little-endian
// numbers (image index, state image index, indent, row value), the text and its zero, a second
// text and its zero; nothing before, between or after them.
//
// The entries this program writes have a fixed header (image and state image -1, indent and row
// value 0) and an empty second text, and their texts hold no zero byte. So a row entry's header
// and the 19 bytes that join a text to the next column entry (the column joint: the text's zero,
// the empty second text's zero and the column entry's header) occur in such an image only where
// entries start, and cutting the image at them, as duplicate removal does, gives its rows and
// their texts (see ImageRows below).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "runtime/splitting.h"
#include "ui/written_image.h"

namespace vx {

inline constexpr size_t kEntryHeaderSize = 17;  // kind, then four 32-bit numbers
inline constexpr unsigned char kRowHeader[kEntryHeaderSize] = {
    0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0};
inline constexpr unsigned char kColumnJoint[19] = {
    0, 0, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0};

// --- Reading ------------------------------------------------------------------------------------

// One entry, read where it lies in its image.
struct ImageEntry {
  bool starts_row;  // kind 0
  bool written;     // the header and empty second text that this program writes
  TextRun text;
  TextRun second;
  uint64_t end;  // where the next entry starts
};

// The entry that starts at `position` of the `length` bytes at `bytes`; false when no whole entry
// starts there (too few bytes left, or a text without its zero), so nothing past the image is read.
inline bool ReadImageEntry(const unsigned char* bytes, uint64_t length, uint64_t position,
                           ImageEntry* entry) {
  if (position > length || length - position < kEntryHeaderSize + 2) return false;
  const unsigned char* end = bytes + length;
  const unsigned char* text = bytes + position + kEntryHeaderSize;
  const unsigned char* text_end = FindZero(text, end);
  if (!text_end) return false;
  const unsigned char* second = text_end + 1;
  const unsigned char* second_end = FindZero(second, end);
  if (!second_end) return false;
  const unsigned char* header = bytes + position;
  entry->starts_row = header[0] == 0;
  entry->written = header[0] <= 1 &&
                   std::memcmp(header + 1, kRowHeader + 1, kEntryHeaderSize - 1) == 0 &&
                   second_end == second;
  entry->text = {reinterpret_cast<const char*>(text), static_cast<size_t>(text_end - text)};
  entry->second = {reinterpret_cast<const char*>(second), static_cast<size_t>(second_end - second)};
  entry->end = static_cast<uint64_t>(second_end + 1 - bytes);
  return true;
}

// --- Writing ------------------------------------------------------------------------------------

// The entries that this program writes, put at `at`, or only counted when `at` is null: the same
// calls made once without room give the length, and again with room the bytes.
class EntryWriter {
 public:
  explicit EntryWriter(unsigned char* at = nullptr) : at_(at) {}

  // A row entry with its number as text.
  void RowEntry(const char* number, size_t length) {
    RowStart(number, length);
    EntryEnd();
  }
  // A column entry with `length` bytes of text.
  void ColumnEntry(const void* text, size_t length) {
    Put(kColumnJoint + 2, kEntryHeaderSize);
    Put(text, length);
    EntryEnd();
  }
  // A row entry's header and then `count` bytes of the row's own, without the zeros that end the
  // entry: a row that duplicate removal keeps, its number and what follows it (its column joints
  // and texts) taken from the image it was cut from.
  void RowStart(const void* bytes, size_t count) {
    Put(kRowHeader, kEntryHeaderSize);
    Put(bytes, count);
  }
  // Bytes of entries made before, taken as they are.
  void Bytes(const void* bytes, size_t count) { Put(bytes, count); }

  uint64_t length() const { return length_; }

 private:
  void EntryEnd() { Put(kColumnJoint, 2); }  // the text's zero and the empty second text
  void Put(const void* bytes, size_t count) {
    if (at_ && count) {
      std::memcpy(at_, bytes, count);
      at_ += count;
    }
    length_ += count;
  }

  unsigned char* at_;
  uint64_t length_ = 0;
};

// --- An image cut into rows --------------------------------------------------------------------

// A row of an image cut at its row headers, cut again at its column joints into parts: part 0 is
// the row's number, part 1 its first text and so on; the last part keeps the two zero bytes that
// end the row's last entry. Offsets count from the image's first byte.
struct ImageRow {
  size_t start;       // the row number's first byte
  size_t end;         // the next row header, or the image's end
  size_t tail_start;  // the first column joint: what a renumbered row keeps after its number
  size_t tail_end;    // the end of the last part (a joint that ends the piece starts none)
  int64_t part_count;
  size_t key_start;  // part `key_column`, when there is one
  size_t key_length;
};

struct ImageBytes {
  const unsigned char* bytes;
  size_t length;
};

// Walks the rows of an image made of the entries this program writes, entry by entry, as cutting
// it would give them. Stops when `row` returns false. False as soon as the image holds anything
// else (`row` may have been called for the rows before) or `row` returned false.
template <typename RowHandler>
bool WalkWrittenRows(ImageBytes image, int32_t key_column, RowHandler&& row) {
  const uint64_t length = image.length;
  uint64_t position = 0;
  ImageEntry entry;
  while (position < length) {
    if (!ReadImageEntry(image.bytes, length, position, &entry) || !entry.starts_row ||
        !entry.written) {
      return false;
    }
    ImageRow current{};
    current.start = position + kEntryHeaderSize;
    current.part_count = 1;
    size_t number_end = current.start + entry.text.length;
    size_t key_text_end = number_end;
    if (key_column == 0) current.key_start = current.start;
    uint64_t next = entry.end;
    while (next < length && image.bytes[next] != 0) {
      if (!ReadImageEntry(image.bytes, length, next, &entry) || !entry.written) return false;
      size_t text_start = next + kEntryHeaderSize;
      if (current.part_count == key_column) {
        current.key_start = text_start;
        key_text_end = text_start + entry.text.length;
      }
      ++current.part_count;
      next = entry.end;
    }
    // Parts end where the next joint begins, and the joint begins with the two zero bytes that
    // close an entry; only the last part keeps them.
    if (key_column < current.part_count) {
      size_t key_end = key_text_end + (key_column == current.part_count - 1 ? 2 : 0);
      current.key_length = key_end - current.key_start;
    }
    current.end = current.tail_end = next;
    current.tail_start = current.part_count > 1 ? number_end : next;
    if (!row(current)) return false;
    position = next;
  }
  return true;
}

// Walks the rows of any image by searching for the row header and, inside each row, for the
// column joint: the rows and parts that cutting the image at them gives, whatever it holds. What
// lies before the first row header is no row. Stops when `row` returns false.
template <typename RowHandler>
void WalkAnyRows(ImageBytes image, int32_t key_column, RowHandler&& row) {
  const unsigned char* bytes = image.bytes;
  const unsigned char* end = bytes + image.length;
  const unsigned char* header = FindBytes(bytes, end, kRowHeader, sizeof kRowHeader);
  while (header) {
    const unsigned char* piece = header + sizeof kRowHeader;
    const unsigned char* next = FindBytes(piece, end, kRowHeader, sizeof kRowHeader);
    const unsigned char* piece_end = next ? next : end;
    header = next;
    if (piece == piece_end) continue;  // an empty piece has no parts at all

    ImageRow current{};
    current.start = static_cast<size_t>(piece - bytes);
    current.end = static_cast<size_t>(piece_end - bytes);
    current.tail_start = current.tail_end = current.end;
    const unsigned char* part = piece;
    for (;;) {
      const unsigned char* joint = FindBytes(part, piece_end, kColumnJoint, sizeof kColumnJoint);
      const unsigned char* part_end = joint ? joint : piece_end;
      if (joint || part < piece_end) {  // a joint that ends the piece leaves no empty part
        if (current.part_count == key_column) {
          current.key_start = static_cast<size_t>(part - bytes);
          current.key_length = static_cast<size_t>(part_end - part);
        }
        ++current.part_count;
        current.tail_end = static_cast<size_t>(part_end - bytes);
      }
      if (!joint) break;
      if (current.part_count == 1) current.tail_start = static_cast<size_t>(joint - bytes);
      part = joint + sizeof kColumnJoint;
    }
    if (current.part_count == 1) current.tail_start = current.tail_end = current.end;
    if (!row(current)) return;
  }
}

}  // namespace vx
