// Helpers shared by the unit tests.
#pragma once

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

// A fresh, empty directory for the calling test; removed at the end of the test program.
std::string TemporaryDirectory();
// Removes them at once: for the child of a death test, which ends without returning from main.
void RemoveTemporaryDirectories();
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);

}  // namespace vx::testing
