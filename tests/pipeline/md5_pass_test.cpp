// The MD5 pass: the digests of every row against an MD5 of the tests' own, the titles, the busy
// and idle menus, and starting it again.
#include "pipeline/md5_pass.h"

#include <algorithm>
#include <cstdio>

#include "runtime/heap.h"
#include "runtime/md5_lanes.h"
#include "runtime/runtime.h"
#include "tests/pipeline/pipeline_fixture.h"
#include "tests/ui/visited_rows.h"

namespace vx {
namespace {

using namespace std::string_literals;
using testing::CountTitle;
using testing::PipelineTest;
using testing::ReferenceMd5;

using testing::kFatalExitCode;

class Md5PassTest : public PipelineTest {
 protected:
  // Every row's digest columns as the reference MD5 gives them for its text.
  void ExpectDigestsOfEveryRow() {
    for (int32_t row = 0; row < GetRowCount(超级列表框1); ++row) {
      std::string digest = ReferenceMd5(Cell(row, 1));
      ASSERT_EQ(Cell(row, 2), digest) << row;
      ASSERT_EQ(Cell(row, 3), digest.substr(8, 16)) << row;
    }
  }

  // The menu changes since `from`, as "entry visible" pairs.
  static std::vector<std::pair<int32_t, bool>> MenuChanges(size_t from) {
    std::vector<std::pair<int32_t, bool>> changes;
    std::vector<headless::MenuVisibilityChange> all = headless::MenuVisibilityChanges();
    for (size_t i = from; i < all.size(); ++i)
      changes.push_back({all[i].entry.unit, all[i].visible});
    return changes;
  }

  static std::vector<std::pair<int32_t, bool>> MenuSwitch(bool busy) {
    std::vector<std::pair<int32_t, bool>> changes;
    for (UnitRef entry :
         {kSeparatorAfterImport, kSeparatorAfterStartPass, kSeparatorAfterExport, kExportEntry,
          kImportEntry, kClearListEntry, kRemoveDuplicatesEntry, kStartPassEntry}) {
      changes.push_back({entry.unit, !busy});
    }
    changes.push_back({kUnavailableEntry.unit, busy});
    return changes;
  }
};

TEST_F(Md5PassTest, EveryRowGetsTheDigestOfItsTextsBytes) {
  std::string long_text(1000, 'x');
  long_text[511] = 'y';
  Import("The quick brown fox jumps over the lazy dog\r\n\r\n----\r\n中文姓名\r\n" + long_text +
         "\r\n13800138000\r\n" + std::string(511, 'z') + "\r\n");
  RunPass();
  ASSERT_EQ(GetRowCount(超级列表框1), 7);
  EXPECT_EQ(Cell(0, 2), "9e107d9d372bb6826bd81d3542a419d6");  // RFC 1321's reference tools
  EXPECT_EQ(Cell(1, 2), "d41d8cd98f00b204e9800998ecf8427e");  // an empty line: empty input
  EXPECT_EQ(Cell(1, 3), "8f00b204e9800998");
  EXPECT_EQ(Cell(2, 2), "d41d8cd98f00b204e9800998ecf8427e");
  ExpectDigestsOfEveryRow();
  EXPECT_EQ(next_row.load(), 0);
}

// Rows of every length from 0 to 300 and a few long ones share the blocks the worker takes, and
// rows whose text cell was written after the import are digested by what the cell holds: at every
// level of vector lanes the processor has.
TEST_F(Md5PassTest, RowsOfMixedLengthsInOneBlockAtEveryLevel) {
  std::string bytes;
  for (int32_t i = 0; i < 3000; ++i) {
    std::string text =
        i % 500 == 7 ? std::string(70000 + i, 'L') : std::string((i * 7) % 301, 'a' + i % 26);
    bytes += text + "\r\n";
  }
  for (Md5Level level : {Md5Level::kScalar, Md5Level::kAvx2, Md5Level::kAvx512}) {
    CapMd5Level(level);
    Import(bytes);
    for (int32_t row = 5; row < 3000; row += 301) {
      SetCellText(超级列表框1, row, 1, ("written " + std::to_string(row)).c_str());
    }
    RunPass();
    ExpectDigestsOfEveryRow();
    EXPECT_EQ(Cell(5, 1), "written 5");
  }
  CapMd5Level(Md5Level::kAvx512);
}

TEST_F(Md5PassTest, TheMenuIsBusyWhileThePassRunsAndTitlesReportTheCount) {
  std::string bytes;
  for (int i = 0; i < 20000; ++i) bytes += std::to_string(i * 7919) + "\r\n";
  Import(bytes);
  size_t titles = Titles().size();
  size_t menu = headless::MenuVisibilityChanges().size();
  // The worker waits for its first row until the second start below, however fast it is.
  EnterLock(row_lock);
  Choose(kStartPassEntry);
  EXPECT_EQ(Titles().back(), CountTitle(kTitlePassRunningBefore, 20000, kTitlePassRunningAfter));
  EXPECT_EQ(MenuChanges(menu), MenuSwitch(true));
  headless::RightClick(超级列表框1);
  std::vector<headless::PopupLine> lines = headless::Popups().back().lines;
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(lines[0].separator);
  EXPECT_EQ(lines[0].entry, kSeparatorAfterRemoveDuplicates);
  EXPECT_EQ(lines[1].caption, "菜单暂时不可用");
  EXPECT_TRUE(lines[1].greyed);
  EXPECT_FALSE(headless::ChooseFromPopup(kUnavailableEntry));

  StartMd5Pass();  // a second start while running: ignored
  EXPECT_EQ(Titles().size(), titles + 1);
  EXPECT_EQ(headless::MenuVisibilityChanges().size(), menu + 9);
  LeaveLock(row_lock);

  WaitForPass();
  std::vector<std::string> all = Titles();
  EXPECT_EQ(std::vector<std::string>(all.begin() + titles, all.end()),
            (std::vector<std::string>{
                CountTitle(kTitlePassRunningBefore, 20000, kTitlePassRunningAfter),
                CountTitle(kTitlePassCompleteBefore, 20000, kTitlePassCompleteAfter)}));
  EXPECT_EQ(MenuChanges(menu + 9), MenuSwitch(false));
  ExpectDigestsOfEveryRow();
}

TEST_F(Md5PassTest, AnEmptyListCompletesAtOnceWithZero) {
  RunPass();
  EXPECT_EQ(Titles(), (std::vector<std::string>{
                          CountTitle(kTitlePassRunningBefore, 0, kTitlePassRunningAfter),
                          CountTitle(kTitlePassCompleteBefore, 0, kTitlePassCompleteAfter)}));
  std::vector<std::pair<int32_t, bool>> busy_then_idle = MenuSwitch(true);
  for (const auto& change : MenuSwitch(false)) busy_then_idle.push_back(change);
  EXPECT_EQ(MenuChanges(0), busy_then_idle);
}

// The window paints while the worker writes: every turn it handles its queue, reads the row
// count and the cells of the rows around the one being digested, as a view scrolled along would,
// and an info tip. A digest cell is empty or whole, and the 16-digit one is never there before
// the 32-digit one it is cut from.
TEST_F(Md5PassTest, TheWindowReadsTheRowsThatThePassIsWriting) {
  constexpr int32_t kRows = 60000;
  std::string bytes;
  for (int32_t i = 0; i < kRows; ++i) bytes += "text " + std::to_string(i * 37) + "\r\n";
  Import(bytes);
  auto text_of = [](int32_t row) { return "text " + std::to_string(row * 37); };

  Choose(kStartPassEntry);
  int64_t rows_seen_digested = 0;
  char cell[64];
  while (!PassComplete()) {
    headless::Pump();
    ASSERT_EQ(GetRowCount(超级列表框1), kRows);
    int32_t first = std::max(0, std::min(next_row.load(), kRows) - 16);
    for (int32_t row = first; row < std::min(first + 32, kRows); ++row) {
      for (int32_t column = 0; column < 4; ++column) {
        CopyCellText(超级列表框1, row, column, cell, sizeof cell);
      }
      // The three cells at once, as the export reads them.
      testing::VisitedRows visited(3);
      ASSERT_EQ(VisitListRows(超级列表框1, row, 1, 1, 3, &testing::VisitedRows::Take, &visited), 1);
      std::vector<std::string> cells = visited.Cells(0);
      const std::string& text = cells[0];
      ASSERT_EQ(text, text_of(row));
      const std::string& digest = cells[1];
      const std::string& short_digest = cells[2];
      if (digest.empty()) {
        ASSERT_EQ(short_digest, "") << row;
        continue;
      }
      std::string expected = ReferenceMd5(text);
      ASSERT_EQ(digest, expected) << row;
      if (!short_digest.empty()) {
        ASSERT_EQ(short_digest, expected.substr(8, 16)) << row;
      }
      ++rows_seen_digested;
    }
    ASSERT_EQ(Cell(first, 1), text_of(first));
    char tip[16] = "unchanged";
    ASSERT_TRUE(CopyRowInfoTip(超级列表框1, first, tip, sizeof tip));
    ASSERT_STREQ(tip, "");
  }
  EXPECT_GT(rows_seen_digested, 0);
  ExpectDigestsOfEveryRow();
}

// The worker digests the first block of rows alone and then two at a time, the second on a core
// of its own: every row is digested, whether the rows end one short of, at or one past a block.
TEST_F(Md5PassTest, EveryRowIsDigestedWhereverTheRowsEndAmongTheBlocks) {
  constexpr int32_t kBlock = RowStore::kMostRowsPerBlock;
  // After the first block, the worker and its helper take four blocks each at a time.
  for (int32_t rows : {kBlock - 1, kBlock, kBlock + 1, 2 * kBlock, 2 * kBlock + 1, 3 * kBlock - 1,
                       3 * kBlock, 3 * kBlock + 1, 5 * kBlock - 1, 5 * kBlock, 5 * kBlock + 1,
                       9 * kBlock - 1, 9 * kBlock, 9 * kBlock + 1, 15 * kBlock + 1}) {
    std::string bytes;
    for (int32_t i = 0; i < rows; ++i) bytes += std::to_string(i * 7919) + "\r\n";
    Import(bytes);
    RunPass();
    ASSERT_EQ(GetRowCount(超级列表框1), rows);
    ExpectDigestsOfEveryRow();
    EXPECT_EQ(next_row.load(), 0);
    EXPECT_EQ(Titles().back(), CountTitle(kTitlePassCompleteBefore, rows, kTitlePassCompleteAfter));
  }
}

TEST_F(Md5PassTest, ASecondPassDigestsEveryRowAgainFromTheFirst) {
  Import("a\r\nb\r\nc\r\n");
  RunPass();
  for (int32_t row = 0; row < 3; ++row) {
    SetCellText(超级列表框1, row, 2, "stale");
    SetCellText(超级列表框1, row, 3, "stale");
  }
  RunPass();
  ExpectDigestsOfEveryRow();
  EXPECT_EQ(Titles().back(), CountTitle(kTitlePassCompleteBefore, 3, kTitlePassCompleteAfter));
}

using Md5PassDeathTest = Md5PassTest;

// Memory runs out on the worker at its first digest: the runtime's report names the size asked
// for, and the UI thread, which takes the exit over, ends the process with -1.
TEST_F(Md5PassDeathTest, MemoryThatRunsOutDuringThePassIsAFatalError) {
  std::string bytes;
  for (int32_t i = 0; i < 1000; ++i) bytes += std::to_string(i) + "\r\n";
  Import(bytes);
  EXPECT_EXIT(
      {
        RegisterExitRoutine(testing::RemoveTemporaryDirectories);
        // The worker waits for row_lock until the window's own allocations are made.
        EnterLock(row_lock);
        Choose(kStartPassEntry);
        SetAllocationFailureForTesting(true);
        LeaveLock(row_lock);
        for (;;) {
          headless::Pump();
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
      },
      ::testing::ExitedWithCode(kFatalExitCode), testing::FailedAllocationBox(1));
}

}  // namespace
}  // namespace vx
