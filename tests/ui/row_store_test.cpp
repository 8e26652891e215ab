#include "ui/row_store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "runtime/hex_digits.h"
#include "tests/ui/items_image.h"
#include "tests/ui/visited_rows.h"

namespace vx {
namespace {

using testing::ColumnEntry;
using testing::Entry;
using testing::ImportedRow;
using testing::RowEntry;

void Write(RowStore& store, const std::string& image) {
  store.ReplaceImage(reinterpret_cast<const unsigned char*>(image.data()),
                     static_cast<int32_t>(image.size()));
}

// The cell as a string; "<none>" for a null text (an empty or missing cell).
std::string Cell(const RowStore& store, int32_t row, int32_t column) {
  char* text = store.CellText(row, column);
  return text ? testing::TextOf(text) : "<none>";
}

std::string Tip(const RowStore& store, int32_t row, size_t size = 64) {
  std::string tip(size, '#');
  if (!store.CopyInfoTip(row, &tip[0], size)) return "<no tip>";
  return tip.substr(0, std::strlen(tip.c_str()));
}

bool SetCell(RowStore& store, int32_t row, int32_t column, const std::string& text) {
  return store.SetCell(row, column, text.c_str(), text.size());
}

TEST(RowStoreImage, ReadsBackAsWrittenWhateverTheCellsBecome) {
  RowStore store;
  std::string image = ImportedRow(1, "13800000000") + ImportedRow(2, "") + RowEntry("3", "tip") +
                      ColumnEntry("\xd6\xd0\xce\xc4");
  Write(store, image);
  ASSERT_EQ(store.RowCount(), 3);
  EXPECT_EQ(testing::BytesOf(OwnedByteData(store.CopyImage()).get()), image);

  ASSERT_TRUE(SetCell(store, 0, 1, "changed"));
  ASSERT_TRUE(SetCell(store, 2, 3, "0123456789abcdef"));
  EXPECT_EQ(Cell(store, 0, 1), "changed");
  EXPECT_EQ(testing::BytesOf(OwnedByteData(store.CopyImage()).get()), image);

  store.DeleteAllRows();
  EXPECT_EQ(store.RowCount(), 0);
  EXPECT_EQ(Cell(store, 0, 0), "<none>");
  EXPECT_EQ(testing::BytesOf(OwnedByteData(store.CopyImage()).get()), image);
  EXPECT_EQ(Tip(store, 2), "tip");  // tips still come from the image

  Write(store, "");
  EXPECT_EQ(store.RowCount(), 0);
  EXPECT_EQ(store.CopyImage(), nullptr);
  EXPECT_EQ(Tip(store, 0), "<no tip>");
}

TEST(RowStoreImage, BuildsRowsFromRowAndColumnEntries) {
  RowStore store;
  Write(store, RowEntry("1") + ColumnEntry("abc"));
  ASSERT_EQ(store.RowCount(), 1);
  EXPECT_EQ(Cell(store, 0, 0), "1");
  EXPECT_EQ(Cell(store, 0, 1), "abc");
  EXPECT_EQ(Cell(store, 0, 2), "<none>");
  EXPECT_EQ(Cell(store, 0, 3), "<none>");

  // A row entry without columns; an empty line's row next to full ones.
  Write(store, ImportedRow(1, "a") + RowEntry("2") + ImportedRow(3, "c"));
  ASSERT_EQ(store.RowCount(), 3);
  EXPECT_EQ(Cell(store, 1, 0), "2");
  EXPECT_EQ(Cell(store, 1, 1), "<none>");
  EXPECT_EQ(Cell(store, 2, 1), "c");
}

TEST(RowStoreImage, IgnoresColumnsBeforeTheFirstRowAndBeyondColumnThree) {
  RowStore store;
  Write(store, ColumnEntry("orphan") + Entry(5, "orphan too") + RowEntry("1") + ColumnEntry("one") +
                   Entry(7, "two") + Entry(255, "three") + ColumnEntry("four") +
                   ColumnEntry("five") + RowEntry("2") + ColumnEntry("b"));
  ASSERT_EQ(store.RowCount(), 2);
  EXPECT_EQ(Cell(store, 0, 0), "1");
  EXPECT_EQ(Cell(store, 0, 1), "one");
  EXPECT_EQ(Cell(store, 0, 2), "two");
  EXPECT_EQ(Cell(store, 0, 3), "three");
  EXPECT_EQ(Cell(store, 0, 4), "<none>");
  EXPECT_EQ(Cell(store, 1, 1), "b");
  EXPECT_EQ(Cell(store, 1, 2), "<none>");
}

TEST(RowStoreCells, RowsAndColumnsOutsideTheListGiveNothingAndTakeNothing) {
  RowStore store;
  Write(store, ImportedRow(1, "a") + ImportedRow(2, "b"));
  char buffer[8] = "keep";
  for (auto [row, column] : {std::pair{2, 0}, {-1, 0}, {0, 4}, {0, -1}, {INT32_MAX, 1}}) {
    EXPECT_EQ(store.CellText(row, column), nullptr);
    EXPECT_EQ(store.CopyCell(row, column, buffer, sizeof buffer), -1);
    EXPECT_FALSE(SetCell(store, row, column, "x"));
  }
  EXPECT_STREQ(buffer, "keep");
  EXPECT_EQ(Cell(store, 1, 1), "b");
  EXPECT_EQ(Cell(store, 0, 0), "1");
}

TEST(RowStoreCells, LongCellsComeBackWhole) {
  RowStore store;
  std::string thousand(1000, 'x');
  thousand[0] = '\xb9';  // a two-byte character at the start changes nothing
  thousand[1] = '\xa4';
  Write(store, RowEntry("1") + ColumnEntry(thousand));
  EXPECT_EQ(Cell(store, 0, 1), thousand);

  // Around the length that CellText first reads into (256 bytes with the terminator).
  for (size_t length : {254u, 255u, 256u, 257u, 511u, 512u, 513u}) {
    std::string text(length, 'k');
    text.back() = 'e';
    ASSERT_TRUE(SetCell(store, 0, 2, text));
    EXPECT_EQ(Cell(store, 0, 2), text) << length;
  }

  char cut[5];
  EXPECT_EQ(store.CopyCell(0, 1, cut, sizeof cut), 1000);
  EXPECT_EQ(std::string(cut), thousand.substr(0, 4));
  EXPECT_EQ(store.CopyCell(0, 1, nullptr, 0), 1000);
}

TEST(RowStoreCells, RewritesReplaceTheImageTextAndEmptyRewritesEmptyTheCell) {
  RowStore store;
  Write(store, ImportedRow(1, "text") + ImportedRow(2, "other"));
  ASSERT_TRUE(SetCell(store, 0, 1, ""));
  EXPECT_EQ(Cell(store, 0, 1), "<none>");
  EXPECT_EQ(Cell(store, 1, 1), "other");
  ASSERT_TRUE(SetCell(store, 1, 0, "renumbered"));
  EXPECT_EQ(Cell(store, 1, 0), "renumbered");

  // Writing the image again starts from its own texts.
  Write(store, ImportedRow(1, "text") + ImportedRow(2, "other"));
  EXPECT_EQ(Cell(store, 0, 1), "text");
  EXPECT_EQ(Cell(store, 1, 0), "2");
}

// The three cells from column 1 on of `row`, as a visit of the rows hands them over.
std::string VisitedCells(const RowStore& store, int32_t row) {
  testing::VisitedRows visited(3);
  if (store.VisitRows(row, 1, 1, 3, &testing::VisitedRows::Take, &visited) != 1) return "<no row>";
  std::string line = visited.Lines()[0];
  return line.substr(line.find(':') + 1);
}

// The three cells from column 1 on of `count` rows from `first` on, read for writing them out,
// with the digests that come as bytes spelled as the cells show them.
std::vector<std::string> ReadDigestCells(const RowStore& store, int32_t first, int32_t count) {
  std::vector<DigestRow> rows(static_cast<size_t>(count));
  std::shared_ptr<const void> holder;
  std::vector<char> spill;
  std::vector<std::string> cells;
  int32_t read = store.ReadDigestRows(first, count, rows.data(), &holder, &spill);
  for (int32_t i = 0; i < read; ++i) {
    const DigestRow& row = rows[static_cast<size_t>(i)];
    char digits[32];
    SpellHexDigits(row.bytes, 16, digits);
    std::string digest = row.digest_spelled ? std::string(digits, 32)
                                            : std::string(row.digest.text, row.digest.length);
    std::string middle = row.short_spelled
                             ? std::string(digits + 8, 16)
                             : std::string(row.short_digest.text, row.short_digest.length);
    cells.push_back(std::string(row.text.text, row.text.length) + "|" + digest + "|" + middle);
  }
  return cells;
}

// Blocks of rows: the texts of a column come out at once, pointing into the image where they
// are its own and copied where they were written later or are spelled out; the digests of a
// block go into both digest columns at once, the first block fetching the columns' memory.
TEST(RowStoreCells, BlocksOfRowsComeOutAndGoInAtOnce) {
  RowStore store;
  std::string image;
  for (int32_t row = 1; row <= 5000; ++row) image += ImportedRow(row, std::to_string(row * 3));
  Write(store, image);
  ASSERT_TRUE(store.ShareNumberedRows());
  ASSERT_TRUE(SetCell(store, 5, 1, "given"));

  TextRun texts[RowStore::kMostRowsPerBlock];
  std::shared_ptr<const void> holder;
  std::vector<char> spill;
  uint64_t generation;
  ASSERT_EQ(store.ReadColumn(0, 10, 1, texts, &holder, &spill, &generation), 10);
  EXPECT_EQ(std::string(texts[1].text, texts[1].length), "6");
  EXPECT_EQ(std::string(texts[5].text, texts[5].length), "given");
  EXPECT_TRUE(texts[5].text >= spill.data() && texts[5].text < spill.data() + spill.size());
  // The texts outlive the rows they were read from.
  Write(store, image);
  EXPECT_EQ(std::string(texts[9].text, texts[9].length), "30");
  EXPECT_EQ(std::string(texts[5].text, texts[5].length), "given");
  EXPECT_EQ(store.ReadColumn(4990, 100, 0, texts, &holder, &spill, &generation),
            10);  // to the last row
  EXPECT_EQ(std::string(texts[9].text, texts[9].length), "5000");
  EXPECT_EQ(store.ReadColumn(0, 100000, 1, texts, &holder, &spill, &generation),
            RowStore::kMostRowsPerBlock);
  EXPECT_EQ(store.ReadColumn(5000, 1, 1, texts, &holder, &spill, &generation), 0);
  EXPECT_EQ(store.ReadColumn(0, 1, 4, texts, &holder, &spill, &generation), 0);

  ASSERT_TRUE(SetCell(store, 5, 1, "given"));
  std::vector<DigestBytes> digests(5000);
  for (size_t row = 0; row < digests.size(); ++row) {
    for (size_t i = 0; i < 16; ++i) digests[row][i] = static_cast<unsigned char>(row * 16 + i);
  }
  ASSERT_TRUE(SetCell(store, 4999, 3, "given"));
  EXPECT_EQ(store.SetDigests(0, 1000, digests.data(), generation), 1000);
  EXPECT_EQ(store.SetDigests(1000, 5000, digests.data() + 1000, generation), 4000);
  EXPECT_EQ(store.SetDigests(5000, 1, digests.data(), generation), 0);
  EXPECT_EQ(Cell(store, 1, 2), "101112131415161718191a1b1c1d1e1f");
  EXPECT_EQ(Cell(store, 1, 3), "1415161718191a1b");
  EXPECT_EQ(Cell(store, 4999, 3), Cell(store, 4999, 2).substr(8, 16));
  ASSERT_EQ(store.ReadColumn(0, 2, 2, texts, &holder, &spill, &generation), 2);
  EXPECT_EQ(std::string(texts[1].text, texts[1].length), "101112131415161718191a1b1c1d1e1f");
  EXPECT_EQ(Cell(store, 5, 1), "given");  // the text column keeps what was written

  // Read for writing out, with texts of their own in some cells and without.
  for (bool given : {true, false}) {
    if (!given) {
      Write(store, image);
      ASSERT_EQ(store.ReadColumn(0, 1, 1, texts, &holder, &spill, &generation), 1);
      ASSERT_EQ(store.SetDigests(0, 4990, digests.data(), generation), 4990);
    }
    std::vector<std::string> cells = ReadDigestCells(store, 4985, 100000);
    ASSERT_EQ(cells.size(), 15u);  // to the last row
    for (int32_t i = 0; i < 15; ++i) {
      EXPECT_EQ(cells[static_cast<size_t>(i)], VisitedCells(store, 4985 + i)) << given << i;
    }
    EXPECT_EQ(ReadDigestCells(store, 5, 1)[0], VisitedCells(store, 5));
    EXPECT_TRUE(ReadDigestCells(store, 5000, 1).empty());
  }
  EXPECT_EQ(VisitedCells(store, 4999), "15000||");  // no digest reached the last rows
}

// A worker's digests go only to the rows it read: rows that replaced them between the reading of
// a block and the writing of its digests (another file imported meanwhile) get none.
TEST(RowStoreCells, DigestsGoOnlyToTheRowsTheirBlockWasReadFrom) {
  RowStore store;
  Write(store, ImportedRow(1, "first file"));
  TextRun texts[1];
  std::shared_ptr<const void> holder;
  std::vector<char> spill;
  uint64_t generation;
  ASSERT_EQ(store.ReadColumn(0, 1, 1, texts, &holder, &spill, &generation), 1);
  Write(store, ImportedRow(1, "second file"));
  DigestBytes digest = {1, 2, 3};
  EXPECT_EQ(store.SetDigests(0, 1, &digest, generation), 0);
  EXPECT_EQ(Cell(store, 0, 2), "<none>");
  EXPECT_EQ(Cell(store, 0, 3), "<none>");

  ASSERT_EQ(store.ReadColumn(0, 1, 1, texts, &holder, &spill, &generation), 1);
  EXPECT_EQ(store.SetDigests(0, 1, &digest, generation), 1);
  EXPECT_EQ(Cell(store, 0, 2), "01020300000000000000000000000000");
}

TEST(RowStoreCells, RepeatedPassesOfSameLengthTextsTakeNoMoreMemory) {
  RowStore store;
  std::string image;
  for (int32_t row = 1; row <= 5000; ++row) image += ImportedRow(row, std::to_string(row * 7));
  Write(store, image);
  size_t after_pass = 0;
  for (int pass = 0; pass < 4; ++pass) {
    for (int32_t row = 0; row < store.RowCount(); ++row) {
      std::string digest(32, static_cast<char>('g' + (row + pass) % 20));  // no hex digits
      ASSERT_TRUE(SetCell(store, row, 2, digest));
      ASSERT_TRUE(SetCell(store, row, 3, digest.substr(8, 16)));
    }
    if (pass == 0) after_pass = store.MemoryUsed();
    EXPECT_EQ(store.MemoryUsed(), after_pass) << "pass " << pass;
  }
  EXPECT_EQ(Cell(store, 4999, 2), std::string(32, static_cast<char>('g' + (4999 + 3) % 20)));

  // A cell that grows and shrinks again keeps its text exact.
  for (size_t length : {40u, 200u, 3u, 90u, 0u, 33u}) {
    ASSERT_TRUE(SetCell(store, 17, 2, std::string(length, 'g')));
    EXPECT_EQ(Cell(store, 17, 2), length ? std::string(length, 'g') : "<none>");
  }
  EXPECT_EQ(Cell(store, 18, 2), std::string(32, static_cast<char>('g' + (18 + 3) % 20)));
}

// Digests are kept in a smaller form than other texts: whatever a cell was before, it reads back
// exactly as last written, through every way of reading it.
TEST(RowStoreCells, DigestCellsReadBackAsWrittenWhateverTheCellWasBefore) {
  RowStore store;
  std::string image;
  for (int32_t row = 1; row <= 4; ++row) image += ImportedRow(row, "text" + std::to_string(row));
  Write(store, image);
  const std::string digest = "0123456789abcdeffedcba9876543210";
  const std::string sequence[] = {digest,
                                  "0123456789ABCDEFFEDCBA9876543210",  // capitals: no digits
                                  digest.substr(0, 31),
                                  digest.substr(8, 16),  // 16 digits in a column of 32
                                  digest + "0",
                                  "",
                                  "0123456789abcdeg0123456789abcdef",
                                  digest,
                                  "\xc4\xda\xc8\xdd",
                                  std::string(32, 'f'),
                                  std::string(32, '0')};
  for (const std::string& text : sequence) {
    ASSERT_TRUE(SetCell(store, 1, 2, text));
    ASSERT_TRUE(SetCell(store, 2, 3, text));
    for (int32_t row : {1, 2}) {
      int32_t column = row == 1 ? 2 : 3;
      EXPECT_EQ(Cell(store, row, column), text.empty() ? "<none>" : text) << text;
      std::string text_cell = "text" + std::to_string(row + 1);
      std::string first = row == 1 ? text : "", second = row == 2 ? text : "";
      EXPECT_EQ(VisitedCells(store, row), text_cell + "|" + first + "|" + second);
      EXPECT_EQ(ReadDigestCells(store, row, 1), std::vector<std::string>{VisitedCells(store, row)});
      char cut[9];
      EXPECT_EQ(store.CopyCell(row, column, cut, sizeof cut), static_cast<int64_t>(text.size()));
      EXPECT_EQ(std::string(cut), text.substr(0, 8));
    }
    EXPECT_EQ(Cell(store, 0, 2), "<none>");  // the neighbours keep their texts
    EXPECT_EQ(Cell(store, 3, 3), "<none>");
  }
}

// A pass of digests in both digest columns: each digest row takes its digest's 16 bytes, and the
// 16-digit cell nothing of its own, where other texts of the same length take several times
// more; every cell reads back.
TEST(RowStoreCells, DigestColumnsTakeLessThanOtherTextsOfTheirLength) {
  constexpr int32_t kRows = 20000;
  std::string image;
  for (int32_t row = 1; row <= kRows; ++row) image += ImportedRow(row, std::to_string(row));
  auto memory_of_pass = [&](char first_letter) {
    RowStore store;
    Write(store, image);
    size_t before = store.MemoryUsed();
    for (int32_t row = 0; row < kRows; ++row) {
      std::string digest(32, '0');
      for (int i = 0; i < 8; ++i) digest[i] = "0123456789abcdef"[(row >> (2 * i)) & 15];
      digest[31] = first_letter;
      EXPECT_TRUE(SetCell(store, row, 2, digest));
      EXPECT_TRUE(SetCell(store, row, 3, digest.substr(8, 16)));
    }
    for (int32_t row = 0; row < kRows; row += 997) {
      EXPECT_EQ(Cell(store, row, 2).substr(31), std::string(1, first_letter));
      EXPECT_EQ(Cell(store, row, 3), Cell(store, row, 2).substr(8, 16));
    }
    return store.MemoryUsed() - before;
  };
  size_t digests = memory_of_pass('a');
  size_t other_texts = memory_of_pass('G');
  EXPECT_LE(digests, static_cast<size_t>(kRows) * 16 + kRows / 4 + 64);
  EXPECT_LT(digests * 4, other_texts);
}

// An image handed over with the offsets of its row entries gives the rows, cells and tips that a
// walk over it gives; the visit of rows hands their cells over in order until one is refused.
TEST(RowStoreImage, IndexedImagesGiveTheRowsOfAWalk) {
  std::string image;
  std::vector<uint64_t> offsets;
  for (int32_t row = 1; row <= 50; ++row) {
    offsets.push_back(image.size());
    image += RowEntry(std::to_string(row), row % 7 ? "" : "tip") +
             ColumnEntry("t" + std::to_string(row));
    if (row % 3 == 0) image += ColumnEntry("second") + ColumnEntry("third") + ColumnEntry("fourth");
  }
  RowStore walked, indexed;
  Write(walked, image);
  auto* block = static_cast<unsigned char*>(AllocateBlock(image.size()));
  std::memcpy(block, image.data(), image.size());
  auto* index = static_cast<uint64_t*>(AllocateBlock(offsets.size() * sizeof(uint64_t)));
  std::memcpy(index, offsets.data(), offsets.size() * sizeof(uint64_t));
  indexed.TakeIndexedImage(block, block, static_cast<int64_t>(image.size()), index,
                           static_cast<int32_t>(offsets.size()));
  ASSERT_EQ(indexed.RowCount(), walked.RowCount());
  for (int32_t row = -1; row <= 50; ++row) {
    for (int32_t column = 0; column < 4; ++column) {
      ASSERT_EQ(Cell(indexed, row, column), Cell(walked, row, column)) << row << " " << column;
    }
    ASSERT_EQ(Tip(indexed, row), Tip(walked, row)) << row;
  }
  EXPECT_EQ(testing::BytesOf(OwnedByteData(indexed.CopyImage()).get()), image);

  ASSERT_TRUE(SetCell(indexed, 4, 2, std::string(32, 'e')));
  testing::VisitedRows visit(3, 8);
  auto take = &testing::VisitedRows::Take;
  EXPECT_EQ(indexed.VisitRows(2, 10, 1, 3, take, &visit), 6);
  std::vector<std::string> lines = visit.Lines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "2:t3|second|third");
  EXPECT_EQ(lines[2], "4:t5|" + std::string(32, 'e') + "|");
  visit.refuse_at = -1;
  EXPECT_EQ(indexed.VisitRows(45, 10, 1, 3, take, &visit), 5);  // to the last row
  EXPECT_EQ(visit.Lines().back(), "49:t50||");
  EXPECT_EQ(indexed.VisitRows(50, 10, 1, 3, take, &visit), 0);
  EXPECT_EQ(indexed.VisitRows(0, 10, 2, 3, take, &visit), 0);  // past column 3
}

// An image taken over stays where it is; a shared image stays readable after it is replaced.
// Imported rows keep their texts where the image holds them.
TEST(RowStoreImage, TakesImagesOverAndSharesThemWithoutCopies) {
  RowStore store;
  std::string imported = ImportedRow(1, "a") + ImportedRow(2, "bc");
  auto* imported_block = static_cast<unsigned char*>(AllocateBlock(imported.size()));
  std::memcpy(imported_block, imported.data(), imported.size());
  store.TakeImage(imported_block, imported_block, static_cast<int64_t>(imported.size()));
  std::shared_ptr<const NumberedRows> rows = store.ShareNumberedRows();
  ASSERT_TRUE(rows);
  ASSERT_EQ(rows->count(), 2);
  EXPECT_EQ(reinterpret_cast<const unsigned char*>(rows->text(1)),
            imported_block + imported.size() - 4);
  rows.reset();

  std::string image = RowEntry("1", "a tip") + ColumnEntry("a") + ImportedRow(2, "bc");
  auto* block = static_cast<unsigned char*>(AllocateBlock(image.size()));
  std::memcpy(block, image.data(), image.size());
  store.TakeImage(block, block, static_cast<int64_t>(image.size()));
  ASSERT_EQ(store.RowCount(), 2);
  EXPECT_EQ(Cell(store, 1, 1), "bc");
  EXPECT_FALSE(store.ShareNumberedRows());

  RowStore::SharedImage shared = store.ShareImage();
  EXPECT_EQ(shared.bytes, block);
  Write(store, ImportedRow(1, "new"));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(shared.bytes), shared.length), image);
  shared = RowStore::SharedImage();  // the last holder frees the old image
  EXPECT_EQ(store.ShareImage().length, static_cast<int64_t>(ImportedRow(1, "new").size()));

  store.TakeImage(nullptr, nullptr, 0);
  EXPECT_EQ(store.RowCount(), 0);
  EXPECT_EQ(store.ShareImage().bytes, nullptr);
}

TEST(RowStoreImage, InfoTipsAreTheSecondTextsOfRowEntries) {
  RowStore store;
  Write(store, RowEntry("1", "first tip") + Entry(1, "a", "column second text") + RowEntry("2") +
                   RowEntry("3", "0123456789"));
  EXPECT_EQ(Tip(store, 0), "first tip");
  EXPECT_EQ(Tip(store, 1), "");
  EXPECT_EQ(Tip(store, 2, 5), "0123");  // cut to the buffer less one byte
  EXPECT_EQ(Tip(store, 3), "<no tip>");
  EXPECT_EQ(Tip(store, -1), "<no tip>");
  EXPECT_EQ(Cell(store, 0, 1), "a");
}

// The rows that the complete entries of an image give, worked out apart from the store.
struct ModelEntry {
  unsigned char kind;
  std::string text;
  std::string second;
};
struct ModelRow {
  std::string cells[4];
  std::string tip;
};

std::vector<ModelRow> ModelRows(const std::vector<ModelEntry>& entries) {
  std::vector<ModelRow> rows;
  int column = 0;
  for (const ModelEntry& entry : entries) {
    if (entry.kind == 0) {
      rows.push_back({{entry.text, "", "", ""}, entry.second});
      column = 0;
    } else if (!rows.empty() && ++column < 4) {
      rows.back().cells[column] = entry.text;
    }
  }
  return rows;
}

TEST(RowStoreImage, TruncatedImagesDropTheCutEntryAndNeverReadPastTheEnd) {
  std::vector<ModelEntry> entries = {{1, "orphan", ""},
                                     {0, "1", "tip one"},
                                     {1, "a", ""},
                                     {1, "bb", "x"},
                                     {1, "ccc", ""},
                                     {1, "dddd", ""},
                                     {0, "2", ""},
                                     {0, "", ""},
                                     {1, "", ""},
                                     {1, "x", ""},
                                     {0, "3", "tip3"},
                                     {1, "\xc4\xda\xc8\xdd", ""},
                                     {2, "thirty-two bytes of text here..", ""}};
  std::string image;
  std::vector<size_t> ends;
  for (const ModelEntry& entry : entries) {
    image += Entry(entry.kind, entry.text, entry.second);
    ends.push_back(image.size());
  }

  RowStore store;
  for (size_t length = 0; length <= image.size(); ++length) {
    // A block of exactly `length` bytes, so that the sanitizer sees any read past its end.
    std::unique_ptr<unsigned char[]> cut(new unsigned char[length > 0 ? length : 1]);
    std::memcpy(cut.get(), image.data(), length);
    store.ReplaceImage(cut.get(), static_cast<int32_t>(length));

    std::vector<ModelEntry> complete;
    for (size_t i = 0; i < entries.size() && ends[i] <= length; ++i) complete.push_back(entries[i]);
    std::vector<ModelRow> rows = ModelRows(complete);
    ASSERT_EQ(store.RowCount(), static_cast<int32_t>(rows.size())) << "length " << length;
    for (size_t row = 0; row < rows.size(); ++row) {
      for (int column = 0; column < 4; ++column) {
        const std::string& expected = rows[row].cells[column];
        ASSERT_EQ(Cell(store, static_cast<int32_t>(row), column),
                  expected.empty() ? "<none>" : expected)
            << "length " << length << " row " << row << " column " << column;
      }
      ASSERT_EQ(Tip(store, static_cast<int32_t>(row)), rows[row].tip);
    }
    ASSERT_EQ(testing::BytesOf(OwnedByteData(store.CopyImage()).get()), image.substr(0, length));
  }
}

// While one thread rewrites the image over and over, another reads and writes cells: every cell
// read is empty or a text that its row had in one of the images or was given.
TEST(RowStoreThreads, CellsStaySoundWhileTheImageIsReplaced) {
  std::string first, second;
  for (int32_t row = 1; row <= 300; ++row) {
    first += ImportedRow(row, "first" + std::to_string(row));
    second += ImportedRow(row, "second" + std::to_string(row));
  }
  second += ImportedRow(301, "second301");
  RowStore store;
  Write(store, first);

  std::atomic<bool> stop{false};
  std::atomic<int> bad_reads{0};
  std::thread cells([&] {
    for (int round = 0; !stop.load(); ++round) {
      int32_t rows = store.RowCount();
      for (int32_t row = 0; row < rows; ++row) {
        std::string number = std::to_string(row + 1);
        std::string text = Cell(store, row, 1);
        if (text != "<none>" && text != "first" + number && text != "second" + number &&
            text != "given" + number) {
          ++bad_reads;
        }
        store.SetCell(row, 1 + round % 3, ("given" + number).c_str(), 5 + number.size());
      }
    }
  });
  for (int i = 0; i < 200; ++i) Write(store, i % 2 ? first : second);
  stop = true;
  cells.join();
  EXPECT_EQ(bad_reads.load(), 0);
  Write(store, second);
  EXPECT_EQ(store.RowCount(), 301);
  EXPECT_EQ(Cell(store, 300, 1), "second301");
}

}  // namespace
}  // namespace vx
