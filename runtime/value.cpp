#include "runtime/value.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "runtime/date_time.h"
#include "runtime/messages.h"

namespace vx {

namespace {

int32_t CopyLiteral(const char* literal, char* text) {
  size_t length = std::strlen(literal);
  std::memcpy(text, literal, length + 1);
  return static_cast<int32_t>(length);
}

// printf's "%.<precision>g", with the exponent widened to at least three digits ("1e+013") as
// the Windows C runtime writes it; C99 printf implementations write two. Infinities and NaN
// read the same on every platform.
int32_t FormatReal(double x, int precision, char* text) {
  if (std::isnan(x)) return CopyLiteral("nan", text);
  if (std::isinf(x)) return CopyLiteral(x < 0 ? "-inf" : "inf", text);
  int length = std::snprintf(text, kScalarTextSize, "%.*g", precision, x);
  char* exponent = static_cast<char*>(std::memchr(text, 'e', static_cast<size_t>(length)));
  if (!exponent) return length;
  char* digits = exponent + 2;  // past the sign, which %g always writes
  int digit_count = static_cast<int>(text + length - digits);
  if (digit_count < 3) {
    int padding = 3 - digit_count;
    std::memmove(digits + padding, digits, static_cast<size_t>(digit_count) + 1);
    std::memset(digits, '0', static_cast<size_t>(padding));
    length += padding;
  }
  return length;
}

template <typename T>
T ReadInline(const unsigned char* bytes) {
  T value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

}  // namespace

int32_t FormatScalar(const Value& value, char text[kScalarTextSize]) {
  switch (value.kind) {
    case ValueKind::kByte:
      return std::snprintf(text, kScalarTextSize, "%u", static_cast<unsigned>(value.byte));
    case ValueKind::kShort:
      return std::snprintf(text, kScalarTextSize, "%d", static_cast<int>(value.short_integer));
    case ValueKind::kInteger:
      return std::snprintf(text, kScalarTextSize, "%d", static_cast<int>(value.integer));
    case ValueKind::kLongInteger:
      return std::snprintf(text, kScalarTextSize, "%lld",
                           static_cast<long long>(value.long_integer));
    case ValueKind::kFloat:
      return FormatReal(value.single, 6, text);
    case ValueKind::kDouble:
      return FormatReal(value.decimal, 13, text);
    case ValueKind::kTruth:
      return CopyLiteral(value.truth ? kTrueText : kFalseText, text);
    case ValueKind::kDateTime:
      return FormatDateTime(DateTime{value.date_time}, text);
    default:
      return -1;
  }
}

int32_t ArrayElementSize(ValueKind element_kind) {
  switch (element_kind) {
    case ValueKind::kByte:
      return 1;
    case ValueKind::kShort:
      return 2;
    case ValueKind::kInteger:
    case ValueKind::kFloat:
    case ValueKind::kTruth:
      return 4;
    case ValueKind::kLongInteger:
    case ValueKind::kDouble:
    case ValueKind::kDateTime:
      return 8;
    default:
      return static_cast<int32_t>(sizeof(void*));
  }
}

Value ArrayElementValue(const Value& array, int32_t index) {
  auto* element = reinterpret_cast<const unsigned char*>(array.array + 1) +
                  static_cast<size_t>(index) * ArrayElementSize(array.element_kind);
  switch (array.element_kind) {
    case ValueKind::kByte:
      return Value(element[0]);
    case ValueKind::kShort:
      return Value(ReadInline<int16_t>(element));
    case ValueKind::kInteger:
      return Value(ReadInline<int32_t>(element));
    case ValueKind::kLongInteger:
      return Value(ReadInline<int64_t>(element));
    case ValueKind::kFloat:
      return Value(ReadInline<float>(element));
    case ValueKind::kDouble:
      return Value(ReadInline<double>(element));
    case ValueKind::kTruth:
      return Value(ReadInline<int32_t>(element) != 0);
    case ValueKind::kDateTime:
      return Value(DateTime{ReadInline<double>(element)});
    case ValueKind::kByteData:
      return Value(ReadInline<const ByteDataBlock*>(element));
    default:
      return Value(ReadInline<const char*>(element));
  }
}

}  // namespace vx
