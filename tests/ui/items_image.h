// Items images for the tests, written entry by entry.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/values.h"

namespace vx::testing {

inline void AppendInt32(std::string& bytes, int32_t value) {
  auto bits = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>((bits >> (8 * i)) & 0xFF);
}

// One entry: kind 0 starts a row, any other kind is the next column of the current row.
inline std::string Entry(unsigned char kind, const std::string& text,
                         const std::string& second = "", int32_t image = -1,
                         int32_t state_image = -1, int32_t indent = 0, int32_t row_value = 0) {
  std::string bytes(1, static_cast<char>(kind));
  AppendInt32(bytes, image);
  AppendInt32(bytes, state_image);
  AppendInt32(bytes, indent);
  AppendInt32(bytes, row_value);
  bytes += text;
  bytes += '\0';
  bytes += second;
  bytes += '\0';
  return bytes;
}

inline std::string RowEntry(const std::string& text, const std::string& tip = "") {
  return Entry(0, text, tip);
}
inline std::string ColumnEntry(const std::string& text) {
  return Entry(1, text);
}

// A row as the import writes it: its number, and its text unless that is empty.
inline std::string ImportedRow(int32_t number, const std::string& text) {
  std::string row = RowEntry(std::to_string(number));
  if (!text.empty()) row += ColumnEntry(text);
  return row;
}

inline OwnedByteData AsByteData(const std::string& bytes) {
  return OwnedByteData(MakeByteData(bytes.data(), static_cast<int64_t>(bytes.size())));
}

inline std::string BytesOf(const ByteDataBlock* data) {
  return data ? std::string(reinterpret_cast<const char*>(ByteDataBytes(data)),
                            static_cast<size_t>(ByteDataLength(data)))
              : std::string();
}

inline std::string TextOf(char* text) {
  OwnedText owned(text);
  return owned ? std::string(owned.get()) : std::string();
}

}  // namespace vx::testing
