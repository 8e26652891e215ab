// Duplicate removal written out as its steps say, the model that the duplicate removal test and
// fuzz target hold the list's image to.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "tests/runtime/split_model.h"

namespace vx::testing {

// The 17 bytes before a row's number, and the joint from one column's text to the next column's.
inline const std::string kImageRowHeader(
    "\x00\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x00\x00\x00\x00\x00\x00\x00\x00", 17);
inline const std::string kImageColumnJoint =
    std::string(2, '\0') + '\x01' + kImageRowHeader.substr(1);

// `image` without the rows that repeat an earlier row's key: the image cut at every row header as
// a buffer's split cuts it (what precedes the first header is no row), each row cut at every
// column joint (an empty row has no parts), part `key_column` the key; a row without a non-empty
// key goes, and of equal keys the first stays. With `renumber` the rows kept are numbered from 1.
inline std::string ImageWithoutDuplicates(const std::string& image, int32_t key_column,
                                          bool renumber) {
  std::vector<std::string> rows = WalkBufferSplit(image, kImageRowHeader, -1);
  auto key = static_cast<size_t>(key_column);
  std::unordered_set<std::string> seen;
  std::string kept_rows;
  int64_t kept = 0;
  for (size_t i = 1; i < rows.size(); ++i) {
    std::vector<std::string> parts = WalkSplit(rows[i], kImageColumnJoint, -1, SplitUnits::kBytes);
    if (parts.size() <= key || parts[key].empty() || !seen.insert(parts[key]).second) continue;
    kept_rows += kImageRowHeader;
    if (!renumber) {
      kept_rows += rows[i];
      continue;
    }
    kept_rows += std::to_string(++kept);
    for (size_t part = 1; part < parts.size(); ++part) kept_rows += kImageColumnJoint + parts[part];
  }
  return kept_rows;
}

}  // namespace vx::testing
