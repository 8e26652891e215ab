#include "runtime/rapid_binary.h"

#include "runtime/rapid_string.h"
#include "runtime/splitting.h"

namespace vx {

namespace {

constexpr unsigned char kDefaultSeparator[] = {0};

void* MakeByteDataMember(const void* bytes, int64_t count) {
  return MakeByteData(bytes, count);
}

}  // namespace

RapidBinary::RapidBinary() : record_(CreateBufferRecord()) {}

RapidBinary::~RapidBinary() {
  DestroyBufferRecord(record_);
  record_ = nullptr;
}

bool RapidBinary::AppendBytes(const void* bytes, int64_t count) {
  return AppendToBuffer(record_, bytes, count, BufferKind::kBytes);
}

bool RapidBinary::AppendValue(const Value& value) {
  if (IsScalar(value)) {
    unsigned char bytes[8];
    return AppendBytes(bytes, ScalarBytes(value, bytes));
  }
  switch (value.kind) {
    case ValueKind::kText: {
      const char* text = value.text ? value.text : kEmptyText;
      return AppendBytes(text, TextLength(text) + 1);  // with its terminator
    }
    case ValueKind::kByteData:
      return AppendBytes(ByteDataBytes(value.byte_data), ByteDataLength(value.byte_data));
    case ValueKind::kRapidString:
      return AppendBytes(value.rapid_string->text(), value.rapid_string->length());
    case ValueKind::kRapidBinary:
      return AppendBytes(value.rapid_binary->bytes(), value.rapid_binary->length());
    case ValueKind::kArray: {
      if (IsScalarKind(value.element_kind)) {
        return AppendBytes(value.array + 1, static_cast<int64_t>(ArrayCount(value.array)) *
                                                ArrayElementSize(value.element_kind));
      }
      bool complete = true;
      for (int32_t i = 0; i < ArrayCount(value.array); ++i) {
        Value element = ArrayElementValue(value, i);
        if (element.kind == ValueKind::kText && TextLength(element.text) == 0) {
          complete = false;  // an empty member of a text array adds not even its zero
          continue;
        }
        if (!AppendValue(element)) return false;
      }
      return complete;
    }
    default:
      return false;
  }
}

bool RapidBinary::Append(std::initializer_list<Value> values) {
  if (!record_) return false;
  for (const Value& value : values) {
    if (!AppendValue(value)) return false;
  }
  return true;
}

bool RapidBinary::SetBytes(std::initializer_list<Value> values) {
  return Clear() && Append(values);
}

ByteData RapidBinary::GetBytes(std::optional<int64_t> start, std::optional<int64_t> count) const {
  int64_t length = this->length();
  int64_t index = 0;
  if (start && *start > 0) index = *start - 1;
  if (start && *start < 0) index = length + *start;
  if (index < 0 || index >= length) return nullptr;
  int64_t available = length - index;
  if (count && *count >= 0 && *count < available) available = *count;
  return MakeByteData(record_->data + index, available);
}

bool RapidBinary::Clear() {
  if (!record_) return false;
  ClearBuffer(record_, BufferKind::kBytes);
  return true;
}

ValueArray RapidBinary::Split(std::optional<const ByteDataBlock*> separator,
                              std::optional<int32_t> max_count) const {
  if (!record_) return AllocateArray(0);
  const unsigned char* pattern = kDefaultSeparator;
  size_t pattern_length = 1;
  if (separator) {
    pattern = ByteDataBytes(*separator);
    pattern_length = static_cast<size_t>(ByteDataLength(*separator));
  }
  return SplitContent(record_->data, record_->length, pattern, pattern_length, max_count,
                      MakeByteDataMember);
}

}  // namespace vx
