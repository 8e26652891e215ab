// Rows read through a visit of the row store (RowStore::VisitRows, VisitListRows), for checking.
// A visitor runs under the store's lock, where nothing may be allocated, so the cells are copied
// into room reserved before the visit and become strings after it.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "ui/written_image.h"

namespace vx::testing {

class VisitedRows {
 public:
  // Rows of `cells_per_row` cells; the visitor refuses row `refuse_at` (-1: none).
  explicit VisitedRows(int32_t cells_per_row, int32_t refuse_at = -1)
      : cells_per_row_(cells_per_row), refuse_at(refuse_at) {
    bytes_.reserve(size_t{1} << 20);
    cells_.reserve(size_t{1} << 14);
  }

  // The visitor, with this object as its context. A row that the room cannot take is refused.
  static bool Take(void* context, int32_t row, const TextRun* cells) {
    auto* visited = static_cast<VisitedRows*>(context);
    if (row == visited->refuse_at) return false;
    size_t length = 0;
    for (int32_t i = 0; i < visited->cells_per_row_; ++i) length += cells[i].length;
    if (visited->bytes_.size() + length > visited->bytes_.capacity() ||
        visited->cells_.size() + static_cast<size_t>(visited->cells_per_row_) + 1 >
            visited->cells_.capacity()) {
      return false;
    }
    visited->cells_.push_back({static_cast<size_t>(row), 0});
    for (int32_t i = 0; i < visited->cells_per_row_; ++i) {
      visited->cells_.push_back({visited->bytes_.size(), cells[i].length});
      visited->bytes_.insert(visited->bytes_.end(), cells[i].text, cells[i].text + cells[i].length);
    }
    return true;
  }

  // The cells of the `index`th row taken.
  std::vector<std::string> Cells(size_t index) const {
    std::vector<std::string> cells;
    size_t first = index * (static_cast<size_t>(cells_per_row_) + 1) + 1;
    for (int32_t k = 0; k < cells_per_row_; ++k) {
      const auto& cell = cells_[first + static_cast<size_t>(k)];
      cells.emplace_back(bytes_.data() + cell.first, cell.second);
    }
    return cells;
  }

  // Each row taken so far as "row:cell|cell|...".
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    for (size_t i = 0; i < cells_.size(); i += static_cast<size_t>(cells_per_row_) + 1) {
      std::string line = std::to_string(cells_[i].first) + ":";
      for (int32_t k = 1; k <= cells_per_row_; ++k) {
        const auto& cell = cells_[i + static_cast<size_t>(k)];
        if (k > 1) line += "|";
        line.append(bytes_.data() + cell.first, cell.second);
      }
      lines.push_back(line);
    }
    return lines;
  }

 private:
  int32_t cells_per_row_;
  std::vector<char> bytes_;
  std::vector<std::pair<size_t, size_t>> cells_;  // per row: the row, then each cell's place

 public:
  int32_t refuse_at;
};

}  // namespace vx::testing
