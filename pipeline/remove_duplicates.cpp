#include "pipeline/remove_duplicates.h"

#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "pipeline/command_progress.h"
#include "pipeline/event_pacer.h"
#include "pipeline/in_two_threads.h"
#include "pipeline/items_image.h"
#include "pipeline/pipeline_state.h"
#include "pipeline/pipeline_texts.h"
#include "pipeline/repeated_keys.h"
#include "pipeline/row_key_set.h"
#include "ui/image_entries.h"
#include "ui/list_control.h"

namespace vx {

namespace {

// The command's rows keep the first of each text and are numbered anew.
constexpr bool kRenumbered = true;
// A text key ends with the two zero bytes that close its entry (its text's terminator and an
// empty second text): alike in every key, they need not travel with it.
constexpr size_t kKeyZeroTail = 2;
// The rows are keyed in two parts, one on each core; an image of another shape in one.
constexpr int kTwoParts = 2;
constexpr int kOnePart = 1;
// Rows are walked in blocks of this many between two looks at the clock.
constexpr int32_t kRowsBetweenEvents = 1 << 16;
// Fewer rows than this take less time than starting a thread.
constexpr int32_t kRowsToSplit = 1 << 16;

// The rows are walked three times: keyed, looked through for repeats, and the kept ones gathered
// or written. Each walk is a third of the progress; `part` of `of` of walk `walk` (0 to 2) are
// done, and walk 3 is the end.
void ShowWalked(CommandProgress* progress, int walk, int64_t part, int64_t of, int64_t rows) {
  int64_t done = walk * rows + (of > 0 ? rows * part / of : 0);
  progress->Update(done / 3, rows);
}

// Rows as import and duplicate removal write them: numbered from 1, each with one text or none.
// Every row's key is its text (with the two zero bytes that close it, the same for every row),
// so rows without a text go, and of the rows with equal texts the first stays. The kept rows are
// the old rows' texts in their old order, renumbered by their position: the new rows are the
// kept pointers, and the texts stay where they are.
void KeepFirstOfEachText(UnitRef list, std::shared_ptr<const NumberedRows> rows, EventPacer* pacer,
                         CommandProgress* progress) {
  const int32_t count = rows->count();
  const char* const* texts = rows->texts();
  std::unique_ptr<uint8_t, BlockDeleter> dropped_block(
      static_cast<uint8_t*>(AllocateBlock(static_cast<size_t>(count))));
  uint8_t* dropped = dropped_block.get();  // per row

  // The two halves of the rows are keyed side by side, and then the two halves of the
  // partitions looked through, each on a core of its own; the UI thread answers the window.
  const int32_t half = count / 2;
  const bool split = count >= kRowsToSplit;
  RepeatedKeys keys(half + 1, kKeyZeroTail, kTwoParts);
  auto add_keys = [&](int part, int32_t first, int32_t end, EventPacer* events) {
    for (int32_t row = first; row < end; ++row) {
      const char* text = texts[row];
      dropped[row] = text ? 0 : 1;
      if (text) keys.AddText(part, static_cast<uint32_t>(row), text);
      if (events && row % kRowsBetweenEvents == 0) {
        events->Between();
        ShowWalked(progress, 0, row - first, end - first, count);
      }
    }
  };
  auto answer_window = [&] { pacer->Between(); };
  InTwoThreads(
      split, [&] { add_keys(1, half, count, nullptr); }, [&] { add_keys(0, 0, half, pacer); },
      answer_window);
  keys.FinishAdding();

  auto equal = [&](uint32_t row, uint32_t other) {
    return std::strcmp(texts[row], texts[other]) == 0;
  };
  auto repeat = [&](uint32_t row) { dropped[row] = 1; };
  const size_t middle = keys.partitions() / 2;
  size_t looked_through = 0;
  auto next_partition = [&] {
    answer_window();
    ShowWalked(progress, 1, static_cast<int64_t>(++looked_through), static_cast<int64_t>(middle),
               count);
  };
  InTwoThreads(
      split, [&] { keys.ForEachRepeat(middle, keys.partitions(), equal, repeat, [] {}); },
      [&] { keys.ForEachRepeat(0, middle, equal, repeat, next_partition); }, answer_window);

  // The keys' memory is free now, and holds more than the kept rows' pointers need. The kept rows
  // of the two halves are gathered side by side, those of the second half after the first
  // half's, which are counted first.
  auto* kept_texts =
      static_cast<const char**>(keys.TakeStorage(static_cast<size_t>(count) * sizeof(const char*)));
  int32_t kept_in_first_half = 0;
  for (int32_t row = 0; row < half; ++row) kept_in_first_half += dropped[row] ^ 1;
  int32_t kept_in_second_half = 0;
  auto gather = [&](int32_t first, int32_t end, int32_t kept, EventPacer* events) {
    for (int32_t row = first; row < end; ++row) {
      if (!dropped[row]) kept_texts[kept++] = texts[row];
      if (events && row % kRowsBetweenEvents == 0) {
        events->Between();
        ShowWalked(progress, 2, row - first, end - first, count);
      }
    }
    return kept;
  };
  InTwoThreads(
      split,
      [&] {
        kept_in_second_half = gather(half, count, kept_in_first_half, nullptr) - kept_in_first_half;
      },
      [&] { gather(0, half, 0, pacer); }, answer_window);
  int32_t kept = kept_in_first_half + kept_in_second_half;
  ShowWalked(progress, 3, 0, 0, count);
  if (kept == count) {  // the same rows: the list keeps them, digests and all
    FreeBlock(kept_texts);
    return;
  }
  if (kept == 0) {
    FreeBlock(kept_texts);
    kept_texts = nullptr;
  } else {
    kept_texts = static_cast<const char**>(
        ReallocateBlock(kept_texts, static_cast<size_t>(kept) * sizeof(const char*)));
  }
  auto fresh =
      std::make_shared<const NumberedRows>(rows->holder(), rows->held_bytes(), kept_texts, kept);
  InstallNumberedRows(list, std::move(fresh));
  // The old rows' pointers and the marks are hundreds of megabytes in a large list, which the
  // system takes a while to get back: a thread of its own gives them back while the window
  // answers.
  InTwoThreads(
      split,
      [&] {
        rows.reset();
        dropped_block.reset();
      },
      [] {}, answer_window);
  EnsureRowVisible(list, GetRowCount(list) - 1);
}

// Where a walked row of an image lies in it.
struct WalkedRow {
  uint64_t start;
  uint64_t end;
  uint64_t tail_start;
  uint64_t tail_end;
  uint64_t key_start;
  uint64_t key_length;  // 0: the row has no key and goes
};

// Any other image: its rows found by walking it (ui/image_entries.h), the kept rows written
// into a new image.
void KeepFirstOfEachKey(UnitRef list, int32_t key_column, bool renumber, EventPacer* pacer,
                        CommandProgress* progress) {
  ListItemsView source = ShareListItems(list);
  ImageBytes image{source.bytes, static_cast<size_t>(source.length)};

  // The list's rows are its image's row entries, so the walk finds as many as the list has
  // (WalkAnyRows may find others, for which the arrays grow).
  std::vector<WalkedRow> rows;
  const int64_t count = GetRowCount(list);
  auto walk = [&](const ImageRow& row) {
    bool keyed = row.part_count > key_column && row.key_length > 0;
    rows.push_back({row.start, row.end, row.tail_start, row.tail_end, row.key_start,
                    keyed ? row.key_length : 0});
    if (rows.size() % kRowsBetweenEvents == 0) {
      pacer->Between();
      ShowWalked(progress, 0, static_cast<int64_t>(rows.size()), count, count);
    }
    return true;
  };
  // Only the entries this program writes are known to be whole and to start rows exactly where
  // the walk found them; the rows of any other image are found by the list again.
  rows.reserve(static_cast<size_t>(count));
  bool written_entries = WalkWrittenRows(image, key_column, walk);
  if (!written_entries) {
    rows.clear();
    WalkAnyRows(image, key_column, walk);
  }

  std::vector<uint8_t> dropped(rows.size());
  {
    size_t looked_through = 0;
    RepeatedKeys keys(static_cast<int64_t>(rows.size()), 0, kOnePart);
    for (size_t i = 0; i < rows.size(); ++i) {
      const WalkedRow& row = rows[i];
      dropped[i] = row.key_length == 0;
      if (row.key_length != 0) {
        const unsigned char* key = image.bytes + row.key_start;
        keys.Add(0, static_cast<uint32_t>(i), RowKeySet::Hash(key, row.key_length), row.key_length,
                 key);
      }
    }
    keys.FinishAdding();
    keys.ForEachRepeat(
        0, keys.partitions(),
        [&](uint32_t row, uint32_t other) {
          return rows[row].key_length == rows[other].key_length &&
                 std::memcmp(image.bytes + rows[row].key_start, image.bytes + rows[other].key_start,
                             rows[row].key_length) == 0;
        },
        [&](uint32_t row) { dropped[row] = 1; },
        [&] {
          pacer->Between();
          ShowWalked(progress, 1, static_cast<int64_t>(++looked_through),
                     static_cast<int64_t>(keys.partitions()), count);
        });
  }

  ImageWriter output(static_cast<int64_t>(image.length), static_cast<int64_t>(rows.size()));
  if (!written_entries) output.DropRowIndex();
  RowNumberText number(1);
  for (size_t i = 0; i < rows.size(); ++i) {
    if (i % kRowsBetweenEvents == 0) {
      ShowWalked(progress, 2, static_cast<int64_t>(i), static_cast<int64_t>(rows.size()), count);
    }
    if (dropped[i]) continue;
    const WalkedRow& row = rows[i];
    // A renumbered row without column entries loses the zero bytes that closed its row entry
    // along with its number, so the image is no longer made of whole entries.
    if (renumber && row.tail_start == row.tail_end) output.DropRowIndex();
    if (renumber) {
      output.RowStart(number.text(), static_cast<size_t>(number.length()));
      output.Bytes(image.bytes + row.tail_start, row.tail_end - row.tail_start);
      number.Increment();
    } else {
      output.RowStart(image.bytes + row.start, row.end - row.start);
    }
  }
  rows = std::vector<WalkedRow>();
  ShowWalked(progress, 3, 0, 0, count);

  bool unchanged =
      static_cast<size_t>(output.length()) == image.length &&
      (image.length == 0 || std::memcmp(output.bytes(), image.bytes, image.length) == 0);
  source = ListItemsView();
  if (unchanged) return;
  output.InstallInto(list);
  EnsureRowVisible(list, GetRowCount(list) - 1);
}

}  // namespace

void RemoveDuplicatesCommand() {
  SetTitle(kTitleRemovingDuplicates);
  ShowBusyMenu();  // the window answers meanwhile, but no other command may start
  RemoveDuplicateRows(超级列表框1, kTextColumn, kRenumbered);
  ShowIdleMenu();
  SetCountTitle(kTitleRemainingBefore, GetRowCount(超级列表框1), kTitleRemainingAfter);
}

void RemoveDuplicateRows(UnitRef list, int32_t key_column, bool renumber) {
  if (key_column < 0) key_column = 0;
  EventPacer pacer;
  CommandProgress progress;
  std::shared_ptr<const NumberedRows> numbered = ShareNumberedRows(list);
  if (numbered && key_column == kTextColumn && renumber) {
    KeepFirstOfEachText(list, std::move(numbered), &pacer, &progress);
  } else {
    numbered.reset();
    KeepFirstOfEachKey(list, key_column, renumber, &pacer, &progress);
  }
}

}  // namespace vx
