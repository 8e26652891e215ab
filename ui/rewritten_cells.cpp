#include "ui/rewritten_cells.h"

#include <cstring>

#include "runtime/hex_digits.h"
#include "runtime/values.h"

namespace vx {

namespace {

constexpr size_t kDigestDigits = 32;
// "16位MD5" is characters 9 to 24 of "32位MD5": bytes 4 to 11 of the digest.
constexpr size_t kMiddleFirstByte = 4;
constexpr size_t kMiddleBytes = 8;
constexpr size_t kMiddleDigits = 2 * kMiddleBytes;

size_t BitWords(int32_t rows) {
  return (static_cast<size_t>(rows) + 63) / 64;
}

uint64_t Key(int32_t row, int32_t column) {
  return static_cast<uint64_t>(row) * 4 + static_cast<uint64_t>(column);
}

bool IsDigest(const char* text, size_t length) {
  return length == kDigestDigits && AreHexDigits(text, length);
}

void SpellMiddle(const DigestBytes& digest, char* digits) {
  SpellHexDigits(digest + kMiddleFirstByte, kMiddleBytes, digits);
}

}  // namespace

RewrittenCells::~RewrittenCells() {
  FreeBlock(digests_);
}

size_t RewrittenCells::DigestRoomBytes() const {
  return static_cast<size_t>(rows_) * sizeof(DigestBytes) + 2 * BitWords(rows_) * sizeof(uint64_t);
}

void RewrittenCells::TakeDigestRoom(void* block) {
  digests_ = static_cast<DigestBytes*>(block);
  digest_bits_ = reinterpret_cast<uint64_t*>(digests_ + rows_);
  middle_bits_ = digest_bits_ + BitWords(rows_);
  std::memset(digest_bits_, 0, 2 * BitWords(rows_) * sizeof(uint64_t));
}

void RewrittenCells::SetBit(uint64_t* bits, int32_t row, bool on) {
  uint64_t mask = uint64_t{1} << (row & 63);
  if (on) {
    bits[row >> 6] |= mask;
  } else {
    bits[row >> 6] &= ~mask;
  }
}

bool RewrittenCells::Find(int32_t row, int32_t column, char* spelled, TextRun* cell) const {
  if (given_counts_[column] != 0) {
    auto given = given_.find(Key(row, column));
    if (given != given_.end()) {
      *cell = {given->second.data(), given->second.size()};
      return true;
    }
  }
  if (!digests_) return false;
  if (column == kDigestColumn && Bit(digest_bits_, row)) {
    SpellHexDigits(digests_[row], sizeof(DigestBytes), spelled);
    *cell = {spelled, kDigestDigits};
    return true;
  }
  if (column == kShortDigestColumn && Bit(middle_bits_, row)) {
    SpellMiddle(digests_[row], spelled);
    *cell = {spelled, kMiddleDigits};
    return true;
  }
  return false;
}

void RewrittenCells::SetGiven(int32_t row, int32_t column, const char* text, size_t length) {
  auto [given, added] = given_.try_emplace(Key(row, column));
  given->second.assign(text, length);
  if (added) ++given_counts_[column];
}

void RewrittenCells::ForgetGiven(int32_t row, int32_t column) {
  if (given_counts_[column] != 0 && given_.erase(Key(row, column)) != 0) --given_counts_[column];
}

void RewrittenCells::DetachShortDigest(int32_t row) {
  if (!digests_ || !Bit(middle_bits_, row)) return;
  char middle[kMiddleDigits];
  SpellMiddle(digests_[row], middle);
  SetBit(middle_bits_, row, false);
  SetGiven(row, kShortDigestColumn, middle, kMiddleDigits);
}

bool RewrittenCells::Set(int32_t row, int32_t column, const char* text, size_t length) {
  if (column == kDigestColumn) {
    if (IsDigest(text, length)) {
      if (!digests_) return false;
      DigestBytes digest;
      ReadHexDigits(text, sizeof digest, digest);
      if (Bit(digest_bits_, row) &&
          std::memcmp(digest + kMiddleFirstByte, digests_[row] + kMiddleFirstByte, kMiddleBytes)) {
        DetachShortDigest(row);
      }
      std::memcpy(digests_[row], digest, sizeof digest);
      SetBit(digest_bits_, row, true);
      ForgetGiven(row, column);
      return true;
    }
    DetachShortDigest(row);
    if (digests_) SetBit(digest_bits_, row, false);
  } else if (column == kShortDigestColumn && digests_) {
    char middle[kMiddleDigits];
    bool is_middle = false;
    if (Bit(digest_bits_, row) && length == kMiddleDigits) {
      SpellMiddle(digests_[row], middle);
      is_middle = std::memcmp(middle, text, kMiddleDigits) == 0;
    }
    SetBit(middle_bits_, row, is_middle);
    if (is_middle) {
      ForgetGiven(row, column);
      return true;
    }
  }
  SetGiven(row, column, text, length);
  return true;
}

bool RewrittenCells::SetDigests(int32_t first, int32_t count, const DigestBytes* digests) {
  if (!digests_) return false;
  std::memcpy(digests_ + first, digests, static_cast<size_t>(count) * sizeof(DigestBytes));
  for (int32_t row = first; row < first + count; ++row) {
    SetBit(digest_bits_, row, true);
    SetBit(middle_bits_, row, true);
    ForgetGiven(row, kDigestColumn);
    ForgetGiven(row, kShortDigestColumn);
  }
  return true;
}

size_t RewrittenCells::MemoryUsed() const {
  size_t bytes = digests_ ? DigestRoomBytes() : 0;
  for (const auto& [key, text] : given_) bytes += sizeof key + sizeof text + text.capacity();
  return bytes;
}

}  // namespace vx
