#include "runtime/rapid_string.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "runtime/files_platform.h"
#include "runtime/heap.h"
#include "runtime/splitting.h"

namespace vx {

namespace {

// Reads the `size` bytes of `file` into `bytes`, a piece at a time; false unless all arrive.
bool ReadInPieces(PlatformFile file, unsigned char* bytes, int64_t size,
                  const RapidString::PieceCallback& between_pieces) {
  for (int64_t done = 0; done < size;) {
    int64_t piece = std::min(size - done, RapidString::kFilePieceBytes);
    if (PlatformReadFile(file, bytes + done, static_cast<size_t>(piece)) != piece) return false;
    done += piece;
    if (between_pieces) between_pieces(done, size);
  }
  return true;
}

// Reads the `size` bytes of `file` into `record`. When the text must grow, the file goes
// straight into the new storage, sized by the growth rule as appending the bytes would size it;
// when the storage is large enough, through a block of the file's size, since a failed read must
// leave the old text whole.
bool ReadFileIntoText(PlatformFile file, int64_t size, BufferRecord* record, bool* out_of_memory,
                      const RapidString::PieceCallback& between_pieces) {
  int64_t needed = size + 1;
  if (needed <= record->capacity) {
    auto* bytes = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(size)));
    if (!bytes) {
      *out_of_memory = true;
      return false;
    }
    PreferLargePages(bytes, static_cast<size_t>(size));
    bool read_whole = ReadInPieces(file, bytes, size, between_pieces);
    if (read_whole) {
      std::memcpy(record->data, bytes, static_cast<size_t>(size));
      record->data[size] = '\0';
      record->length = size;
    }
    std::free(bytes);
    return read_whole;
  }

  int64_t capacity = GrownCapacity(*record, needed);
  if (capacity < 0) return false;
  auto* storage = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(capacity)));
  if (!storage) {
    *out_of_memory = true;
    return false;
  }
  PreferLargePages(storage, static_cast<size_t>(capacity));
  if (!ReadInPieces(file, storage, size, between_pieces)) {
    std::free(storage);
    return false;
  }
  storage[size] = '\0';
  std::free(record->data);
  record->data = storage;
  record->capacity = capacity;
  record->allocated = capacity;
  record->length = size;
  return true;
}

}  // namespace

RapidString::RapidString() : record_(CreateBufferRecord()) {}

RapidString::~RapidString() {
  DestroyBufferRecord(record_);
  record_ = nullptr;
}

const char* RapidString::text() const {
  return record_ && record_->data ? reinterpret_cast<const char*>(record_->data) : kEmptyText;
}

bool RapidString::AppendBytes(const void* bytes, int64_t count) {
  return AppendToBuffer(record_, bytes, count);
}

bool RapidString::AppendValue(const Value& value) {
  if (IsScalar(value)) {
    char text[kScalarTextSize];
    return AppendBytes(text, FormatScalar(value, text));
  }
  switch (value.kind) {
    case ValueKind::kText:
      return AppendBytes(value.text, TextLength(value.text));
    case ValueKind::kByteData:
      return AppendBytes(ByteDataBytes(value.byte_data), ByteDataLength(value.byte_data));
    case ValueKind::kRapidString:
      return AppendBytes(value.rapid_string->text(), value.rapid_string->length());
    case ValueKind::kArray:
      for (int32_t i = 0; i < ArrayCount(value.array); ++i) {
        if (!AppendValue(ArrayElementValue(value, i))) return false;
      }
      return true;
    default:
      return false;
  }
}

bool RapidString::SetText(std::initializer_list<Value> values) {
  if (!Clear()) return false;
  for (const Value& value : values) {
    if (!AppendValue(value)) return false;
  }
  return true;
}

bool RapidString::Clear() {
  if (!record_) return false;
  ClearBuffer(record_);
  return true;
}

ValueArray RapidString::Split(std::optional<const char*> separator,
                              std::optional<int32_t> max_count) const {
  if (!record_ || (max_count && *max_count == 0)) return AllocateArray(0);
  if (record_->length == 0) return AllocateArray(1);  // one empty text
  return SplitIntoTexts(record_->data, static_cast<size_t>(record_->length),
                        separator.value_or(","), max_count.value_or(0), MatchAt::kAnyByte);
}

bool RapidString::LoadFromFile(const char* path, bool* out_of_memory,
                               const PieceCallback& between_pieces) {
  bool memory_short = false;
  if (!out_of_memory) out_of_memory = &memory_short;
  *out_of_memory = false;
  if (!record_ || TextLength(path) == 0) return false;
  PlatformFile file = PlatformOpenFile(path, FileAccess::kRead, FileSharing::kReadAndWrite,
                                       FileCreation::kOpenExisting);
  if (file == kNoPlatformFile) return false;
  int64_t size = PlatformFileSize(file);
  bool loaded =
      size == 0 ? Clear()
                : size > 0 && ReadFileIntoText(file, size, record_, out_of_memory, between_pieces);
  PlatformCloseFile(file);
  return loaded;
}

BufferStorage RapidString::ReleaseContent(int64_t* length) {
  *length = this->length();
  if (!record_) return nullptr;
  BufferStorage content(record_->data);
  record_->data = nullptr;
  record_->length = record_->capacity = record_->allocated = 0;
  return content;
}

}  // namespace vx
