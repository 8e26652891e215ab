// RapidBinary: a growable byte buffer for collecting and cutting up records of bytes.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>

#include "runtime/buffer_record.h"
#include "runtime/value.h"
#include "runtime/values.h"

namespace vx {

class RapidBinary {
 public:
  RapidBinary();  // empty, without storage until the first bytes arrive
  ~RapidBinary();
  RapidBinary(const RapidBinary&) = delete;
  RapidBinary& operator=(const RapidBinary&) = delete;

  // Appends each value's bytes as stored: byte data as it is, a text with its terminating zero,
  // numbers little-endian in their own size (a truth value 4 bytes, a date-time 8), a RapidString
  // without its terminator, a RapidBinary's bytes, arrays element by element. False when the
  // buffer cannot grow (nothing after that value is appended) or a text array holds an empty
  // member (which adds nothing).
  bool Append(std::initializer_list<Value> values);
  // Clears the buffer, then appends as Append does.
  bool SetBytes(std::initializer_list<Value> values);

  // A fresh copy of the bytes from `start` (from 1; negative counts from the end, -1 being the
  // last byte; 0 or omitted is the first), at most `count` of them when count is given and not
  // negative; null when the start lies outside the content or no bytes remain.
  ByteData GetBytes(std::optional<int64_t> start = std::nullopt,
                    std::optional<int64_t> count = std::nullopt) const;

  // Empties the buffer and keeps the storage.
  bool Clear();

  // RapidString::Split for bytes: the separator defaults to one zero byte, the pieces are
  // fresh byte data.
  ValueArray Split(std::optional<const ByteDataBlock*> separator = std::nullopt,
                   std::optional<int32_t> max_count = std::nullopt) const;

  const unsigned char* bytes() const { return record_ ? record_->data : nullptr; }
  int64_t length() const { return record_ ? record_->length : 0; }

  // The buffer record; null only when it could not be allocated.
  BufferRecord* record() const { return record_; }

 private:
  bool AppendValue(const Value& value);
  bool AppendBytes(const void* bytes, int64_t count);

  BufferRecord* record_;
};

}  // namespace vx
