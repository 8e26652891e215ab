// Duplicate removal: which rows survive, their numbers, when the list is rebuilt, and the same
// result as cutting the image apart with the runtime's splitting, for images of every shape.
#include "pipeline/remove_duplicates.h"

#include <random>
#include <set>

#include "runtime/heap.h"
#include "runtime/runtime.h"
#include "tests/pipeline/pipeline_fixture.h"
#include "tests/pipeline/removal_model.h"

namespace vx {
namespace {

using namespace std::string_literals;
using testing::AsByteData;
using testing::ColumnEntry;
using testing::CountTitle;
using testing::Entry;
using testing::PipelineTest;
using testing::RowEntry;

class RemoveDuplicatesTest : public PipelineTest {
 protected:
  void WriteImage(const std::string& image) {
    WriteListItems(超级列表框1, AsByteData(image).get());
  }
};

TEST_F(RemoveDuplicatesTest, KeepsTheFirstOfEachTextAndRenumbers) {
  Import("a\r\nb\r\na\r\nc\r\nb\r\n");
  Choose(kRemoveDuplicatesEntry);
  EXPECT_EQ(Image(), ImageOf({"a", "b", "c"}));
  EXPECT_EQ(Column(0), (std::vector<std::string>{"1", "2", "3"}));
  std::vector<std::string> titles = Titles();
  ASSERT_GE(titles.size(), 2u);
  EXPECT_EQ(titles[titles.size() - 2], kTitleRemovingDuplicates);
  EXPECT_EQ(titles.back(), CountTitle(kTitleRemainingBefore, 3, kTitleRemainingAfter));
  EXPECT_EQ(headless::RowsMadeVisible().back(), 2);
}

TEST_F(RemoveDuplicatesTest, ComparesTextsByteForByteAndDropsRowsWithoutText) {
  Import("abc\r\nABC\r\nabc \r\n\r\n中文\r\n\xD6\xD0\r\n----x\r\n----y\r\nabc\r\n"s);
  Choose(kRemoveDuplicatesEntry);
  // "中文" is D6 D0 CE C4 in GBK: its first character alone is another text. The rows of
  // "----x" and "----y" have the same empty text.
  EXPECT_EQ(Image(),
            ImageOf({"abc", "ABC", "abc ", "中文", "\xD6\xD0"}) + RowEntry("6") + ColumnEntry(""));

  Import("a\r\n\r\nb\r\n\r\n");  // no repeats, but rows from empty lines
  Choose(kRemoveDuplicatesEntry);
  EXPECT_EQ(Image(), ImageOf({"a", "b"}));
}

TEST_F(RemoveDuplicatesTest, AListWithoutDuplicatesIsLeftAloneWithItsDigests) {
  Import("a\r\nb\r\nc\r\n");
  RunPass();
  std::vector<std::string> digests = Column(2);
  size_t requests = headless::Requests().size();
  Choose(kRemoveDuplicatesEntry);
  Choose(kRemoveDuplicatesEntry);
  EXPECT_EQ(Column(2), digests);
  std::vector<std::string> after = headless::Requests();
  for (size_t i = requests; i < after.size(); ++i) {  // titles and the busy menu, no rows
    EXPECT_TRUE(after[i].rfind("title", 0) == 0 || after[i].rfind("popup", 0) == 0 ||
                after[i].rfind("menu", 0) == 0)
        << after[i];
  }
  EXPECT_EQ(Titles().back(), CountTitle(kTitleRemainingBefore, 3, kTitleRemainingAfter));

  Import("a\r\nb\r\na\r\n");
  RunPass();
  Choose(kRemoveDuplicatesEntry);  // a row dropped: the list is rebuilt without digests
  EXPECT_EQ(Column(2), (std::vector<std::string>{"", ""}));
  EXPECT_EQ(Column(3), (std::vector<std::string>{"", ""}));
}

TEST_F(RemoveDuplicatesTest, AnEmptyOrClearedListReportsZero) {
  Choose(kRemoveDuplicatesEntry);
  EXPECT_EQ(Titles().back(), CountTitle(kTitleRemainingBefore, 0, kTitleRemainingAfter));
  Import("a\r\na\r\n");
  Choose(kClearListEntry);
  Choose(kRemoveDuplicatesEntry);
  EXPECT_EQ(Titles().back(), CountTitle(kTitleRemainingBefore, 0, kTitleRemainingAfter));
  EXPECT_EQ(Image(), "");
}

// Distinct texts all but fill a set sized by the row count alone, where the last keys probe
// through nearly every slot (the removal then does not finish in any reasonable time); with room
// for twice the keys the probes stay short. The survivors are the first of each text, in order.
TEST_F(RemoveDuplicatesTest, MostlyDistinctPhoneNumbersKeepTheFirstOfEach) {
  std::mt19937 random(7);
  std::vector<std::string> kept;
  std::set<std::string> seen;
  std::string bytes;
  for (int i = 0; i < 200000; ++i) {
    // Five repeats among the last lines.
    std::string text =
        i >= 199995 ? kept[random() % kept.size()] : std::to_string(13000000000LL + random());
    if (seen.insert(text).second) kept.push_back(text);
    bytes += text + "\r\n";
  }
  Import(bytes);
  Choose(kRemoveDuplicatesEntry);
  EXPECT_EQ(Image(), ImageOf(kept));
  EXPECT_LT(kept.size(), 200000u);
}

// Keys are sorted out in groups by their hashes. A few keys repeated over and over crowd one
// group far beyond its share; keys longer than the short ones that travel with their rows are
// compared in the image; a list that holds fewer rows than its image gives the groups almost no
// room. Whatever the grouping, the survivors are the first of each text, in order.
TEST_F(RemoveDuplicatesTest, CrowdedGroupsAndLongKeysKeepTheFirstOfEach) {
  std::mt19937 random(11);
  std::vector<std::string> kept;
  std::set<std::string> seen;
  std::string bytes;
  for (int i = 0; i < 150000; ++i) {
    std::string text;
    switch (random() % 4) {
      case 0:  // one of three keys, again and again
        text = "repeated " + std::to_string(random() % 3);
        break;
      case 1:  // long GBK keys that differ only at their end
        text = std::string(12, '\xd6') + "中文中文" + std::to_string(random() % 40000);
        break;
      case 2:  // twenty bytes, the longest carried, and twenty-one
        text = std::string(random() % 2 ? 9 : 10, 'k') +
               std::to_string(10000000000LL + random() % 30000);
        break;
      default:
        text = std::to_string(random() % 50000);
    }
    if (seen.insert(text).second) kept.push_back(text);
    bytes += text + "\r\n";
  }
  Import(bytes);
  std::string full = Image();
  Choose(kRemoveDuplicatesEntry);
  EXPECT_EQ(Image(), ImageOf(kept));

  WriteImage(full);
  DeleteAllRows(超级列表框1);
  RemoveDuplicateRows(超级列表框1, 1, true);
  EXPECT_EQ(Image(), ImageOf(kept));
}

// Short keys are compared by a code of eight bytes: digit strings of up to 18 digits as the
// number they spell, other keys of up to 7 bytes as their bytes, longer ones where they lie (by
// the length they travel with up to 32766 bytes, measured again beyond). Keys on either side of
// each of those limits, with leading zeros and in other writings of the same number, are told
// apart; the rows are halved for the two cores with repeats and empty lines on both sides of the
// middle row.
TEST_F(RemoveDuplicatesTest, KeysAtTheLimitsOfTheirCodesAndAroundTheMiddleRow) {
  std::vector<std::string> shapes;
  for (size_t length = 1; length <= 20; ++length) {
    for (char first : {'0', '1', '9'}) {
      shapes.push_back(std::string(1, first) + std::string(length - 1, '0'));
      shapes.push_back(std::string(length - 1, '9') + std::string(1, first));
    }
    shapes.push_back(std::string(length, 'x'));
    shapes.push_back(std::string(length - 1, '9') + "x");
    shapes.push_back("x" + std::string(length - 1, '0'));
    shapes.push_back(std::string(length - 1, '\xB0') + "0");
  }
  shapes.push_back("-1");
  shapes.push_back("+1");
  shapes.push_back("1.0");
  // The rows of the two halves meet at row 70000 (counted from 0).
  constexpr int32_t kRows = 140001;
  std::mt19937 random(3);
  std::string bytes;
  for (int32_t row = 0; row < kRows; ++row) {
    std::string text;
    if (row >= 69990 && row < 70010) {
      text = row % 3 == 0 ? "" : shapes[random() % 8];
    } else if (row % 5 == 0) {
      text = shapes[random() % shapes.size()];
    } else {
      text = "distinct " + std::to_string(row);
    }
    bytes += text + "\r\n";
  }
  for (int round = 0; round < 2; ++round) {
    for (size_t length : {32766u, 32767u, 32768u}) bytes += std::string(length, 'z') + "\r\n";
    for (char last : {'1', '2'}) bytes += std::string(40000, 'y') + last + "\r\n";
  }
  Import(bytes);
  std::string full = Image();
  Choose(kRemoveDuplicatesEntry);
  EXPECT_EQ(testing::HexOf(Image()),
            testing::HexOf(testing::ImageWithoutDuplicates(full, 1, true)));
}

// Rows of a row entry alone, renumbered, lose the zero bytes that closed the entry: the rebuilt
// list shows what a fresh write of the resulting image shows, and reads nothing beyond it.
TEST_F(RemoveDuplicatesTest, RenumberedRowsWithoutColumnsGiveTheRowsOfTheirImage) {
  for (const std::string& image :
       {RowEntry("x"), RowEntry("x") + RowEntry("y") + RowEntry("x"),
        testing::ImportedRow(1, "a") + RowEntry("b") + testing::ImportedRow(3, "c")}) {
    WriteImage(image);
    RemoveDuplicateRows(超级列表框1, 0, true);
    std::string removed = Image();
    std::vector<std::string> cells;
    for (int32_t row = 0; row < GetRowCount(超级列表框1); ++row) {
      for (int32_t column = 0; column < 4; ++column) cells.push_back(Cell(row, column));
    }
    WriteImage(removed);
    std::vector<std::string> fresh;
    for (int32_t row = 0; row < GetRowCount(超级列表框1); ++row) {
      for (int32_t column = 0; column < 4; ++column) fresh.push_back(Cell(row, column));
    }
    EXPECT_EQ(cells, fresh) << testing::HexOf(removed);
  }
}

// Images as the pipeline writes them, with repeated, empty and two-byte texts, and images of
// any other shape: other header fields, second texts, leading column entries, 0xFF bytes in
// texts, an entry cut short.
std::string RandomImage(std::mt19937& random, bool as_written) {
  static const std::vector<std::string> texts = {"",   "a",    "b",     "ab",  "\xFF\xFF",
                                                 "中", "中文", "\x81-", "----"};
  auto text = [&] { return texts[random() % texts.size()]; };
  std::string image;
  if (!as_written && random() % 4 == 0) image += Entry(1, text());
  int rows = static_cast<int>(random() % 12);
  for (int row = 1; row <= rows; ++row) {
    std::string number = random() % 8 ? std::to_string(row) : text();
    image += as_written || random() % 3 ? RowEntry(number) : Entry(0, number, text(), 0, 5, 1, 9);
    for (int columns = static_cast<int>(random() % 4); columns > 0; --columns) {
      unsigned char kind = as_written || random() % 3 ? 1 : static_cast<unsigned char>(2);
      image += as_written || random() % 3 ? Entry(kind, text()) : Entry(kind, text(), text(), 3);
    }
  }
  if (!as_written && random() % 4 == 0 && !image.empty()) image.resize(image.size() - 1);
  return image;
}

TEST_F(RemoveDuplicatesTest, KeepsWhatSplittingTheImageKeeps) {
  std::mt19937 random(1);
  for (int round = 0; round < 600; ++round) {
    std::string image = RandomImage(random, round % 2 == 0);
    for (int32_t key_column : {0, 1, 2}) {
      for (bool renumber : {true, false}) {
        WriteImage(image);
        if (round % 3 == 0) DeleteAllRows(超级列表框1);  // fewer rows than the image holds
        RemoveDuplicateRows(超级列表框1, key_column, renumber);
        ASSERT_EQ(testing::HexOf(Image()),
                  testing::HexOf(testing::ImageWithoutDuplicates(image, key_column, renumber)))
            << "round " << round << ", key column " << key_column << ", renumber " << renumber;
      }
    }
  }
}

using RemoveDuplicatesDeathTest = RemoveDuplicatesTest;

// Memory runs out for the rows' bookkeeping: the runtime's report, not an exception.
TEST_F(RemoveDuplicatesDeathTest, MemoryThatRunsOutIsAFatalError) {
  std::string bytes;
  for (int32_t i = 0; i < 20000; ++i) bytes += std::to_string(i % 15000) + "\r\n";
  Import(bytes);
  testing::ExpectLargeAllocationFailureToBeFatal([&] { Choose(kRemoveDuplicatesEntry); });
}

}  // namespace
}  // namespace vx
