// Writes the list's items property with the input as the image, and checks the rows, cells and
// info tips the list shows against a plain walk of the image, and that the image reads back
// byte for byte and outlives cell writes and the deletion of the rows.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_support.h"
#include "ui/list_control.h"
#include "ui/units.h"
#include "ui/window_headless.h"

namespace vx {
namespace {

using fuzzing::Hex;

constexpr size_t kEntryHeaderSize = 17;  // kind and four 32-bit numbers

struct ExpectedRow {
  std::string cells[4];
  std::string tip;
};

// The rows an image describes: an entry of kind 0 starts a row with its text in column 0 and
// its second text as the info tip; every other entry fills the next column of that row (none
// before the first row; columns past the fourth are not shown). An entry the image cuts short
// ends the walk.
std::vector<ExpectedRow> WalkImage(const std::string& image) {
  std::vector<ExpectedRow> rows;
  size_t column = 0;
  size_t at = 0;
  while (image.size() - at >= kEntryHeaderSize) {
    size_t text_end = image.find('\0', at + kEntryHeaderSize);
    if (text_end == std::string::npos) break;
    size_t second_end = image.find('\0', text_end + 1);
    if (second_end == std::string::npos) break;
    std::string text = image.substr(at + kEntryHeaderSize, text_end - at - kEntryHeaderSize);
    if (image[at] == 0) {
      rows.push_back({{text}, image.substr(text_end + 1, second_end - text_end - 1)});
      column = 0;
    } else if (!rows.empty() && ++column < 4) {
      rows.back().cells[column] = text;
    }
    at = second_end + 1;
  }
  return rows;
}

std::string CellText(int32_t row, int32_t column) {
  OwnedText text(GetCellText(超级列表框1, row, column));
  VX_FUZZ_CHECK(!text || *text, "an empty cell is not null");
  return text ? text.get() : "";
}

std::string StoredImage() {
  OwnedByteData image(ReadListItems(超级列表框1));
  VX_FUZZ_CHECK(!image || image->length > 0, "an empty image is not null");
  return fuzzing::BytesOf(image.get());
}

}  // namespace
}  // namespace vx

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vx::fuzzing::StartRuntime();
  vx::fuzzing::LoadListWindow();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vx;
  // A fresh window each run: the headless window's record of requests would otherwise grow
  // with every run, and libFuzzer would look for a leak after each one.
  fuzzing::LoadListWindow();
  const std::string image(reinterpret_cast<const char*>(data), size);
  std::vector<ExpectedRow> expected = WalkImage(image);
  const auto row_count = static_cast<int32_t>(expected.size());
  auto detail = [&] { return "image " + Hex(image); };

  WriteListItems(超级列表框1, fuzzing::AsByteData(image).get());
  VX_FUZZ_CHECK(StoredImage() == image, detail());
  VX_FUZZ_CHECK(GetRowCount(超级列表框1) == row_count,
                detail() + "\nrows " + std::to_string(GetRowCount(超级列表框1)) + ", expected " +
                    std::to_string(row_count));
  std::vector<std::string> requests = headless::Requests();
  VX_FUZZ_CHECK(requests.back() == "rows replaced " + std::to_string(row_count),
                detail() + "\nlast request " + requests.back());

  for (int32_t row = 0; row < row_count; ++row) {
    for (int32_t column = 0; column < 4; ++column) {
      const std::string& cell = expected[row].cells[column];
      std::string where = "\nrow " + std::to_string(row) + " column " + std::to_string(column);
      VX_FUZZ_CHECK(CellText(row, column) == cell, detail() + where);
      // Painting copies the cell cut to its buffer and learns the whole length.
      char painted[8];
      int32_t room = 1 + (row + column) % 8;
      VX_FUZZ_CHECK(CopyCellText(超级列表框1, row, column, painted, room) ==
                            static_cast<int32_t>(cell.size()) &&
                        cell.compare(0, static_cast<size_t>(room - 1), painted) == 0 &&
                        std::strlen(painted) == std::min(cell.size(), size_t(room - 1)),
                    detail() + where + " painted with room " + std::to_string(room));
    }
    char tip[8] = "unset";
    int32_t room = 1 + row % 8;
    VX_FUZZ_CHECK(CopyRowInfoTip(超级列表框1, row, tip, room) &&
                      expected[row].tip.compare(0, static_cast<size_t>(room - 1), tip) == 0 &&
                      std::strlen(tip) == std::min(expected[row].tip.size(), size_t(room - 1)),
                  detail() + "\ntip of row " + std::to_string(row));
  }
  VX_FUZZ_CHECK(CellText(row_count, 0).empty() && CellText(-1, 0).empty() &&
                    (row_count == 0 || CellText(0, 4).empty()),
                detail());
  char tip[8] = "unset";
  VX_FUZZ_CHECK(
      !CopyRowInfoTip(超级列表框1, row_count, tip, sizeof tip) && std::strcmp(tip, "unset") == 0,
      detail());

  // Cell writes and the deletion of the rows leave the image as it was written.
  if (row_count > 0) {
    VX_FUZZ_CHECK(SetCellText(超级列表框1, row_count - 1, 2, "digest") &&
                      CellText(row_count - 1, 2) == "digest",
                  detail());
  }
  VX_FUZZ_CHECK(!SetCellText(超级列表框1, row_count, 0, "beyond"), detail());
  DeleteAllRows(超级列表框1);
  VX_FUZZ_CHECK(GetRowCount(超级列表框1) == 0 && StoredImage() == image, detail());
  // Info tips still come from the image.
  VX_FUZZ_CHECK(row_count == 0 || CopyRowInfoTip(超级列表框1, 0, tip, sizeof tip), detail());
  return 0;
}
