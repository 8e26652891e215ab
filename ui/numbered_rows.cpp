#include "ui/numbered_rows.h"

#include <cstring>

#include "runtime/splitting.h"
#include "ui/image_entries.h"

namespace vx {

NumberedRows::NumberedRows(std::shared_ptr<const void> holder, size_t held_bytes,
                           const char** texts, int32_t count)
    : holder_(std::move(holder)),
      held_bytes_(held_bytes),
      texts_(texts),
      count_(count > 0 ? count : 0) {}

NumberedRows::~NumberedRows() {
  FreeBlock(texts_);
}

int32_t SpellRowNumber(int32_t number, char* digits) {
  char reversed[10];
  int32_t length = 0;
  for (auto rest = static_cast<uint32_t>(number); rest; rest /= 10) {
    reversed[length++] = static_cast<char>('0' + rest % 10);
  }
  for (int32_t i = 0; i < length; ++i) digits[i] = reversed[length - 1 - i];
  return length;
}

namespace {

template <size_t size>
unsigned char* Put(unsigned char* at, const unsigned char (&bytes)[size]) {
  std::memcpy(at, bytes, size);
  return at + size;
}

unsigned char* Put(unsigned char* at, const char* bytes, size_t count) {
  std::memcpy(at, bytes, count);
  return at + count;
}

}  // namespace

int64_t NumberedRows::ImageLength() const {
  int64_t length = 0;
  RowNumberText number(1);
  for (int32_t row = 0; row < count_; ++row, number.Increment()) {
    length += static_cast<int64_t>(sizeof kRowHeader + static_cast<size_t>(number.length()) +
                                   sizeof kEntryEnd);
    if (texts_[row]) {
      length +=
          static_cast<int64_t>(sizeof kColumnHeader + std::strlen(texts_[row]) + sizeof kEntryEnd);
    }
  }
  return length;
}

void NumberedRows::WriteImage(unsigned char* bytes) const {
  RowNumberText number(1);
  for (int32_t row = 0; row < count_; ++row, number.Increment()) {
    bytes = Put(bytes, kRowHeader);
    bytes = Put(bytes, number.text(), static_cast<size_t>(number.length()));
    bytes = Put(bytes, kEntryEnd);
    if (const char* text = texts_[row]) {
      bytes = Put(bytes, kColumnHeader);
      bytes = Put(bytes, text, std::strlen(text));
      bytes = Put(bytes, kEntryEnd);
    }
  }
}

namespace {

// Walks an image made of the entries NumberedRows writes and calls `row(text)` for each row (text
// null for a row without a column entry). False as soon as the image holds anything else.
template <typename Row>
bool WalkNumberedEntries(const unsigned char* bytes, int64_t length, Row&& row) {
  const unsigned char* end = bytes + length;
  // The end of an entry with `header` at `at` whose text is `expected` (any text when null): the
  // byte after its empty second text, or null.
  auto entry_end = [&](const unsigned char* at, const unsigned char(&header)[kEntryHeaderSize],
                       const RowNumberText* expected) -> const unsigned char* {
    if (end - at < static_cast<ptrdiff_t>(kEntryHeaderSize + sizeof kEntryEnd)) return nullptr;
    if (std::memcmp(at, header, kEntryHeaderSize) != 0) return nullptr;
    const unsigned char* text = at + kEntryHeaderSize;
    const unsigned char* zero = FindZero(text, end);
    if (!zero || zero + 1 == end || zero[1] != 0) return nullptr;
    if (expected &&
        (static_cast<size_t>(zero - text) != static_cast<size_t>(expected->length()) ||
         std::memcmp(text, expected->text(), static_cast<size_t>(expected->length())) != 0)) {
      return nullptr;
    }
    return zero + 2;
  };

  RowNumberText number(1);
  int64_t rows = 0;
  const unsigned char* at = bytes;
  while (at < end) {
    if (rows == INT32_MAX) return false;
    at = entry_end(at, kRowHeader, &number);
    if (!at) return false;
    const char* text = nullptr;
    if (at < end && *at != 0) {
      const unsigned char* column_end = entry_end(at, kColumnHeader, nullptr);
      if (!column_end) return false;
      text = reinterpret_cast<const char*>(at + kEntryHeaderSize);
      at = column_end;
      if (at < end && *at != 0) return false;  // a second column
    }
    row(text);
    number.Increment();
    ++rows;
  }
  return true;
}

}  // namespace

std::shared_ptr<const NumberedRows> ReadNumberedRows(std::shared_ptr<const void> holder,
                                                     const unsigned char* bytes, int64_t length) {
  if (!bytes || length <= 0) return nullptr;
  int32_t count = 0;
  if (!WalkNumberedEntries(bytes, length, [&](const char*) { ++count; })) return nullptr;
  auto* texts =
      static_cast<const char**>(AllocateBlock(static_cast<size_t>(count) * sizeof(const char*)));
  int32_t row = 0;
  WalkNumberedEntries(bytes, length, [&](const char* text) { texts[row++] = text; });
  return std::make_shared<const NumberedRows>(std::move(holder), static_cast<size_t>(length), texts,
                                              count);
}

// A number begins with the digits P (no leading zero) exactly when it lies in one of the ranges
// P * 10^k to (P + 1) * 10^k - 1, so the first such number from any point is found range by
// range, without looking at a row.
int32_t FindNumberStartingWith(int32_t count, int32_t start, const char* prefix, size_t length) {
  if (count <= 0) return -1;
  if (start < 0 || start >= count) start = 0;
  if (length == 0) return start;  // every number begins with nothing
  if (length > 10 || prefix[0] == '0') return -1;
  int64_t digits = 0;
  for (size_t i = 0; i < length; ++i) {
    if (prefix[i] < '0' || prefix[i] > '9') return -1;
    digits = digits * 10 + (prefix[i] - '0');
  }
  // The least number from `from` on that begins with the digits, or 0.
  auto first_from = [&](int64_t from) -> int64_t {
    for (int64_t low = digits, high = digits; low <= count; low *= 10, high = high * 10 + 9) {
      if (high >= from) return low > from ? low : from;
    }
    return 0;
  };
  int64_t number = first_from(start + 1);
  if (number == 0) number = first_from(1);
  return number == 0 ? -1 : static_cast<int32_t>(number - 1);
}

}  // namespace vx
