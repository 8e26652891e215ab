#include "ui/rewritten_cells.h"

#include <cstring>

#include "runtime/hex_digits.h"
#include "runtime/values.h"

namespace vx {

struct GivenText {
  GivenText* next;  // in its bucket
  uint64_t key;
  size_t length;
  char text[1];  // `length` bytes
};

namespace {

constexpr size_t kDigestDigits = 32;
// "16位MD5" is characters 9 to 24 of "32位MD5": bytes 4 to 11 of the digest.
constexpr size_t kMiddleFirstByte = 4;
constexpr size_t kMiddleBytes = 8;
constexpr size_t kMiddleDigits = 2 * kMiddleBytes;
constexpr size_t kFewestBuckets = 64;

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

GivenText* MakeGivenText(const char* text, size_t length) {
  auto* given = static_cast<GivenText*>(AllocateBlock(sizeof(GivenText) + length));
  given->next = nullptr;
  given->key = 0;
  given->length = length;
  if (text && length) std::memcpy(given->text, text, length);
  return given;
}

}  // namespace

RewrittenCells::~RewrittenCells() {
  for (size_t i = 0; i < bucket_count_; ++i) {
    for (GivenText* given = buckets_[i]; given;) {
      GivenText* next = given->next;
      FreeBlock(given);
      given = next;
    }
  }
  FreeBlock(buckets_);
  FreeBlock(digests_);
}

void RewrittenCells::FetchRoom(const Need& need, const char* text, size_t length, Room* room) {
  if (need.digest_bytes != 0) {
    FreeBlock(room->digests);
    room->digests = AllocateBlock(need.digest_bytes);
    room->digest_bytes = need.digest_bytes;
  }
  if (need.text && !room->text) room->text = MakeGivenText(text, length);
  if (need.middle && !room->middle) room->middle = MakeGivenText(nullptr, kMiddleDigits);
  if (need.bucket_count > room->bucket_count) {
    FreeBlock(room->buckets);
    room->buckets = static_cast<GivenText**>(AllocateBlock(need.bucket_count * sizeof(GivenText*)));
    room->bucket_count = need.bucket_count;
  }
}

void RewrittenCells::FreeRoom(Room* room) {
  FreeBlock(room->digests);
  FreeBlock(room->text);
  FreeBlock(room->middle);
  FreeBlock(room->buckets);
  FreeBlock(room->old_buckets);
  *room = Room();
}

size_t RewrittenCells::DigestRoomBytes() const {
  return static_cast<size_t>(rows_) * sizeof(DigestBytes) + 2 * BitWords(rows_) * sizeof(uint64_t);
}

bool RewrittenCells::TakeDigestRoom(Room* room, Need* need) {
  if (digests_) return true;
  if (!room->digests || room->digest_bytes != DigestRoomBytes()) {
    need->digest_bytes = DigestRoomBytes();
    return false;
  }
  digests_ = static_cast<DigestBytes*>(room->digests);
  room->digests = nullptr;
  room->digest_bytes = 0;
  digest_bits_ = reinterpret_cast<uint64_t*>(digests_ + rows_);
  middle_bits_ = digest_bits_ + BitWords(rows_);
  std::memset(digest_bits_, 0, 2 * BitWords(rows_) * sizeof(uint64_t));
  return true;
}

void RewrittenCells::SetBit(uint64_t* bits, int32_t row, bool on) {
  uint64_t mask = uint64_t{1} << (row & 63);
  if (on) {
    bits[row >> 6] |= mask;
  } else {
    bits[row >> 6] &= ~mask;
  }
}

GivenText* RewrittenCells::FindGiven(int32_t row, int32_t column) const {
  if (given_counts_[column] == 0) return nullptr;
  uint64_t key = Key(row, column);
  for (GivenText* given = buckets_[key % bucket_count_]; given; given = given->next) {
    if (given->key == key) return given;
  }
  return nullptr;
}

bool RewrittenCells::Find(int32_t row, int32_t column, char* spelled, TextRun* cell) const {
  if (const GivenText* given = FindGiven(row, column)) {
    *cell = {given->text, given->length};
    return true;
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

bool RewrittenCells::FindUnspelled(int32_t row, int32_t column, TextRun* given,
                                   const unsigned char** digest) const {
  *digest = nullptr;
  if (const GivenText* text = FindGiven(row, column)) {
    *given = {text->text, text->length};
    return true;
  }
  if (!digests_) return false;
  if ((column == kDigestColumn && Bit(digest_bits_, row)) ||
      (column == kShortDigestColumn && Bit(middle_bits_, row))) {
    *digest = digests_[row];
    return true;
  }
  return false;
}

void RewrittenCells::TakeBuckets(Room* room) {
  GivenText** buckets = room->buckets;
  size_t count = room->bucket_count;
  std::memset(buckets, 0, count * sizeof(GivenText*));
  for (size_t i = 0; i < bucket_count_; ++i) {
    for (GivenText* given = buckets_[i]; given;) {
      GivenText* next = given->next;
      given->next = buckets[given->key % count];
      buckets[given->key % count] = given;
      given = next;
    }
  }
  room->old_buckets = buckets_;
  room->buckets = nullptr;
  room->bucket_count = 0;
  buckets_ = buckets;
  bucket_count_ = count;
}

// Freeing under the store's lock is allowed: only allocating there could fail.
void RewrittenCells::SetGiven(int32_t row, int32_t column, GivenText* text) {
  ForgetGiven(row, column);
  text->key = Key(row, column);
  GivenText*& bucket = buckets_[text->key % bucket_count_];
  text->next = bucket;
  bucket = text;
  ++given_total_;
  ++given_counts_[column];
}

void RewrittenCells::ForgetGiven(int32_t row, int32_t column) {
  if (given_counts_[column] == 0) return;
  uint64_t key = Key(row, column);
  for (GivenText** link = &buckets_[key % bucket_count_]; *link; link = &(*link)->next) {
    if ((*link)->key != key) continue;
    GivenText* given = *link;
    *link = given->next;
    FreeBlock(given);
    --given_total_;
    --given_counts_[column];
    return;
  }
}

void RewrittenCells::DetachShortDigest(int32_t row, GivenText* middle) {
  SpellMiddle(digests_[row], middle->text);
  SetBit(middle_bits_, row, false);
  SetGiven(row, kShortDigestColumn, middle);
}

// What the write takes is worked out before anything changes, so that a write short of room
// changes nothing.
bool RewrittenCells::Set(int32_t row, int32_t column, const char* text, size_t length, Room* room,
                         Need* need) {
  bool digest = column == kDigestColumn && IsDigest(text, length);
  DigestBytes new_digest = {};
  if (digest) ReadHexDigits(text, sizeof new_digest, new_digest);
  bool middle_bit = digests_ && Bit(middle_bits_, row);
  // The short cell keeps the old middle digits when the digest under it changes.
  bool detaches = column == kDigestColumn && middle_bit &&
                  (!digest || std::memcmp(new_digest + kMiddleFirstByte,
                                          digests_[row] + kMiddleFirstByte, kMiddleBytes) != 0);
  bool is_middle = false;
  if (column == kShortDigestColumn && digests_ && Bit(digest_bits_, row) &&
      length == kMiddleDigits) {
    char middle[kMiddleDigits];
    SpellMiddle(digests_[row], middle);
    is_middle = std::memcmp(middle, text, kMiddleDigits) == 0;
  }
  bool given = !digest && !is_middle;

  if (digest && !TakeDigestRoom(room, need)) return false;
  need->text = given && !room->text;
  need->middle = detaches && !room->middle;
  size_t most_given = given_total_ + (given ? 1 : 0) + (detaches ? 1 : 0);
  if (most_given > bucket_count_ && room->bucket_count < most_given) {
    need->bucket_count = most_given * 2 > kFewestBuckets ? most_given * 2 : kFewestBuckets;
  }
  if (need->text || need->middle || need->bucket_count != 0) return false;

  if (most_given > bucket_count_) TakeBuckets(room);
  if (detaches) {
    DetachShortDigest(row, room->middle);
    room->middle = nullptr;
  }
  if (digest) {
    std::memcpy(digests_[row], new_digest, sizeof new_digest);
    SetBit(digest_bits_, row, true);
    ForgetGiven(row, column);
    return true;
  }
  if (column == kDigestColumn && digests_) SetBit(digest_bits_, row, false);
  if (column == kShortDigestColumn && digests_) SetBit(middle_bits_, row, is_middle);
  if (is_middle) {
    ForgetGiven(row, column);
    return true;
  }
  SetGiven(row, column, room->text);
  room->text = nullptr;
  return true;
}

bool RewrittenCells::SetDigests(int32_t first, int32_t count, const DigestBytes* digests,
                                Room* room, Need* need) {
  if (!TakeDigestRoom(room, need)) return false;
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
  bytes += bucket_count_ * sizeof(GivenText*);
  for (size_t i = 0; i < bucket_count_; ++i) {
    for (const GivenText* given = buckets_[i]; given; given = given->next) {
      bytes += sizeof(GivenText) + given->length;
    }
  }
  return bytes;
}

}  // namespace vx
