// The cells of one set of rows that were written after their items image. The MD5 pass writes
// two of them in every row, so its digests are kept as the digest's 16 bytes: "32位MD5" spelled
// from them, and "16位MD5" known to be its middle digits without a byte of its own. Any other
// text written into a cell is kept as given.
//
// The cells are written under the row store's lock, under which nothing may be allocated: a
// write takes the memory it needs from a Room that the caller fetched beforehand.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ui/list_columns.h"
#include "ui/written_image.h"

namespace vx {

// Room for a cell's text that is spelled out when it is read.
inline constexpr size_t kSpelledCellSize = 32;

using DigestBytes = unsigned char[16];

// A text written into a cell as given, in a block of its own.
struct GivenText;

class RewrittenCells {
 public:
  explicit RewrittenCells(int32_t rows) : rows_(rows) {}
  ~RewrittenCells();
  RewrittenCells(const RewrittenCells&) = delete;
  RewrittenCells& operator=(const RewrittenCells&) = delete;

  // What a write may take: fetched by FetchRoom without the store's lock held, and handed to
  // writes under it; a write takes what it uses and gives back what it replaces, and FreeRoom
  // then frees the rest, again without the lock.
  struct Room {
    void* digests = nullptr;  // the digests of every row and their bits
    size_t digest_bytes = 0;
    GivenText* text = nullptr;    // the text being written, copied
    GivenText* middle = nullptr;  // for the middle digits that a changed digest leaves behind
    GivenText** buckets = nullptr;
    size_t bucket_count = 0;
    GivenText** old_buckets = nullptr;  // given back
  };
  // What a write found missing in its room.
  struct Need {
    size_t digest_bytes = 0;  // 0: none
    bool text = false;
    bool middle = false;
    size_t bucket_count = 0;  // 0: none
  };
  // Adds what `need` names to `room` (`text` and `length` are the text being written).
  static void FetchRoom(const Need& need, const char* text, size_t length, Room* room);
  static void FreeRoom(Room* room);

  // True with the text of a cell that was written, spelled into `spelled` (kSpelledCellSize
  // bytes) if need be; false for a cell that still shows its image's text. Row and column exist.
  bool Find(int32_t row, int32_t column, char* spelled, TextRun* cell) const;
  // Find for readers that spell digests themselves: the cell's given text in `given`, or in
  // `digest` the digest that it spells (all of it in "32位MD5", its middle in "16位MD5"), the
  // other one null.
  bool FindUnspelled(int32_t row, int32_t column, TextRun* given,
                     const unsigned char** digest) const;
  // Whether column `column` holds texts other than digests.
  bool HoldsGivenTexts(int32_t column) const { return given_counts_[column] != 0; }
  // For a row whose digest cells hold no given texts: the digest written into it, with whether
  // "32位MD5" spells all of it and "16位MD5" its middle (neither: the cells show the image's).
  const unsigned char* RowDigest(int32_t row, bool* whole, bool* middle) const {
    if (!digests_) {
      *whole = *middle = false;
      return nullptr;
    }
    *whole = Bit(digest_bits_, row);
    *middle = Bit(middle_bits_, row);
    return digests_[row];
  }

  // Writes the cell. False, changing nothing and saying in `need` what is missing, when `room`
  // lacks what the write takes.
  bool Set(int32_t row, int32_t column, const char* text, size_t length, Room* room, Need* need);
  // Writes the digest and its middle into both digest columns of the rows from `first` on; false
  // as Set is.
  bool SetDigests(int32_t first, int32_t count, const DigestBytes* digests, Room* room, Need* need);

  size_t MemoryUsed() const;

 private:
  size_t DigestRoomBytes() const;
  // Takes the digest room from `room`; false, setting `need`, when it has none of the right size.
  bool TakeDigestRoom(Room* room, Need* need);
  bool Bit(const uint64_t* bits, int32_t row) const { return bits[row >> 6] >> (row & 63) & 1; }
  void SetBit(uint64_t* bits, int32_t row, bool on);
  GivenText* FindGiven(int32_t row, int32_t column) const;
  // Keeps `text` (a block taken from a room) as the cell's text, in place of any before it.
  void SetGiven(int32_t row, int32_t column, GivenText* text);
  void ForgetGiven(int32_t row, int32_t column);
  // Moves the given texts into the room's buckets and gives the old ones back.
  void TakeBuckets(Room* room);
  // The short digest cell of `row` keeps its digits as a text of its own (`middle`, a block
  // taken from a room), before the digest they come from changes.
  void DetachShortDigest(int32_t row, GivenText* middle);

  int32_t rows_;
  DigestBytes* digests_ = nullptr;   // per row, when any digest was written; the bit arrays follow
  uint64_t* digest_bits_ = nullptr;  // "32位MD5" is the row's digest
  uint64_t* middle_bits_ = nullptr;  // "16位MD5" is the middle of it
  GivenText** buckets_ = nullptr;    // the given texts by row * 4 + column, chained
  size_t bucket_count_ = 0;
  size_t given_total_ = 0;
  size_t given_counts_[4] = {};
};

}  // namespace vx
