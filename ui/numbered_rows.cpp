#include "ui/numbered_rows.h"

#include <cstring>

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

// The rows' entries, put by `writer`: each row entry with its number, then its column entry.
void PutEntries(const char* const* texts, int32_t count, EntryWriter* writer) {
  RowNumberText number(1);
  for (int32_t row = 0; row < count; ++row, number.Increment()) {
    writer->RowEntry(number.text(), static_cast<size_t>(number.length()));
    if (const char* text = texts[row]) writer->ColumnEntry(text, std::strlen(text));
  }
}

}  // namespace

int64_t NumberedRows::ImageLength() const {
  EntryWriter measure;
  PutEntries(texts_, count_, &measure);
  return static_cast<int64_t>(measure.length());
}

void NumberedRows::WriteImage(unsigned char* bytes) const {
  EntryWriter writer(bytes);
  PutEntries(texts_, count_, &writer);
}

namespace {

// Walks an image made of the entries NumberedRows writes and calls `row(text)` for each row (text
// null for a row without a column entry). False as soon as the image holds anything else.
template <typename Row>
bool WalkNumberedEntries(const unsigned char* bytes, int64_t length, Row&& row) {
  const auto size = static_cast<uint64_t>(length);
  RowNumberText number(1);
  int64_t rows = 0;
  uint64_t at = 0;
  ImageEntry entry;
  while (at < size) {
    if (rows == INT32_MAX) return false;
    if (!ReadImageEntry(bytes, size, at, &entry) || !entry.starts_row || !entry.written ||
        entry.text.length != static_cast<size_t>(number.length()) ||
        std::memcmp(entry.text.text, number.text(), entry.text.length) != 0) {
      return false;
    }
    at = entry.end;
    const char* text = nullptr;
    if (at < size && bytes[at] != 0) {
      if (!ReadImageEntry(bytes, size, at, &entry) || !entry.written) return false;
      text = entry.text.text;
      at = entry.end;
      if (at < size && bytes[at] != 0) return false;  // a second column
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
