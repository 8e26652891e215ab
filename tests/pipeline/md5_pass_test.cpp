// The MD5 pass: the digests of every row against an MD5 of the tests' own, the titles, the busy
// and idle menus, and starting it again.
#include "pipeline/md5_pass.h"

#include "tests/pipeline/pipeline_fixture.h"

namespace vx {
namespace {

using namespace std::string_literals;
using testing::CountTitle;
using testing::PipelineTest;
using testing::ReferenceMd5;

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

TEST_F(Md5PassTest, TheMenuIsBusyWhileThePassRunsAndTitlesReportTheCount) {
  std::string bytes;
  for (int i = 0; i < 20000; ++i) bytes += std::to_string(i * 7919) + "\r\n";
  Import(bytes);
  size_t titles = Titles().size();
  size_t menu = headless::MenuVisibilityChanges().size();
  Choose(kStartPassEntry);
  // The worker cannot finish before the window handles its menu and title changes.
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

}  // namespace
}  // namespace vx
