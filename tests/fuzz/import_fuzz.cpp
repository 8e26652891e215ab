// Imports the input as a file's contents into an empty list, then removes the duplicate rows,
// and checks both results against the lines found by a plain walk of the contents: a row per
// line, numbered from 1, with the line's text up to its first "----"; then the rows of the
// distinct keys, first seen first, numbered again.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_set>
#include <vector>

#include "pipeline/import.h"
#include "pipeline/remove_duplicates.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/runtime/split_model.h"
#include "ui/list_control.h"
#include "ui/units.h"

namespace vx {
namespace {

using fuzzing::Hex;

// A line's row: its text, and whether it has a text entry at all (an empty line has none).
struct ExpectedRow {
  std::string text;
  bool has_text_entry;
};

// A line's text ends at its first zero byte, and its row shows it up to the first "----" that
// begins where a character does (a byte of 0x80 or above leads a two-byte character).
ExpectedRow RowOfLine(const std::string& line) {
  std::string text = line.substr(0, line.find('\0'));
  if (text.empty()) return {"", false};
  return {testing::WalkSplit(text, "----", 1, testing::SplitUnits::kGbkCharacters)[0], true};
}

// The image as the pipeline writes it: per row its number, then its text entry if it has one.
std::string ImageOf(const std::vector<ExpectedRow>& rows) {
  std::string image;
  for (size_t i = 0; i < rows.size(); ++i) {
    image += fuzzing::kRowHeader + std::to_string(i + 1) + std::string(2, '\0');
    if (rows[i].has_text_entry) {
      image += fuzzing::kColumnHeader + rows[i].text + std::string(2, '\0');
    }
  }
  return image;
}

std::string CellText(int32_t row, int32_t column) {
  OwnedText text(GetCellText(超级列表框1, row, column));
  return text ? text.get() : "";
}

// The rows the list shows and its image, against the expected rows.
void CheckList(const std::vector<ExpectedRow>& rows, const std::string& contents,
               const char* stage) {
  auto detail = [&] { return std::string(stage) + ": contents " + Hex(contents); };
  VX_FUZZ_CHECK(GetRowCount(超级列表框1) == static_cast<int32_t>(rows.size()),
                detail() + "\nrows " + std::to_string(GetRowCount(超级列表框1)) + ", expected " +
                    std::to_string(rows.size()));
  for (size_t i = 0; i < rows.size(); ++i) {
    auto row = static_cast<int32_t>(i);
    VX_FUZZ_CHECK(CellText(row, 0) == std::to_string(i + 1) && CellText(row, 1) == rows[i].text &&
                      CellText(row, 2).empty() && CellText(row, 3).empty(),
                  detail() + "\nrow " + std::to_string(i) + ": " + Hex(CellText(row, 0)) + " " +
                      Hex(CellText(row, 1)) + ", expected text " + Hex(rows[i].text));
  }
  std::string image = fuzzing::ListImage();
  VX_FUZZ_CHECK(image == ImageOf(rows), detail() + "\nimage " + Hex(image));
}

std::string file_path;

void RemoveFile() {
  std::remove(file_path.c_str());
  rmdir(file_path.substr(0, file_path.rfind('/')).c_str());
}

// The file that each run writes, in a directory of its own, in memory where possible: rewriting
// a file on disk may flush it each time.
void MakeFileDirectory() {
  std::string directory =
      std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/vextorin-import-XXXXXX";
  if (!mkdtemp(&directory[0])) std::abort();
  file_path = directory + "/lines.txt";
  std::atexit(RemoveFile);
}

}  // namespace
}  // namespace vx

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vx;
  if (file_path.empty()) MakeFileDirectory();
  fuzzing::LoadListWindow();
  const std::string contents(reinterpret_cast<const char*>(data), size);
  std::remove(file_path.c_str());  // a new file each time: truncating one may flush it
  FILE* file = std::fopen(file_path.c_str(), "wb");
  if (!file || std::fwrite(contents.data(), 1, contents.size(), file) != contents.size() ||
      std::fclose(file) != 0) {
    std::abort();
  }

  std::vector<ExpectedRow> imported;
  for (const std::string& line : testing::WalkBufferSplit(contents, "\r\n", -1)) {
    imported.push_back(RowOfLine(line));
  }

  WriteListItems(超级列表框1, nullptr);  // an import starts from an empty list
  VX_FUZZ_CHECK(LoadLinesIntoList(超级列表框1, file_path.c_str()) == LoadResult::kLoaded,
                "contents " + Hex(contents));
  CheckList(imported, contents, "import");

  // Rows without a text entry go; of the rest the first of every text stays. A present but
  // empty text is a text like any other.
  std::vector<ExpectedRow> distinct;
  std::unordered_set<std::string> seen;
  for (const ExpectedRow& row : imported) {
    if (row.has_text_entry && seen.insert(row.text).second) distinct.push_back(row);
  }
  RemoveDuplicateRows(超级列表框1, 1, true);
  CheckList(distinct, contents, "duplicate removal");
  return 0;
}
