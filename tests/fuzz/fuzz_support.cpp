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

void StartRuntime() {
  char directory[PATH_MAX];
  bool known = getcwd(directory, sizeof directory) != nullptr;
  SetMessageBoxHandler(AbortOnMessageBox);
  InitializeRuntime();
  if (known && chdir(directory) != 0) std::abort();
}

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

std::vector<std::string> ByteDataMembers(const ArrayBlock* array) {
  VX_FUZZ_CHECK(array && array->dimensions == 1 && array->count >= 0, "not a one-dimension array");
  std::vector<std::string> members;
  for (int32_t i = 0; i < array->count; ++i) {
    auto* data = static_cast<const ByteDataBlock*>(ArrayElements(array)[i]);
    VX_FUZZ_CHECK(!data || (data->marker == 1 && data->length > 0),
                  "member " + std::to_string(i) + " is empty but not null, or malformed");
    members.push_back(BytesOf(data));
  }
  return members;
}

std::string SplitOutcome::Report() const {
  std::string report = std::string(input_name) + " " + Hex(input) + "\nseparator " +
                       Hex(separator) + (separator_given ? "" : " (omitted)") + "\nlimit " +
                       (limit ? std::to_string(*limit) : "omitted") + "\nmembers:";
  for (const std::string& member : members) report += "\n  " + Hex(member);
  return report;
}

bool CheckSplitJoinsBack(const SplitOutcome& split) {
  const std::string& input = split.input;
  const std::string& separator = split.separator;
  const std::vector<std::string>& members = split.members;
  int32_t most = split.Most();
  if (input.empty() || most == 0) {
    VX_FUZZ_CHECK(members.empty(), split.Report());
    return false;
  }
  if (separator.empty()) {
    VX_FUZZ_CHECK(members.size() == 1 && members[0] == input, split.Report());
    return false;
  }
  VX_FUZZ_CHECK(most < 0 || members.size() <= static_cast<size_t>(most), split.Report());
  std::string joined = Join(members, separator);
  bool limit_reached = most > 0 && members.size() == static_cast<size_t>(most);
  VX_FUZZ_CHECK(joined == input || joined + separator == input ||
                    (limit_reached &&
                     input.compare(0, joined.size() + separator.size(), joined + separator) == 0),
                split.Report() + "\njoined " + Hex(joined));
  return true;
}

}  // namespace vx::fuzzing
