// What the fuzz targets share: the runtime started before the first input (this file's
// LLVMFuzzerInitialize, so that a target defines LLVMFuzzerTestOneInput alone), a reader that
// takes a target's parameters off the front of its input, and the check that ends the run with a
// report when a property fails (libFuzzer then keeps the input as a finding).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runtime/values.h"

namespace vx::fuzzing {

// Loads a headless main window that holds the list 超级列表框1, afresh: a target calls it at the
// start of every run, since the headless window's record of requests would otherwise grow with
// every run, and libFuzzer would look for a leak after each one (list_window.cpp: a target that
// calls it links vx_fuzz_list_window).
void LoadListWindow();

// The items image the list holds, checked to be null when it is empty.
std::string ListImage();

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

  // A count that may be omitted, read from one byte: omitted below 0x80, else the low seven
  // bits less 3 (-3 to 124).
  std::optional<int32_t> Count();
  // A text separator that may be omitted, read from a choice byte and, when the choice says so,
  // the bytes that follow it: choice % 8 of 0 omits it, 1 to fixed.size() picks from `fixed`,
  // anything above takes choice / 8 % 4 + 1 bytes off the input (up to their first zero byte,
  // where a text ends).
  std::optional<std::string> Separator(const std::vector<std::string>& fixed);

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

// The headers of the entries the pipeline writes into items images: a row entry's (before the
// row number) and a column entry's (before its text).
inline const std::string kRowHeader(
    "\x00\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x00\x00\x00\x00\x00\x00\x00\x00", 17);
inline const std::string kColumnHeader = '\x01' + kRowHeader.substr(1);

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

// The texts of a split's result, checked to be a one-dimension array whose members are null
// exactly when they are empty. A member cut from bytes that begin with a zero is empty but not
// null: with `null_members` given, the nulls are recorded there for the caller to check instead.
std::vector<std::string> TextMembers(const ArrayBlock* array,
                                     std::vector<bool>* null_members = nullptr);

}  // namespace vx::fuzzing
