// The task-bar button's progress during the long commands: each shows it rising to all of its
// rows and takes it off at its end, failed or not; a short command shows none.
#include "pipeline/command_progress.h"

#include "runtime/files.h"
#include "tests/pipeline/pipeline_fixture.h"

namespace vx {
namespace {

using testing::PipelineTest;

using Shown = std::vector<headless::TaskbarProgressChange>;

class CommandProgressTest : public PipelineTest {
 protected:
  void TearDown() override {
    ShowProgressAtOnceForTesting(false);
    PipelineTest::TearDown();
  }

  // What the button showed since the last call.
  Shown ShownSinceLastLook() {
    Shown all = headless::TaskbarProgressChanges();
    Shown since(all.begin() + static_cast<ptrdiff_t>(looked_at_), all.end());
    looked_at_ = all.size();
    return since;
  }

  // One command's progress: it started before the end, never went back, reached all `rows` (or
  // what else it counts) and was then taken off, once.
  static void ExpectRoseToAllAndCleared(const Shown& shown, uint64_t rows, const char* command) {
    SCOPED_TRACE(command);
    ASSERT_GE(shown.size(), 3u);
    EXPECT_LT(shown.front().done, rows);
    for (size_t i = 0; i + 1 < shown.size(); ++i) {
      EXPECT_EQ(shown[i].total, rows) << i;
      if (i > 0) {
        EXPECT_GE(shown[i].done, shown[i - 1].done) << i;
      }
    }
    EXPECT_EQ(shown[shown.size() - 2].done, rows);
    EXPECT_EQ(shown.back().total, 0u) << "taken off at the end";
  }

  size_t looked_at_ = 0;
};

// More lines than one chunk of the import, one block of the pass and of the export, and enough
// rows for duplicate removal to work on two threads.
TEST_F(CommandProgressTest, EachLongCommandRisesToAllRowsAndIsTakenOff) {
  ShowProgressAtOnceForTesting(true);
  constexpr int kLines = 150000;
  constexpr int kKept = 135000;
  std::string bytes;
  for (int i = 0; i < kLines; ++i) bytes += std::to_string(i % kKept) + "\r\n";

  Import(bytes);
  // Counted in the file's bytes: reading them, then making their rows.
  ExpectRoseToAllAndCleared(ShownSinceLastLook(), 2 * bytes.size(), "import");
  Choose(kRemoveDuplicatesEntry);
  ASSERT_EQ(GetRowCount(超级列表框1), kKept);
  ExpectRoseToAllAndCleared(ShownSinceLastLook(), kLines, "duplicate removal");
  RunPass();
  ExpectRoseToAllAndCleared(ShownSinceLastLook(), kKept, "MD5 pass");
  headless::ConfirmNextFileDialog(directory + "/out.txt");
  Choose(kExportEntry);
  ExpectRoseToAllAndCleared(ShownSinceLastLook(), kKept, "export");
}

// The disk fills up after the first lines: the export fails, and the button shows no progress
// afterwards.
TEST_F(CommandProgressTest, AFailedExportTakesItOffToo) {
  std::string bytes;
  for (int i = 0; i < 200000; ++i) bytes += std::to_string(i) + "\r\n";  // more than a block
  Import(bytes);
  RunPass();
  ShownSinceLastLook();
  ShowProgressAtOnceForTesting(true);
  testing::ClearShownBoxes();
  SimulateFullDiskAfter(100);
  headless::ConfirmNextFileDialog(directory + "/out.txt");
  Choose(kExportEntry);
  SimulateFullDiskAfter(-1);
  ASSERT_EQ(testing::ShownBoxes().size(), 1u);
  EXPECT_EQ(testing::ShownBoxes()[0].style & 0xF0, 16u) << "the failure was reported";

  Shown shown = ShownSinceLastLook();
  ASSERT_GE(shown.size(), 2u);
  EXPECT_EQ(shown.front().total, 200000u);
  EXPECT_LT(shown[shown.size() - 2].done, 200000u);
  EXPECT_EQ(shown.back().total, 0u);
}

// Commands on a few rows end long before the progress would show.
TEST_F(CommandProgressTest, ShortCommandsShowNone) {
  Import("a\r\nb\r\na\r\n");
  Choose(kRemoveDuplicatesEntry);
  RunPass();
  headless::ConfirmNextFileDialog(directory + "/out.txt");
  Choose(kExportEntry);
  EXPECT_EQ(GetRowCount(超级列表框1), 2);
  EXPECT_TRUE(ShownSinceLastLook().empty());
}

}  // namespace
}  // namespace vx
