// The cells of one set of rows that were written after their items image. The MD5 pass writes
// two of them in every row, so its digests are kept as the digest's 16 bytes: "32位MD5" spelled
// from them, and "16位MD5" known to be its middle digits without a byte of its own. Any other
// text written into a cell is kept as given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "ui/written_image.h"

namespace vx {

// The columns that hold the 32-digit digest and the 16-digit middle of it.
inline constexpr int32_t kDigestColumn = 2;
inline constexpr int32_t kShortDigestColumn = 3;
// Room for a cell's text that is spelled out when it is read.
inline constexpr size_t kSpelledCellSize = 32;

using DigestBytes = unsigned char[16];

class RewrittenCells {
 public:
  explicit RewrittenCells(int32_t rows) : rows_(rows) {}
  ~RewrittenCells();
  RewrittenCells(const RewrittenCells&) = delete;
  RewrittenCells& operator=(const RewrittenCells&) = delete;

  // True with the text of a cell that was written, spelled into `spelled` (kSpelledCellSize
  // bytes) if need be; false for a cell that still shows its image's text. Row and column exist.
  bool Find(int32_t row, int32_t column, char* spelled, TextRun* cell) const;
  // Whether column `column` holds texts other than digests.
  bool HoldsGivenTexts(int32_t column) const { return given_counts_[column] != 0; }

  // Writing a digest needs the room for the digests of every row, which the caller fetches (it
  // holds a lock that no allocation may meet) and hands over with TakeDigestRoom.
  bool HasDigestRoom() const { return digests_ != nullptr; }
  size_t DigestRoomBytes() const;
  // Takes `block` (from AllocateBlock, DigestRoomBytes() bytes, not cleared) over.
  void TakeDigestRoom(void* block);

  // Writes the cell; false, changing nothing, when the text is a digest and there is no room.
  bool Set(int32_t row, int32_t column, const char* text, size_t length);
  // Writes the digest and its middle into both digest columns of the rows from `first` on; false,
  // changing nothing, when there is no room.
  bool SetDigests(int32_t first, int32_t count, const DigestBytes* digests);

  size_t MemoryUsed() const;

 private:
  bool Bit(const uint64_t* bits, int32_t row) const { return bits[row >> 6] >> (row & 63) & 1; }
  void SetBit(uint64_t* bits, int32_t row, bool on);
  void SetGiven(int32_t row, int32_t column, const char* text, size_t length);
  void ForgetGiven(int32_t row, int32_t column);
  // The short digest cell of `row` keeps its digits as a text of its own, before the digest
  // they come from changes.
  void DetachShortDigest(int32_t row);

  int32_t rows_;
  DigestBytes* digests_ = nullptr;   // per row, when any digest was written; the bit arrays follow
  uint64_t* digest_bits_ = nullptr;  // "32位MD5" is the row's digest
  uint64_t* middle_bits_ = nullptr;  // "16位MD5" is the middle of it
  std::unordered_map<uint64_t, std::string> given_;  // by row * 4 + column
  size_t given_counts_[4] = {};
};

}  // namespace vx
