#include "runtime/conversions.h"

#include <cstring>

namespace vx {

namespace {

bool IsNumberArray(const Value& value) {
  return value.kind == ValueKind::kArray && IsScalarKind(value.element_kind) && value.array;
}

size_t NumberArrayByteCount(const Value& value) {
  return static_cast<size_t>(ArrayCount(value.array)) *
         static_cast<size_t>(ArrayElementSize(value.element_kind));
}

const unsigned char* NumberArrayBytes(const Value& value) {
  return reinterpret_cast<const unsigned char*>(value.array + 1);
}

Text TextUpToZero(const unsigned char* bytes, size_t count) {
  auto* zero = static_cast<const unsigned char*>(std::memchr(bytes, 0, count));
  return CopyTextBytes(bytes, static_cast<int64_t>(zero ? zero - bytes : count));
}

}  // namespace

Text ToText(const Value& value) {
  if (IsScalar(value)) {
    char text[kScalarTextSize];
    return CopyTextBytes(text, FormatScalar(value, text));
  }
  switch (value.kind) {
    case ValueKind::kText:
      return CopyText(value.text);
    case ValueKind::kByteData:
      if (!value.byte_data) return nullptr;
      return TextUpToZero(ByteDataBytes(value.byte_data),
                          static_cast<size_t>(ByteDataLength(value.byte_data)));
    case ValueKind::kArray:
      if (!IsNumberArray(value)) return nullptr;
      return TextUpToZero(NumberArrayBytes(value), NumberArrayByteCount(value));
    default:
      return nullptr;
  }
}

}  // namespace vx
