#include "tests/fuzz/fuzz_support.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/message_box.h"
#include "runtime/runtime.h"

namespace vx::fuzzing {

namespace {

// A fatal runtime error ends the process with -1, which libFuzzer would not keep as a finding.
int32_t AbortOnMessageBox(const char* text, const char* caption, uint32_t style) {
  std::fprintf(stderr, "message box (style 0x%x) %s: %s\n", style,
               Hex(caption ? caption : "").c_str(), Hex(text ? text : "").c_str());
  std::abort();
}

}  // namespace

void FailProperty(const char* file, int line, const char* property, const std::string& detail) {
  std::fprintf(stderr, "\n%s:%d: property failed: %s\n%s\n", file, line, property, detail.c_str());
  std::abort();
}

std::string InputReader::Bytes(size_t count) {
  if (count > size_ - position_) count = size_ - position_;
  std::string bytes(reinterpret_cast<const char*>(data_ + position_), count);
  position_ += count;
  return bytes;
}

std::optional<int32_t> InputReader::Count() {
  uint8_t choice = Byte();
  if (choice < 0x80) return std::nullopt;
  return static_cast<int32_t>(choice & 0x7F) - 3;
}

std::optional<std::string> InputReader::Separator(const std::vector<std::string>& fixed) {
  uint8_t choice = Byte();
  size_t pick = choice % 8u;
  if (pick == 0) return std::nullopt;
  if (pick <= fixed.size()) return fixed[pick - 1];
  return Bytes(1 + choice / 8u % 4).c_str();
}

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char byte : bytes) {
    if (!hex.empty()) hex += ' ';
    hex += digits[byte >> 4];
    hex += digits[byte & 15];
  }
  return "[" + hex + "]";
}

std::string Join(const std::vector<std::string>& pieces, const std::string& separator) {
  std::string joined;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) joined += separator;
    joined += pieces[i];
  }
  return joined;
}

std::vector<std::string> TextMembers(const ArrayBlock* array, std::vector<bool>* null_members) {
  VX_FUZZ_CHECK(array && array->dimensions == 1 && array->count >= 0, "not a one-dimension array");
  std::vector<std::string> members;
  for (int32_t i = 0; i < array->count; ++i) {
    auto* text = static_cast<const char*>(ArrayElements(array)[i]);
    if (null_members) {
      null_members->push_back(text == nullptr);
    } else {
      VX_FUZZ_CHECK(!text || *text, "member " + std::to_string(i) + " is empty but not null");
    }
    members.emplace_back(text ? text : "");
  }
  return members;
}

}  // namespace vx::fuzzing

// Starts the runtime on the calling thread, which becomes the UI thread, and keeps the current
// directory (the runtime moves it to the program's, which would break relative corpus paths).
// Fatal runtime errors abort the run with their message.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  using namespace vx;
  char directory[PATH_MAX];
  bool known = getcwd(directory, sizeof directory) != nullptr;
  SetMessageBoxHandler(fuzzing::AbortOnMessageBox);
  InitializeRuntime();
  if (known && chdir(directory) != 0) std::abort();
  return 0;
}
