// Writes the list's items property with the input as the image, and checks the rows, cells and
// info tips the list shows against a plain walk of the image, and that the image reads back
// byte for byte and outlives cell writes and the deletion of the rows.
//
// Images of the rows that import writes are kept in a compact form of their own. The input is
// also read as the lines of such an image, and every image of that shape is kept in both forms,
// compact and as written, which must show the same rows, cells, tips and bytes throughout.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_support.h"
#include "tests/ui/visited_rows.h"
#include "ui/list_control.h"
#include "ui/row_store.h"
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

// The rows that import makes of the input's lines (cut at LF): a line's text ends at its first
// zero byte, an empty line has no text column.
std::string ImportedImage(const std::string& input) {
  std::string image;
  size_t start = 0;
  for (int32_t number = 1; start <= input.size(); ++number) {
    size_t end = input.find('\n', start);
    if (end == std::string::npos) end = input.size();
    std::string line = input.substr(start, end - start);
    image += fuzzing::kRowHeader + std::to_string(number) + std::string(2, '\0');
    if (!line.empty()) {
      image += fuzzing::kColumnHeader + line.substr(0, line.find('\0')) + std::string(2, '\0');
    }
    start = end + 1;
  }
  return image;
}

std::string TextOf(const TextRun& run) {
  return std::string(run.text, run.length);
}

std::string StoreCell(const RowStore& store, int32_t row, int32_t column, size_t room) {
  std::string buffer(room + 1, '#');
  int64_t length = store.CopyCell(row, column, &buffer[0], room);
  if (length < 0) return "<none>";
  return std::to_string(length) + ":" + (room ? buffer.substr(0, std::strlen(buffer.c_str())) : "");
}

std::string StoreTip(const RowStore& store, int32_t row) {
  char tip[8] = "unset";
  bool found = store.CopyInfoTip(row, tip, 1 + static_cast<size_t>(row) % 8);
  return found ? tip : "<none>";
}

// Everything a reader can learn of the rows of `store`, one line each.
std::vector<std::string> Observe(const RowStore& store, const std::string& prefix) {
  std::vector<std::string> seen;
  int32_t rows = store.RowCount();
  seen.push_back("rows " + std::to_string(rows));
  seen.push_back("image " + fuzzing::BytesOf(OwnedByteData(store.CopyImage()).get()));
  for (int32_t row = -1; row <= rows; ++row) {
    for (int32_t column = -1; column <= 4; ++column) {
      seen.push_back(StoreCell(store, row, column, static_cast<size_t>(row + column + 2) % 9));
    }
    seen.push_back("tip " + StoreTip(store, row));
  }
  TextRun texts[RowStore::kMostRowsPerBlock];
  std::shared_ptr<const void> holder;
  std::vector<char> spill;
  uint64_t generation;
  for (int32_t column = 0; column < 4; ++column) {
    int32_t read = store.ReadColumn(0, RowStore::kMostRowsPerBlock, column, texts, &holder, &spill,
                                    &generation);
    std::string line = "column " + std::to_string(read);
    for (int32_t i = 0; i < read; ++i) line += "|" + TextOf(texts[i]);
    seen.push_back(line);
  }
  testing::VisitedRows visited(2);
  store.VisitRows(0, rows, 2, 2, &testing::VisitedRows::Take, &visited);
  for (const std::string& line : visited.Lines()) seen.push_back(line);
  for (int32_t start : {-1, 0, rows / 2, rows}) {
    for (size_t length = 0; length <= prefix.size(); ++length) {
      seen.push_back("find " +
                     std::to_string(store.FindRowStartingWith(start, prefix.data(), length)));
    }
  }
  return seen;
}

// The row entries of an image made of whole entries, as the writer of the image would note them.
std::vector<uint64_t> RowEntryOffsets(const std::string& image) {
  std::vector<uint64_t> offsets;
  for (size_t at = 0; at < image.size();) {
    if (image[at] == 0) offsets.push_back(at);
    size_t text_end = image.find('\0', at + kEntryHeaderSize);
    at = image.find('\0', text_end + 1) + 1;
  }
  return offsets;
}

// `image` has the shape of the rows import writes: kept compactly, and kept as written, the two
// stores show the same, also after the same cell writes and the deletion of the rows.
void CompareForms(const std::string& image, const std::string& given) {
  RowStore compact, written;
  compact.ReplaceImage(reinterpret_cast<const unsigned char*>(image.data()),
                       static_cast<int64_t>(image.size()));
  VX_FUZZ_CHECK(compact.ShareNumberedRows() != nullptr, "not kept compactly: " + Hex(image));
  std::vector<uint64_t> offsets = RowEntryOffsets(image);
  auto* block = static_cast<unsigned char*>(AllocateBlock(image.size() + 1));
  std::memcpy(block, image.data(), image.size());
  auto* index = static_cast<uint64_t*>(AllocateBlock(offsets.size() * sizeof(uint64_t) + 1));
  std::memcpy(index, offsets.data(), offsets.size() * sizeof(uint64_t));
  written.TakeIndexedImage(block, block, static_cast<int64_t>(image.size()), index,
                           static_cast<int32_t>(offsets.size()));

  std::string prefix = given.substr(0, 3);
  auto same = [&](const char* moment) {
    std::vector<std::string> a = Observe(compact, prefix), b = Observe(written, prefix);
    for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
      std::string left = i < a.size() ? a[i] : "<end>", right = i < b.size() ? b[i] : "<end>";
      VX_FUZZ_CHECK(left == right, std::string(moment) + ": compact " + Hex(left) + "\nwritten " +
                                       Hex(right) + "\nimage " + Hex(image));
    }
  };
  same("as written");
  int32_t rows = compact.RowCount();
  // Writes of every kind the cells keep: digests, their middles, and other texts.
  DigestBytes digests[3] = {};
  for (size_t i = 0; i < given.size() && i < 48; ++i) {
    digests[i / 16][i % 16] = static_cast<unsigned char>(given[i]);
  }
  for (RowStore* store : {&compact, &written}) {
    // As the MD5 worker writes them: to the rows it has just read.
    TextRun texts[3];
    std::shared_ptr<const void> holder;
    std::vector<char> spill;
    uint64_t generation = 0;
    store->ReadColumn(rows / 3, 3, 1, texts, &holder, &spill, &generation);
    store->SetDigests(rows / 3, 3, digests, generation);
    for (size_t i = 0; i + 1 < given.size() && i < 24; i += 2) {
      int32_t row = static_cast<unsigned char>(given[i]) % (rows + 1);
      int32_t column = static_cast<unsigned char>(given[i + 1]) % 4;
      OwnedText current(store->CellText(rows / 3, 2));
      std::string text = current ? current.get() : "";
      if (i % 4 == 2) text = text.size() >= 24 ? text.substr(8, 16) : given.substr(i, 5);
      store->SetCell(row, column, text.c_str(), text.size());
    }
  }
  same("after cell writes");
  compact.DeleteAllRows();
  written.DeleteAllRows();
  same("after the rows were deleted");
}
}  // namespace
}  // namespace vx

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vx;
  fuzzing::LoadListWindow();
  {
    const std::string input(reinterpret_cast<const char*>(data), size);
    CompareForms(ImportedImage(input), input);
    RowStore store;
    store.ReplaceImage(data, static_cast<int64_t>(size));
    if (store.ShareNumberedRows()) CompareForms(input, input);
  }
  const std::string image(reinterpret_cast<const char*>(data), size);
  std::vector<ExpectedRow> expected = WalkImage(image);
  const auto row_count = static_cast<int32_t>(expected.size());
  auto detail = [&] { return "image " + Hex(image); };

  WriteListItems(超级列表框1, fuzzing::AsByteData(image).get());
  VX_FUZZ_CHECK(fuzzing::ListImage() == image, detail());
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
  VX_FUZZ_CHECK(GetRowCount(超级列表框1) == 0 && fuzzing::ListImage() == image, detail());
  // Info tips still come from the image.
  VX_FUZZ_CHECK(row_count == 0 || CopyRowInfoTip(超级列表框1, 0, tip, sizeof tip), detail());
  return 0;
}
