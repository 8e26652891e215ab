#include "pipeline/remove_duplicates.h"

#include <cstring>
#include <memory>
#include <optional>

#include "pipeline/items_image.h"
#include "pipeline/pipeline_state.h"
#include "pipeline/pipeline_texts.h"
#include "pipeline/row_key_set.h"
#include "runtime/splitting.h"
#include "ui/list_control.h"

namespace vx {

namespace {

// A row of the image: the piece between its row header and the next one, cut into parts at
// the column joints. Offsets count from the image's first byte.
struct Row {
  size_t start;       // the row number's first byte
  size_t end;         // the next row header, or the image's end
  size_t tail_start;  // the first column joint: what a renumbered row keeps after its number
  size_t tail_end;    // the end of the last part (a joint that ends the piece starts none)
  int64_t part_count;
  size_t key_start;  // part key_column, when there is one
  size_t key_length;
};

struct Image {
  const unsigned char* bytes;
  size_t length;
};

// Whether the 17 bytes at `at` are kRowHeader (kind 0) or kColumnHeader (kind 1): the kind, the
// image and state image indexes -1, the indent and row value 0.
bool IsWrittenHeader(const unsigned char* at, unsigned char kind) {
  uint64_t indexes, numbers;
  std::memcpy(&indexes, at + 1, sizeof indexes);
  std::memcpy(&numbers, at + 9, sizeof numbers);
  return at[0] == kind && indexes == ~uint64_t{0} && numbers == 0;
}

// Walks the rows of an image made of the entries this program writes (fixed headers, empty
// second texts, no zero bytes in texts), reading the entries instead of searching for the row
// header and the column joint. In such an image those two byte runs occur exactly where
// entries begin, so the rows and parts are those that searching finds. Stops when `row` returns
// false. False as soon as the image holds anything else (`row` may have been called for the
// rows before) or `row` returned false.
template <typename RowHandler>
bool WalkWrittenRows(Image image, int32_t key_column, RowHandler&& row) {
  const unsigned char* bytes = image.bytes;
  const size_t length = image.length;
  // The end of the entry with `header` at `position`, or 0 when it has another header, is cut
  // short or has a second text; `text_end` receives where its text ends.
  auto entry_end = [&](size_t position, unsigned char kind, size_t* text_end) -> size_t {
    if (length - position < sizeof kRowHeader + 2) return 0;
    if (!IsWrittenHeader(bytes + position, kind)) return 0;
    size_t text = position + sizeof kRowHeader;
    auto* zero = static_cast<const unsigned char*>(std::memchr(bytes + text, 0, length - text));
    if (!zero || zero + 1 == bytes + length || zero[1] != 0) return 0;
    *text_end = static_cast<size_t>(zero - bytes);
    return *text_end + 2;
  };

  size_t position = 0;
  while (position < length) {
    Row current{};
    size_t number_end;
    size_t next = entry_end(position, kRowHeader[0], &number_end);
    if (next == 0) return false;
    current.start = position + sizeof kRowHeader;
    current.part_count = 1;
    size_t key_text_end = number_end;
    if (key_column == 0) current.key_start = current.start;
    while (next < length && bytes[next] != 0) {
      size_t text_end;
      size_t after = entry_end(next, kColumnHeader[0], &text_end);
      if (after == 0) return false;
      if (current.part_count == key_column) {
        current.key_start = next + sizeof kColumnHeader;
        key_text_end = text_end;
      }
      ++current.part_count;
      next = after;
    }
    // Parts end where the next joint begins, and the joint begins with the two zero bytes that
    // close an entry; only the last part keeps them.
    if (key_column < current.part_count) {
      size_t key_end = key_text_end + (key_column == current.part_count - 1 ? 2 : 0);
      current.key_length = key_end - current.key_start;
    }
    current.end = current.tail_end = next;
    current.tail_start = current.part_count > 1 ? number_end : next;
    if (!row(current)) return false;
    position = next;
  }
  return true;
}

// Walks the rows of any image by searching for the row header and, inside each row, for the
// column joint, as splitting the image at them gives the rows and their parts. What lies before
// the first row header is no row. Stops when `row` returns false.
template <typename RowHandler>
void WalkAnyRows(Image image, int32_t key_column, RowHandler&& row) {
  const unsigned char* bytes = image.bytes;
  const unsigned char* end = bytes + image.length;
  const unsigned char* header = FindBytes(bytes, end, kRowHeader, sizeof kRowHeader);
  while (header) {
    const unsigned char* piece = header + sizeof kRowHeader;
    const unsigned char* next = FindBytes(piece, end, kRowHeader, sizeof kRowHeader);
    const unsigned char* piece_end = next ? next : end;
    header = next;
    if (piece == piece_end) continue;  // an empty piece has no parts at all

    Row current{};
    current.start = static_cast<size_t>(piece - bytes);
    current.end = static_cast<size_t>(piece_end - bytes);
    current.tail_start = current.tail_end = current.end;
    const unsigned char* part = piece;
    for (;;) {
      const unsigned char* joint = FindBytes(part, piece_end, kColumnJoint, sizeof kColumnJoint);
      const unsigned char* part_end = joint ? joint : piece_end;
      if (joint || part < piece_end) {  // a joint that ends the piece leaves no empty part
        if (current.part_count == key_column) {
          current.key_start = static_cast<size_t>(part - bytes);
          current.key_length = static_cast<size_t>(part_end - part);
        }
        ++current.part_count;
        current.tail_end = static_cast<size_t>(part_end - bytes);
      }
      if (!joint) break;
      if (current.part_count == 1) current.tail_start = static_cast<size_t>(joint - bytes);
      part = joint + sizeof kColumnJoint;
    }
    if (current.part_count == 1) current.tail_start = current.tail_end = current.end;
    if (!row(current)) return;
  }
}

// Rows wait this many places between the walk and the key set, so that the set's slots for the
// keys ahead are fetched from memory while the rows before them are handled.
constexpr int kRowsAhead = 16;

}  // namespace

void RemoveDuplicatesCommand() {
  SetTitle(kTitleRemovingDuplicates);
  RemoveDuplicateRows(超级列表框1, 1, true);
  SetCountTitle(kTitleRemainingBefore, GetRowCount(超级列表框1), kTitleRemainingAfter);
}

void RemoveDuplicateRows(UnitRef list, int32_t key_column, bool renumber) {
  if (key_column < 0) key_column = 0;
  ListItemsView source = ShareListItems(list);
  Image image{source.bytes, static_cast<size_t>(source.length)};

  // The set is sized for the most keys there can be. A row has one key at most, and the list's
  // rows are those of its image; should the image hold more, the walk starts again with room
  // for as many keys as its length allows (a keyed row takes at least 37 bytes, 18 when the key
  // is the number).
  int64_t most_keys = GetRowCount(list);
  int64_t most_keys_by_length =
      static_cast<int64_t>(image.length) / (key_column == 0 ? 18 : 37) + 1;
  RowKeySet seen(image.bytes);
  std::optional<ImageWriter> output;
  RowNumberText number(1);
  struct Waiting {
    Row row;
    RowKeySet::Key key;
  };
  Waiting waiting[kRowsAhead];
  int64_t walked = 0, handled = 0, keys_walked = 0;

  auto keep_first = [&](const Waiting& next) {
    const Row& row = next.row;
    if (row.part_count <= key_column || row.key_length == 0) return;
    if (seen.Contains(next.key)) return;
    seen.Add(next.key);
    output->Append(kRowHeader, sizeof kRowHeader);
    if (renumber) {
      output->Append(number.text(), static_cast<size_t>(number.length()));
      output->Append(image.bytes + row.tail_start, row.tail_end - row.tail_start);
      number.Increment();
    } else {
      output->Append(image.bytes + row.start, row.end - row.start);
    }
  };
  auto walk = [&](const Row& row) {
    bool keyed = row.part_count > key_column && row.key_length > 0;
    if (keyed && keys_walked++ == most_keys) return false;
    if (walked - handled == kRowsAhead) keep_first(waiting[handled++ % kRowsAhead]);
    Waiting& next = waiting[walked++ % kRowsAhead];
    next.row = row;
    if (keyed) {
      next.key = seen.MakeKey(image.bytes + row.key_start, row.key_length);
      seen.Prefetch(next.key);
    }
    return true;
  };
  auto start = [&] {
    seen.Init(RowKeySet::CapacityFor(most_keys));
    output.emplace(static_cast<int64_t>(image.length));
    number = RowNumberText(1);
    walked = handled = keys_walked = 0;
  };
  start();
  if (!WalkWrittenRows(image, key_column, walk)) {
    most_keys = most_keys_by_length;
    start();
    WalkAnyRows(image, key_column, walk);
  }
  while (handled < walked) keep_first(waiting[handled++ % kRowsAhead]);

  bool unchanged =
      static_cast<size_t>(output->length()) == image.length &&
      (image.length == 0 || std::memcmp(output->bytes(), image.bytes, image.length) == 0);
  source = ListItemsView();
  if (unchanged) return;
  OwnedByteData rows(output->Finish());
  output.reset();
  InstallItems(list, std::move(rows));
  EnsureRowVisible(list, GetRowCount(list) - 1);
}

}  // namespace vx
