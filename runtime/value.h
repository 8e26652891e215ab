// A value of any kind, as the commands that accept any kind receive it (ToText, WriteText,
// RapidString's SetText). A Value borrows what it points at.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/values.h"

namespace vx {

class RapidString;

enum class ValueKind : uint8_t {
  kByte,         // unsigned 8-bit
  kShort,        // signed 16-bit
  kInteger,      // signed 32-bit
  kLongInteger,  // signed 64-bit
  kFloat,
  kDouble,
  kTruth,
  kDateTime,
  kText,
  kByteData,
  kRapidString,
  kArray,  // a one-dimension ValueArray; element_kind says what its elements are
};

struct Value {
  Value(uint8_t value) : kind(ValueKind::kByte), byte(value) {}
  Value(int16_t value) : kind(ValueKind::kShort), short_integer(value) {}
  Value(int32_t value) : kind(ValueKind::kInteger), integer(value) {}
  Value(int64_t value) : kind(ValueKind::kLongInteger), long_integer(value) {}
  Value(float value) : kind(ValueKind::kFloat), single(value) {}
  Value(double value) : kind(ValueKind::kDouble), decimal(value) {}
  Value(bool value) : kind(ValueKind::kTruth), truth(value) {}
  Value(DateTime value) : kind(ValueKind::kDateTime), date_time(value.days) {}
  Value(const char* value) : kind(ValueKind::kText), text(value) {}
  Value(char* value) : Value(static_cast<const char*>(value)) {}
  Value(const ByteDataBlock* value) : kind(ValueKind::kByteData), byte_data(value) {}
  Value(ByteDataBlock* value) : Value(static_cast<const ByteDataBlock*>(value)) {}
  // Any other pointer would quietly become a truth value.
  template <typename T>
  Value(T*) = delete;
  Value(const RapidString& value) : kind(ValueKind::kRapidString), rapid_string(&value) {}

  // An array whose elements are of `element_kind`: texts and byte data are pointer-sized
  // references, numbers, truth values (4 bytes) and date-times are stored inline.
  static Value Array(const ArrayBlock* array, ValueKind element_kind) {
    Value value(array);
    value.element_kind = element_kind;
    return value;
  }

  ValueKind kind;
  ValueKind element_kind = ValueKind::kArray;  // arrays only
  union {
    uint8_t byte;
    int16_t short_integer;
    int32_t integer;
    int64_t long_integer;
    float single;
    double decimal;
    bool truth;
    double date_time;
    const char* text;
    const ByteDataBlock* byte_data;
    const RapidString* rapid_string;
    const ArrayBlock* array;
  };

 private:
  explicit Value(const ArrayBlock* value) : kind(ValueKind::kArray), array(value) {}
};

// True for the kinds that have a text of their own: numbers, truth values and date-times.
inline bool IsScalarKind(ValueKind kind) {
  return kind <= ValueKind::kDateTime;
}
inline bool IsScalar(const Value& value) {
  return IsScalarKind(value.kind);
}

// Bytes that a scalar's text needs at most, terminator included.
inline constexpr size_t kScalarTextSize = 64;

// Writes the text of a scalar (numbers as printf's "%u", "%d", "%.6g" and "%.13g", truth
// values as "真" or "假", date-times as the date-time text) to `text` and returns its length;
// returns -1 and writes nothing for other kinds.
int32_t FormatScalar(const Value& value, char text[kScalarTextSize]);

// The byte size of one inline element of an array of `element_kind`.
int32_t ArrayElementSize(ValueKind element_kind);
// Element `index` (from 0) of an array value, as a value of its element kind.
Value ArrayElementValue(const Value& array, int32_t index);

}  // namespace vx
