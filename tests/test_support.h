// Helpers shared by the unit tests.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vx::testing {

// A message box as the test handler saw it.
struct ShownBox {
  std::string text;
  std::string caption;
  uint32_t style;
};

// Boxes shown since the last ClearShownBoxes; the test handler answers each with OK.
std::vector<ShownBox> ShownBoxes();
void ClearShownBoxes();

// The text in lowercase hexadecimal, as the test handler writes boxes to stderr (so that death
// tests can match GBK bytes exactly).
std::string HexOf(const std::string& bytes);

// The line that the test handler writes to stderr for the runtime's fatal box (task-modal style 16,
// caption "错误") with exactly `text`: a death test's pattern.
std::string FatalBoxRecord(const std::string& text);
// A death test's matcher: the one box written is the fatal report of a failed allocation of at
// least `at_least` bytes, whatever size it names beyond that.
::testing::Matcher<const std::string&> FailedAllocationBox(size_t at_least);

// A fresh, empty directory for the calling test; removed at the end of the test program.
std::string TemporaryDirectory();
// Removes them at once: for the child of a death test, which ends without returning from main.
// Allocations that the test made fail work again first.
void RemoveTemporaryDirectories();
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);

}  // namespace vx::testing
