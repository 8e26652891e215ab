#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>

#include "runtime/message_box.h"
#include "runtime/runtime.h"
#include "tests/test_support.h"

// A file too large for memory is a case the program handles: the sanitizers' allocators fail
// such a request as the system's allocator does, instead of ending the test.
extern "C" const char* __asan_default_options() {
  return "allocator_may_return_null=1";
}
extern "C" const char* __tsan_default_options() {
  return "allocator_may_return_null=1";
}

namespace vx::testing {

namespace {
std::mutex boxes_mutex;
std::vector<ShownBox> shown_boxes;
std::filesystem::path temporary_root;
std::atomic<int> temporary_count{0};

// Records the box and writes it to stderr, so that a death test sees it; never blocks.
int32_t RecordMessageBox(const char* text, const char* caption, uint32_t style) {
  {
    std::lock_guard<std::mutex> lock(boxes_mutex);
    shown_boxes.push_back({text ? text : "", caption ? caption : "", style});
  }
  std::fprintf(stderr, "message box style=%u caption=%s text=%s\n", style,
               HexOf(caption ? caption : "").c_str(), HexOf(text ? text : "").c_str());
  std::fflush(stderr);
  return kIdOk;
}
}  // namespace

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
