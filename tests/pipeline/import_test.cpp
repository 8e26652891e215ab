// Import: how lines and their texts come out of a file's bytes, the titles, the chunks, and the
// files that cannot be imported.
#include "pipeline/import.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "runtime/heap.h"
#include "tests/pipeline/pipeline_fixture.h"

namespace vx {
namespace {

using namespace std::string_literals;
using testing::ClearShownBoxes;
using testing::CountTitle;
using testing::PipelineTest;
using testing::ReferenceMd5;
using testing::ShownBoxes;
using testing::WriteWholeFile;

class ImportTest : public PipelineTest {
 protected:
  // The file is read under the importing title, before the list is cleared.
  std::vector<std::string> ImportedTitles(int32_t rows) {
    return {kTitleImporting, kTitleClearing, kTitle, kTitleImporting,
            CountTitle(kTitleImportedBefore, rows, kTitleImportedAfter)};
  }
};

TEST_F(ImportTest, OneRowPerCrLfLineWithOrWithoutTheLastLineEnd) {
  for (const std::string& bytes : {"a\r\nb\r\nc\r\n"s, "a\r\nb\r\nc"s}) {
    window.Load();
    Import(bytes);
    EXPECT_EQ(Image(), ImageOf({"a", "b", "c"}));
    EXPECT_EQ(Column(0), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(Column(1), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(Titles(), ImportedTitles(3));
    EXPECT_EQ(headless::RowsMadeVisible(), std::vector<int32_t>{2});
  }
}

TEST_F(ImportTest, EmptyLinesGiveRowsWithoutATextColumn) {
  Import("a\r\n\r\nb");
  EXPECT_EQ(Image(), ImageOf({"a", "", "b"}));

  Import("a\r\n\r\n");  // the last CR LF adds no line, the one before it an empty one
  EXPECT_EQ(Image(), ImageOf({"a", ""}));

  Import("a\r\r\nb\n\r\n");  // a lone CR or LF is part of the text
  EXPECT_EQ(Column(1), (std::vector<std::string>{"a\r", "b\n"}));

  Import("a\nb\nc\n");
  EXPECT_EQ(Image(), ImageOf({"a\nb\nc\n"}));
}

TEST_F(ImportTest, TheTextIsTheLineUpToItsFirstSeparatorOrZeroByte) {
  Import("x----y----z\r\n----y\r\n--\r\nx--y\r\n  blanks kept \r\nab\0cd\r\n中文----尾\r\n"s);
  // The row of "----y" has a text column holding an empty text.
  std::string expected = testing::ImportedRow(1, "x") + testing::RowEntry("2") +
                         testing::ColumnEntry("") + testing::ImportedRow(3, "--") +
                         testing::ImportedRow(4, "x--y") +
                         testing::ImportedRow(5, "  blanks kept ") + testing::ImportedRow(6, "ab") +
                         testing::ImportedRow(7, "中文");
  EXPECT_EQ(Image(), expected);
}

TEST_F(ImportTest, ASeparatorIsFoundOnlyWhereACharacterStarts) {
  // 0x81 leads a two-byte character whose second byte is the first '-'; the separator after it
  // starts at the next character.
  Import(
      "\x81-----\r\n\x81\x81----x\r\n\x81"
      "a\x81----\r\n"s);
  EXPECT_EQ(Column(1), (std::vector<std::string>{"\x81-", "\x81\x81",
                                                 "\x81"
                                                 "a\x81----"}));
}

TEST_F(ImportTest, AnEmptyFileGivesOneEmptyRow) {
  Import("");
  EXPECT_EQ(Image(), ImageOf({""}));
  EXPECT_EQ(Titles(), ImportedTitles(1));
  EXPECT_TRUE(ShownBoxes().empty());
}

// The digests of the rows before are gone with them: none of them pairs with a new row's text,
// whether the new file has fewer, as many or more lines.
TEST_F(ImportTest, ANewImportLeavesNoDigestOfTheRowsBefore) {
  for (const std::string& bytes : {"x\r\n"s, "x\r\ny\r\nz\r\n"s, "x\r\ny\r\nz\r\nw\r\n"s}) {
    Import("a\r\nb\r\nc\r\n");
    RunPass();
    ASSERT_EQ(Cell(2, 2), ReferenceMd5("c"));
    Import(bytes);
    for (int32_t row = 0; row < GetRowCount(超级列表框1); ++row) {
      EXPECT_EQ(Cell(row, 2), "") << row;
      EXPECT_EQ(Cell(row, 3), "") << row;
    }
  }
}

TEST_F(ImportTest, CancellingTheDialogChangesNothing) {
  Import("a\r\nb");
  size_t titles = Titles().size();
  headless::CancelNextFileDialog();
  Choose(kImportEntry);
  EXPECT_EQ(Titles().size(), titles);
  EXPECT_EQ(Image(), ImageOf({"a", "b"}));
}

// A file that cannot be read is reported, and the list and its image stay; the title, which
// said that the file was being read, goes back to what it was.
TEST_F(ImportTest, AFileThatCannotBeReadChangesNothing) {
  Import("kept\r\n");
  std::string locked = WriteInput("locked", "locked.txt");
  FileNumber holder = OpenFile(locked.c_str(), kOpenToRead, kShareNothing);
  ASSERT_NE(holder, 0);
  std::vector<std::string> paths = {directory + "/missing.txt", directory, locked};
  // A sparse file of a terabyte, which takes no disk: more than memory holds. (Wine makes no
  // sparse file that large.)
  std::string too_large = directory + "/too_large.txt";
#if !defined(_WIN32)
  WriteWholeFile(too_large, "");
  std::filesystem::resize_file(too_large, (uint64_t{1} << 40) + 3);
  paths.push_back(too_large);
#endif
  const std::string imported = CountTitle(kTitleImportedBefore, 1, kTitleImportedAfter);
  for (const std::string& path : paths) {
    ClearShownBoxes();
    size_t titles = Titles().size();
    headless::ConfirmNextFileDialog(path);
    Choose(kImportEntry);
    std::vector<std::string> shown = Titles();
    EXPECT_EQ(std::vector<std::string>(shown.begin() + static_cast<ptrdiff_t>(titles), shown.end()),
              (std::vector<std::string>{kTitleImporting, imported}))
        << path;
    ASSERT_EQ(ShownBoxes().size(), 1u) << path;
    EXPECT_EQ(ShownBoxes()[0].text, path == too_large ? kImportTooLarge : kImportFailed + path);
    EXPECT_EQ(ShownBoxes()[0].caption, kMessageCaption);
    EXPECT_EQ(ShownBoxes()[0].style, 16u | kMbTaskModal);
  }
  CloseFile(holder);
  EXPECT_EQ(Image(), ImageOf({"kept"}));
  EXPECT_EQ(Column(1), std::vector<std::string>{"kept"});
}

// A file of more than 2 GiB is read whole: its first and its last line arrive, and the zeros
// between them are one empty text.
TEST_F(ImportTest, AFileOfMoreThan2GiBIsImportedWhole) {
#if defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "2 GiB of one thread's memory, which ThreadSanitizer's shadow would multiply";
#endif
  constexpr uint64_t kSize = (uint64_t{1} << 31) + 5;
  std::string path = WriteInput("first\r\n", "largest.txt");
  std::filesystem::resize_file(path, kSize);  // sparse
  {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(kSize - 6));
    file.write("\r\nlast", 6);
  }
  headless::ConfirmNextFileDialog(path);
  Choose(kImportEntry);
  EXPECT_TRUE(ShownBoxes().empty());
  EXPECT_EQ(Image(), ImageOf({"first", "", "last"}));
  EXPECT_EQ(Titles(), ImportedTitles(3));
}

// The rows' pointers are made room for by the lines of the file's first megabytes: a file whose
// later lines are much shorter needs more room on the way, and every line still arrives.
TEST_F(ImportTest, AFileWhoseLaterLinesAreShorterIsImportedWhole) {
  std::string bytes;
  for (int i = 0; i < 5000; ++i) bytes += std::string(1000, 'a' + i % 26) + "----x\r\n";
  for (int i = 0; i < 400000; ++i) bytes += std::to_string(i % 10) + "\r\n";
  bytes += "last";
  Import(bytes);
  ASSERT_EQ(GetRowCount(超级列表框1), 405001);
  EXPECT_EQ(Cell(4999, 1), std::string(1000, 'a' + 4999 % 26));
  EXPECT_EQ(Cell(5000, 1), "0");
  EXPECT_EQ(Cell(404999, 1), "9");
  EXPECT_EQ(Cell(405000, 0), "405001");
  EXPECT_EQ(Cell(405000, 1), "last");
}

// 50,000 lines make a chunk, and the window's pending events are handled after each chunk, the
// last one too, and after each piece of the file read (one here).
TEST_F(ImportTest, PendingEventsAreHandledAfterEveryChunkOf50000Lines) {
  for (int32_t lines : {49999, 50000, 50001, 100000, 100001}) {
    window.Load();
    std::string bytes;
    for (int32_t i = 1; i <= lines; ++i) bytes += std::to_string(i) + "\r\n";
    Import(bytes);
    EXPECT_EQ(headless::PendingEventRuns(), (lines + kLinesPerChunk - 1) / kLinesPerChunk + 1)
        << lines;
    EXPECT_EQ(GetRowCount(超级列表框1), lines);
    EXPECT_EQ(Cell(lines - 1, 0), std::to_string(lines));
    EXPECT_EQ(Cell(lines - 1, 1), std::to_string(lines));
  }
}

// One command at a time: the busy menu shows from the reading of the file to the closing title,
// so a command chosen before the import took the window (its event still queued) does not run
// inside the import, nor after it.
TEST_F(ImportTest, NoOtherCommandRunsWhileTheImportAnswersTheWindow) {
  // Static, for the handler to reach: emptied for each run of the test.
  static int32_t exports_run;
  exports_run = 0;
  window.Entry(kExportEntry).chosen = [] { ++exports_run; };
  window.Load();
  headless::ConfirmNextFileDialog(WriteInput("1\r\n2\r\n3\r\n"));
  headless::RightClick(超级列表框1);
  ASSERT_TRUE(headless::ChooseFromPopup(kImportEntry));
  headless::RightClick(超级列表框1);
  ASSERT_TRUE(headless::ChooseFromPopup(kExportEntry));
  headless::Pump();
  EXPECT_EQ(exports_run, 0);
  EXPECT_EQ(GetRowCount(超级列表框1), 3);

  // From the busy menu before the first read to the idle menu just before the closing title.
  std::vector<std::string> requests = headless::Requests();
  auto at = [&](const std::string& request) {
    return std::find(requests.begin(), requests.end(), request) - requests.begin();
  };
  auto menu = [](UnitRef entry, bool visible) {
    return "menu " + std::to_string(entry.unit) + (visible ? " 1" : " 0");
  };
  ptrdiff_t closing = at("title " + CountTitle(kTitleImportedBefore, 3, kTitleImportedAfter));
  ASSERT_LT(closing, static_cast<ptrdiff_t>(requests.size()));
  EXPECT_LT(at(menu(kImportEntry, false)), at(std::string("title ") + kTitleImporting));
  EXPECT_LT(at("rows replaced 3"), at(menu(kImportEntry, true)));
  EXPECT_EQ(at(menu(kUnavailableEntry, false)) + 1, closing);
}

// The runtime heap has room for the file's bytes but not for its rows: the import is refused and
// leaves no row of the file, nor of the list before it.
TEST_F(ImportTest, RowsThatMemoryCannotHoldAreRefusedAndLeaveTheListEmpty) {
  Import("before\r\n");
  std::string bytes;
  for (int i = 0; i < 20000; ++i) bytes += "x\r\n";  // a pointer of 8 bytes a row: 160 kB
  std::string path = WriteInput(bytes, "many.txt");
  ClearShownBoxes();
  headless::ConfirmNextFileDialog(path);
  SetHeapLimitForTesting(HeapBytesInUse() + 100000);
  Choose(kImportEntry);
  SetHeapLimitForTesting(-1);
  ASSERT_EQ(ShownBoxes().size(), 1u);
  EXPECT_EQ(ShownBoxes()[0].text, kImportTooLarge);
  EXPECT_EQ(ShownBoxes()[0].caption, kMessageCaption);
  EXPECT_EQ(ShownBoxes()[0].style, 16u | kMbTaskModal);
  EXPECT_EQ(Titles().back(), kTitle);
  EXPECT_EQ(GetRowCount(超级列表框1), 0);
  EXPECT_EQ(Image(), "");
}

// The general loader: other separators, several columns, and rows added after the present ones.
TEST_F(ImportTest, TheLoaderAppendsRowsWithSeveralColumns) {
  ASSERT_EQ(LoadLinesIntoList(超级列表框1, "", "a|b|c\r\nd||e\r\n", "|", 2, false),
            LoadResult::kLoaded);
  ASSERT_EQ(LoadLinesIntoList(超级列表框1, "", "f|g|", "|", 5), LoadResult::kLoaded);
  using testing::ColumnEntry;
  using testing::RowEntry;
  EXPECT_EQ(Image(), RowEntry("1") + ColumnEntry("a") + ColumnEntry("b") + RowEntry("2") +
                         ColumnEntry("d") + ColumnEntry("") + RowEntry("3") + ColumnEntry("f") +
                         ColumnEntry("g"));
  EXPECT_EQ(Column(2), (std::vector<std::string>{"b", "", "g"}));
  EXPECT_EQ(LoadLinesIntoList(超级列表框1, (directory + "/missing").c_str()),
            LoadResult::kUnreadable);
  EXPECT_EQ(GetRowCount(超级列表框1), 3);
}

TEST(MakeColumnEntries, CutsAsTextSplittingDoes) {
  auto entries = [](const char* line, const char* separator, int32_t count) {
    return testing::BytesOf(OwnedByteData(MakeColumnEntries(line, separator, count)).get());
  };
  using testing::ColumnEntry;
  EXPECT_EQ(entries("", "----", 1), "");
  EXPECT_EQ(entries("abc", "", 3), ColumnEntry("abc"));
  EXPECT_EQ(entries("a,b,c", ",", 0), ColumnEntry("a"));
  EXPECT_EQ(entries("a,b,c", ",", 2), ColumnEntry("a") + ColumnEntry("b"));
  EXPECT_EQ(entries("a,,b,", ",", 9), ColumnEntry("a") + ColumnEntry("") + ColumnEntry("b"));
  EXPECT_EQ(entries(",a", ",", 9), ColumnEntry("") + ColumnEntry("a"));
}

}  // namespace
}  // namespace vx
