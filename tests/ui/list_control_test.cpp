#include "ui/list_control.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "tests/pipeline/reference_md5.h"
#include "tests/test_support.h"
#include "tests/ui/items_image.h"
#include "tests/ui/test_window.h"
#include "ui/window_headless.h"

namespace vx {
namespace {

using testing::ImportedRow;
using testing::RowEntry;

#ifdef _WIN32
constexpr int kFatalExitCode = -1;
#else
constexpr int kFatalExitCode = 255;
#endif

class ListControlTest : public ::testing::Test {
 protected:
  void SetUp() override { window.Load(); }

  void WriteItems(const std::string& image) {
    WriteListItems(超级列表框1, testing::AsByteData(image).get());
  }
  std::string Cell(int32_t row, int32_t column) {
    return testing::TextOf(GetCellText(超级列表框1, row, column));
  }

  testing::TestWindow window;
};

TEST_F(ListControlTest, ItemsWriteReplacesTheRowsAndTellsTheWindow) {
  std::string image = ImportedRow(1, "13800000000") + ImportedRow(2, "13900000000");
  WriteItems(image);
  EXPECT_EQ(GetRowCount(超级列表框1), 2);
  EXPECT_EQ(Cell(1, 1), "13900000000");
  EXPECT_EQ(testing::BytesOf(OwnedByteData(ReadListItems(超级列表框1)).get()), image);

  ASSERT_TRUE(SetCellText(超级列表框1, 0, 2, "digest"));
  DeleteAllRows(超级列表框1);
  EXPECT_EQ(GetRowCount(超级列表框1), 0);
  EXPECT_EQ(testing::BytesOf(OwnedByteData(ReadListItems(超级列表框1)).get()), image);

  WriteListItems(超级列表框1, nullptr);
  EXPECT_EQ(ReadListItems(超级列表框1), nullptr);
  std::vector<std::string> expected = {"show", "rows replaced 2", "rows replaced 0",
                                       "rows replaced 0"};
  EXPECT_EQ(headless::Requests(), expected);
}

TEST_F(ListControlTest, CellWritesNotifyTheViewOnlyWhenTaken) {
  WriteItems(ImportedRow(1, "a"));
  EXPECT_EQ(headless::RowsChangedNotices(), 0);
  EXPECT_TRUE(SetCellText(超级列表框1, 0, 3, "0123456789abcdef"));
  EXPECT_TRUE(SetCellText(超级列表框1, 0));  // text omitted: the cell becomes empty
  EXPECT_EQ(GetCellText(超级列表框1, 0), nullptr);
  EXPECT_FALSE(SetCellText(超级列表框1, 1, 0, "x"));
  EXPECT_FALSE(SetCellText(超级列表框1, 0, 4, "x"));
  EXPECT_EQ(headless::RowsChangedNotices(), 2);
  EXPECT_EQ(Cell(0, 3), "0123456789abcdef");
}

// The fast ways in and out tell the window as the ordinary ones do.
TEST_F(ListControlTest, ImagesHandedOverAndCellsWrittenAtOnceTellTheWindow) {
  std::string image = ImportedRow(1, "a") + ImportedRow(2, "b");
  HandOverListItems(超级列表框1, testing::AsByteData(image).release());
  EXPECT_EQ(GetRowCount(超级列表框1), 2);
  ListItemsView view = ShareListItems(超级列表框1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(view.bytes), view.length), image);

  DigestBytes digests[2] = {{0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef, 0x01, 0x23, 0x45, 0x67,
                             0x89, 0xab, 0xcd, 0xef}};
  TextRun texts[2];
  std::shared_ptr<const void> holder;
  std::vector<char> spill;
  uint64_t generation;
  ASSERT_EQ(ReadListColumn(超级列表框1, 0, 2, 1, texts, &holder, &spill, &generation), 2);
  EXPECT_EQ(std::string(texts[1].text, texts[1].length), "b");
  EXPECT_EQ(SetListDigests(超级列表框1, 1, 2, digests, generation), 1);
  EXPECT_EQ(SetListDigests(超级列表框1, 2, 1, digests, generation), 0);
  EXPECT_EQ(headless::RowsChangedNotices(), 1);
  EXPECT_EQ(Cell(1, 2), "0123456789abcdef0123456789abcdef");
  EXPECT_EQ(Cell(1, 3), "89abcdef01234567");

  HandOverListItems(超级列表框1, nullptr);
  EXPECT_EQ(GetRowCount(超级列表框1), 0);
  EXPECT_EQ(ShareListItems(超级列表框1).length, 0);
  std::vector<std::string> expected = {"show", "rows replaced 2", "rows replaced 0"};
  EXPECT_EQ(headless::Requests(), expected);
}

TEST_F(ListControlTest, EnsureRowVisibleScrollsOnlyToRowsThatExist) {
  WriteItems(ImportedRow(1, "a") + ImportedRow(2, "b"));
  EnsureRowVisible(超级列表框1, 1);
  EnsureRowVisible(超级列表框1, 2);  // the row count: no such row
  EnsureRowVisible(超级列表框1, -1);
  EXPECT_EQ(headless::RowsMadeVisible(), std::vector<int32_t>{1});
  EXPECT_EQ(GetCellText(超级列表框1, 2, 0), nullptr);
}

// The control's type-to-find: from its start row on, past the last row to the first.
TEST_F(ListControlTest, RowsAreFoundByTheStartOfTheirNumberWrappingPastTheEnd) {
  EXPECT_EQ(FindRowStartingWith(超级列表框1, 0, "1", 1), -1);  // no rows
  std::string image;
  for (int32_t number = 1; number <= 12; ++number) image += ImportedRow(number, "x");
  WriteItems(image);
  EXPECT_EQ(FindRowStartingWith(超级列表框1, 0, "1", 1), 0);
  EXPECT_EQ(FindRowStartingWith(超级列表框1, 1, "1", 1), 9);    // "10"
  EXPECT_EQ(FindRowStartingWith(超级列表框1, 11, "1", 1), 11);  // "12", the last row
  EXPECT_EQ(FindRowStartingWith(超级列表框1, 10, "3", 1), 2);   // wraps
  EXPECT_EQ(FindRowStartingWith(超级列表框1, 5, "12", 2), 11);
  EXPECT_EQ(FindRowStartingWith(超级列表框1, 12, "2", 1), 1);  // a start past the end wraps too
  EXPECT_EQ(FindRowStartingWith(超级列表框1, 3, "0", 1), -1);
  EXPECT_EQ(FindRowStartingWith(超级列表框1, 3, "123", 3), -1);  // longer than every number
}

TEST_F(ListControlTest, ViewCopiesAndInfoTipsComeCutAndTerminated) {
  WriteItems(RowEntry("1", "tip of row one") + testing::ColumnEntry("0123456789"));
  char buffer[6];
  EXPECT_EQ(CopyCellText(超级列表框1, 0, 1, buffer, sizeof buffer), 10);
  EXPECT_STREQ(buffer, "01234");
  EXPECT_EQ(CopyCellText(超级列表框1, 5, 1, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
  char tip[8] = "unset";
  EXPECT_TRUE(CopyRowInfoTip(超级列表框1, 0, tip, sizeof tip));
  EXPECT_STREQ(tip, "tip of ");
  char untouched[8] = "unset";
  EXPECT_FALSE(CopyRowInfoTip(超级列表框1, 1, untouched, sizeof untouched));
  EXPECT_STREQ(untouched, "unset");
}

// The MD5 worker's sequence on every row, while the UI thread paints rows and reads the count.
TEST_F(ListControlTest, WorkerWritesCellsWhileTheUiThreadReadsThem) {
  constexpr int32_t kRows = 20000;
  std::string image;
  for (int32_t row = 1; row <= kRows; ++row) image += ImportedRow(row, std::to_string(row * 3));
  WriteItems(image);

  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (int32_t row = 0; row < GetRowCount(超级列表框1); ++row) {
      OwnedText text(GetCellText(超级列表框1, row, 1));
      SetCellText(超级列表框1, row, 2, testing::ReferenceMd5(text.get()).c_str());
      OwnedText digest(GetCellText(超级列表框1, row, 2));
      SetCellText(超级列表框1, row, 3, std::string(digest.get() + 8, 16).c_str());
    }
    done = true;
  });
  int bad_reads = 0;
  char cell[64];
  while (!done.load()) {
    int32_t rows = GetRowCount(超级列表框1);
    for (int32_t row = 0; row < rows; row += 97) {
      int32_t length = CopyCellText(超级列表框1, row, 2, cell, sizeof cell);
      if (length != 0 && length != 32) ++bad_reads;
      length = CopyCellText(超级列表框1, row, 3, cell, sizeof cell);
      if (length != 0 && length != 16) ++bad_reads;
    }
  }
  worker.join();
  EXPECT_EQ(bad_reads, 0);
  EXPECT_EQ(headless::RowsChangedNotices(), 2 * kRows);
  std::string hex = testing::ReferenceMd5(std::to_string(kRows * 3));
  EXPECT_EQ(Cell(kRows - 1, 2), hex);
  EXPECT_EQ(Cell(kRows - 1, 3), hex.substr(8, 16));
}

using ListControlDeathTest = ListControlTest;

TEST_F(ListControlDeathTest, CellsOfADestroyedWindowAreAFatalError) {
  std::string expected =
      "运行时出错!\r\n\r\n错误信息：未载入欲访问窗口组件所在的窗口\r\n\r\n33554433, 3\r\n"
      "未找到所指定的窗口\r\n";
  ASSERT_TRUE(headless::RequestClose());
  EXPECT_EXIT(GetCellText(超级列表框1, 0, 0), ::testing::ExitedWithCode(kFatalExitCode),
              testing::FatalBoxRecord(expected));
}

}  // namespace
}  // namespace vx
