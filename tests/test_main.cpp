#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>

#include "runtime/heap.h"
#include "runtime/message_box.h"
#include "runtime/runtime.h"
#include "tests/test_support.h"

// A file too large for memory is a case the program handles: the sanitizers' allocators fail
// such a request as the system's allocator does, instead of ending the test.
extern "C" const char* __asan_default_options() {
  return "allocator_may_return_null=1";
}
// A confirmed close ends the process at once, also while a command's second thread works: that
// thread is never joined, which ThreadSanitizer would report as a leak.
extern "C" const char* __tsan_default_options() {
  return "allocator_may_return_null=1 report_thread_leaks=0";
}

namespace vx::testing {

namespace {
std::mutex boxes_mutex;
std::vector<ShownBox> shown_boxes;
std::filesystem::path temporary_root;
std::atomic<int> temporary_count{0};

void WriteHex(const char* bytes) {
  static const char digits[] = "0123456789abcdef";
  for (auto* byte = reinterpret_cast<const unsigned char*>(bytes); *byte; ++byte) {
    std::fputc(digits[*byte >> 4], stderr);
    std::fputc(digits[*byte & 15], stderr);
  }
}

// Writes the box to stderr, so that a death test sees it, and records it; never blocks. The
// record is left out while the tests make allocations fail: the box may be the report of one.
int32_t RecordMessageBox(const char* text, const char* caption, uint32_t style) {
  std::fprintf(stderr, "message box style=%u caption=", style);
  WriteHex(caption ? caption : "");
  std::fputs(" text=", stderr);
  WriteHex(text ? text : "");
  std::fputc('\n', stderr);
  std::fflush(stderr);
  if (!AllocationFailsForTesting(1)) {
    std::lock_guard<std::mutex> lock(boxes_mutex);
    shown_boxes.push_back({text ? text : "", caption ? caption : "", style});
  }
  return kButtonOk;
}

constexpr char kBoxRecordStart[] = "message box ";

// The decoded text of a box's record at `hex`, which runs to the line's end; false when the
// record is cut or holds anything but pairs of hexadecimal digits.
bool DecodeHex(const std::string& record, size_t hex, std::string* bytes) {
  size_t end = record.find('\n', hex);
  if (end == std::string::npos || (end - hex) % 2 != 0) return false;
  auto value = [](char digit) {
    return digit >= '0' && digit <= '9'   ? digit - '0'
           : digit >= 'a' && digit <= 'f' ? digit - 'a' + 10
                                          : -1;
  };
  for (size_t i = hex; i < end; i += 2) {
    int high = value(record[i]), low = value(record[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes->push_back(static_cast<char>(high * 16 + low));
  }
  return true;
}

class FailedAllocationBoxMatcher : public ::testing::MatcherInterface<const std::string&> {
 public:
  explicit FailedAllocationBoxMatcher(size_t at_least) : at_least_(at_least) {}

  bool MatchAndExplain(const std::string& output,
                       ::testing::MatchResultListener* listener) const override {
    size_t record = output.find(kBoxRecordStart);
    if (record == std::string::npos) {
      *listener << "no message box";
      return false;
    }
    if (output.find(kBoxRecordStart, record + 1) != std::string::npos) {
      *listener << "more than one message box";
      return false;
    }
    std::string start = FatalBoxRecord("");
    start.pop_back();  // the record's end
    std::string text;
    if (output.compare(record, start.size(), start) != 0 ||
        !DecodeHex(output, record + start.size(), &text)) {
      *listener << "not the fatal box";
      return false;
    }
    const std::string before = "运行时出错!\r\n\r\n错误信息：分配 ";
    const std::string after = " 字节内存失败!\r\n\r\n0, 0\r\n";
    bool framed = text.size() > before.size() + after.size() && text.rfind(before, 0) == 0 &&
                  text.compare(text.size() - after.size(), after.size(), after) == 0;
    std::string size =
        framed ? text.substr(before.size(), text.size() - before.size() - after.size()) : "";
    bool decimal = !size.empty() && size.size() < 20 &&
                   size.find_first_not_of("0123456789") == std::string::npos;
    if (!decimal || std::stoull(size) < at_least_) {
      *listener << "the box says " << HexOf(text);
      return false;
    }
    *listener << "a failed allocation of " << size << " bytes";
    return true;
  }
  void DescribeTo(std::ostream* os) const override {
    *os << "the fatal box of a failed allocation of at least " << at_least_ << " bytes, alone";
  }

 private:
  size_t at_least_;
};

}  // namespace

std::string FatalBoxRecord(const std::string& text) {
  return kBoxRecordStart + std::string("style=") + std::to_string(16 | kMbTaskModal) +
         " caption=" + HexOf("错误") + " text=" + HexOf(text) + "\n";
}

::testing::Matcher<const std::string&> FailedAllocationBox(size_t at_least) {
  return ::testing::MakeMatcher(new FailedAllocationBoxMatcher(at_least));
}

std::vector<ShownBox> ShownBoxes() {
  std::lock_guard<std::mutex> lock(boxes_mutex);
  return shown_boxes;
}

void ClearShownBoxes() {
  std::lock_guard<std::mutex> lock(boxes_mutex);
  shown_boxes.clear();
}

std::string HexOf(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char byte : bytes) {
    hex += digits[byte >> 4];
    hex += digits[byte & 15];
  }
  return hex;
}

std::string TemporaryDirectory() {
  if (temporary_root.empty()) {
    std::error_code ignored;
    auto base = std::filesystem::temp_directory_path(ignored);
    std::ostringstream name;
    name << "vextorin-tests-" << std::hex << reinterpret_cast<uintptr_t>(&temporary_root) << "-"
         << std::random_device{}();
    temporary_root = base / name.str();
  }
  auto directory = temporary_root / std::to_string(temporary_count.fetch_add(1));
  std::filesystem::create_directories(directory);
  return directory.string();
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream contents;
  contents << file.rdbuf();
  return contents.str();
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void RemoveTemporaryDirectories() {
  SetAllocationFailureForTesting(false);  // a death test's child may have made them fail
  if (temporary_root.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(temporary_root, ignored);
}

}  // namespace vx::testing

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  vx::SetMessageBoxHandler(vx::testing::RecordMessageBox);
  vx::InitializeRuntime();
  int result = RUN_ALL_TESTS();
  vx::testing::RemoveTemporaryDirectories();
  return result;
}
