// What the fuzz targets share: the runtime's start, a reader that takes a target's parameters
// off the front of its input, and the check that ends the run with a report when a property
// fails (libFuzzer then keeps the input as a finding).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runtime/values.h"

namespace vx::fuzzing {

// Starts the runtime on the calling thread, which becomes the UI thread, and keeps the current
// directory (the runtime moves it to the program's, which would break relative corpus paths).
// Fatal runtime errors abort the run with their message. Call once, before anything else.
void StartRuntime();

// Loads a headless main window that holds the list 超级列表框1, afresh (list_window.cpp: a
// target that calls it links vx_ui and vx_window_headless).
void LoadListWindow();

// Reports the failed property with `detail` and aborts.
[[noreturn]] void FailProperty(const char* file, int line, const char* property,
                               const std::string& detail);

// `detail` is evaluated only when the property fails.
#define VX_FUZZ_CHECK(property, detail)                                     \
  do {                                                                      \
    if (!(property)) {                                                      \
      ::vx::fuzzing::FailProperty(__FILE__, __LINE__, #property, (detail)); \
    }                                                                       \
  } while (false)

// Takes a target's parameters off the front of the input; once the input is used up every
// byte reads as 0 and every run of bytes as empty.
class InputReader {
 public:
  InputReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  uint8_t Byte() { return position_ < size_ ? data_[position_++] : 0; }
  std::string Bytes(size_t count);
  std::string Rest() { return Bytes(size_ - position_); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

// The headers of the entries the pipeline writes into items images: a row entry's (before the
// row number) and a column entry's (before its text); and the joint from one column's text to
// the next column entry, which closes the text and its empty second text.
inline const std::string kRowHeader(
    "\x00\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x00\x00\x00\x00\x00\x00\x00\x00", 17);
inline const std::string kColumnHeader = '\x01' + kRowHeader.substr(1);
inline const std::string kColumnJoint = std::string(2, '\0') + kColumnHeader;

// The bytes in hexadecimal, for reports: GBK text does not print.
std::string Hex(const std::string& bytes);

inline std::string BytesOf(const ByteDataBlock* data) {
  return data ? std::string(reinterpret_cast<const char*>(ByteDataBytes(data)),
                            static_cast<size_t>(ByteDataLength(data)))
              : std::string();
}

inline OwnedByteData AsByteData(const std::string& bytes) {
  return OwnedByteData(MakeByteData(bytes.data(), static_cast<int64_t>(bytes.size())));
}

// The pieces joined with `separator` between each two.
std::string Join(const std::vector<std::string>& pieces, const std::string& separator);

// The members of a split's result, checked to be a one-dimension array whose members are null
// exactly when they are empty: texts up to their zero, byte data whole. A text member cut from
// bytes that begin with a zero is empty but not null: with `null_members` given, the nulls are
// recorded there for the caller to check instead.
std::vector<std::string> TextMembers(const ArrayBlock* array,
                                     std::vector<bool>* null_members = nullptr);
std::vector<std::string> ByteDataMembers(const ArrayBlock* array);

// A split's outcome: `input` cut at `separator` (given, or the default for an omitted one)
// with `limit` (omitted, or a count of which 0 and below give nothing) into `members`.
struct SplitOutcome {
  const char* input_name;  // "text" or "data", for reports
  const std::string& input;
  const std::string& separator;
  bool separator_given;
  std::optional<int32_t> limit;
  const std::vector<std::string>& members;

  // The most members the limit allows, or -1 for no limit.
  int32_t Most() const { return limit ? (*limit < 0 ? 0 : *limit) : -1; }
  std::string Report() const;
};

// The properties every split has: no members for an empty input or a limit of 0 or below, the
// whole input as one member for an empty separator, no more members than the limit, and the
// members joined with the separator give the input back, less a separator that ended it (or,
// when the limit ended the split, the input's beginning up to a separator). False when the
// outcome is settled by the first two, so that nothing more is to be checked.
bool CheckSplitJoinsBack(const SplitOutcome& split);

}  // namespace vx::fuzzing
