// The rows of an items image of any shape as duplicate removal sees them: the pieces between row
// headers, each cut into parts at the column joints, found by walking the image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "runtime/splitting.h"
#include "ui/image_entries.h"

namespace vx {

// A row of the image: the piece between its row header and the next one, cut into parts at
// the column joints. Offsets count from the image's first byte.
struct Row {
  size_t start;       // the row number's first byte
  size_t end;         // the next row header, or the image's end
  size_t tail_start;  // the first column joint: what a renumbered row keeps after its number
  size_t tail_end;    // the end of the last part (a joint that ends the piece starts none)
  int64_t part_count;
  size_t key_start;  // part key_column, when there is one
  size_t key_length;
};

struct ImageBytes {
  const unsigned char* bytes;
  size_t length;
};

// Whether the 17 bytes at `at` are kRowHeader (kind 0) or kColumnHeader (kind 1): the kind, the
// image and state image indexes -1, the indent and row value 0.
inline bool IsWrittenHeader(const unsigned char* at, unsigned char kind) {
  uint64_t indexes, numbers;
  std::memcpy(&indexes, at + 1, sizeof indexes);
  std::memcpy(&numbers, at + 9, sizeof numbers);
  return at[0] == kind && indexes == ~uint64_t{0} && numbers == 0;
}

// Walks the rows of an image made of the entries this program writes (fixed headers, empty
// second texts, no zero bytes in texts), reading the entries instead of searching for the row
// header and the column joint. In such an image those two byte runs occur exactly where
// entries begin, so the rows and parts are those that searching finds. Stops when `row` returns
// false. False as soon as the image holds anything else (`row` may have been called for the
// rows before) or `row` returned false.
template <typename RowHandler>
bool WalkWrittenRows(ImageBytes image, int32_t key_column, RowHandler&& row) {
  const unsigned char* bytes = image.bytes;
  const size_t length = image.length;
  // The end of the entry with `header` at `position`, or 0 when it has another header, is cut
  // short or has a second text; `text_end` receives where its text ends.
  auto entry_end = [&](size_t position, unsigned char kind, size_t* text_end) -> size_t {
    if (length - position < sizeof kRowHeader + 2) return 0;
    if (!IsWrittenHeader(bytes + position, kind)) return 0;
    size_t text = position + sizeof kRowHeader;
    const unsigned char* zero = FindZero(bytes + text, bytes + length);
    if (!zero || zero + 1 == bytes + length || zero[1] != 0) return 0;
    *text_end = static_cast<size_t>(zero - bytes);
    return *text_end + 2;
  };

  size_t position = 0;
  while (position < length) {
    Row current{};
    size_t number_end;
    size_t next = entry_end(position, kRowHeader[0], &number_end);
    if (next == 0) return false;
    current.start = position + sizeof kRowHeader;
    current.part_count = 1;
    size_t key_text_end = number_end;
    if (key_column == 0) current.key_start = current.start;
    while (next < length && bytes[next] != 0) {
      size_t text_end;
      size_t after = entry_end(next, kColumnHeader[0], &text_end);
      if (after == 0) return false;
      if (current.part_count == key_column) {
        current.key_start = next + sizeof kColumnHeader;
        key_text_end = text_end;
      }
      ++current.part_count;
      next = after;
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
// column joint, as splitting the image at them gives the rows and their parts. What lies before
// the first row header is no row. Stops when `row` returns false.
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

    Row current{};
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
