// RapidString: a growable text buffer for building and taking apart large texts.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>

#include "runtime/buffer_record.h"
#include "runtime/value.h"
#include "runtime/values.h"

namespace vx {

class RapidString {
 public:
  RapidString();  // empty, without storage until the first text arrives
  ~RapidString();
  RapidString(const RapidString&) = delete;
  RapidString& operator=(const RapidString&) = delete;

  // Clears the buffer, then appends each value as text: texts and byte data as their bytes,
  // numbers, truth values and date-times as ToText writes them, buffers as their content,
  // arrays element by element. False when a value has no text form or the buffer cannot grow;
  // nothing after such a value is appended.
  bool SetText(std::initializer_list<Value> values);

  // Empties the text and keeps the storage.
  bool Clear();

  // The content cut at each `separator` (omitted: ","; given empty: no cut) into fresh texts,
  // empty pieces as null: the piece before the first separator always, the piece after the
  // last one only when it is not empty, so an empty buffer gives one empty text. A
  // `max_count` of 0 gives no texts; above 0 it stops there and drops the rest.
  ValueArray Split(std::optional<const char*> separator = std::nullopt,
                   std::optional<int32_t> max_count = std::nullopt) const;

  // Replaces the content with the bytes of the file at `path`, unconverted. False, with the
  // content unchanged, when the path is empty, the file cannot be opened or read whole, or the
  // memory for it cannot be had; `out_of_memory` (when given) tells the last case apart. The
  // file is read in pieces of kFilePieceBytes, and `between_pieces(bytes read, file size)` (when
  // given) is called after each: a large file takes seconds to read from a disk, and the memory
  // it goes into is new, which a virtual machine hands out slowly (64 MB took 0.3 s under Wine).
  static constexpr int64_t kFilePieceBytes = int64_t{8} << 20;
  using PieceCallback = std::function<void(int64_t bytes_read, int64_t file_size)>;
  bool LoadFromFile(const char* path, bool* out_of_memory = nullptr,
                    const PieceCallback& between_pieces = nullptr);

  // Hands the content over: its storage, zero-terminated after `*length` bytes, or null when the
  // buffer has none. The buffer is left empty.
  BufferStorage ReleaseContent(int64_t* length);

  // The content, zero-terminated ("" without storage), and its length in bytes.
  const char* text() const;
  int64_t length() const { return record_ ? record_->length : 0; }

  // The buffer record; null only when it could not be allocated.
  BufferRecord* record() const { return record_; }

 private:
  bool AppendValue(const Value& value);
  bool AppendBytes(const void* bytes, int64_t count);

  BufferRecord* record_;
};

}  // namespace vx
