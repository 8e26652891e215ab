#include "pipeline/remove_duplicates.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

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
    const unsigned char* zero = FindZero(bytes + text, bytes + length);
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

// Where a walked row lies in the image, as 32-bit offsets (an image is byte data).
struct WalkedRow {
  uint32_t start;
  uint32_t end;
  uint32_t tail_start;
  uint32_t tail_end;
};

// The keys are looked up partition by partition: a set for all of them would be hundreds of
// megabytes, each lookup a wait for memory, where a partition's set stays in the processor's
// cache. A key's partition follows from its hash, so equal keys meet in one partition, and the
// keys of a partition keep the rows' order, so the first row of every key is still the one kept.
// Keys of up to kCarriedKey bytes travel with their rows, so that telling a repeated key from
// one of the same hash reads nothing from the image.
class KeyPartitions {
 public:
  // Room for about `keys` keys, each partition with some to spare; what a full partition cannot
  // take waits in the spill, in row order.
  explicit KeyPartitions(int64_t keys) {
    while (bits_ < kMostBits && (kKeysPerPartition << bits_) < keys) ++bits_;
    size_t partitions = size_t{1} << bits_;
    auto expected = static_cast<size_t>(keys > 0 ? keys : 0) / partitions;
    capacity_ = expected + 4 * static_cast<size_t>(std::sqrt(static_cast<double>(expected))) + 32;
    regions_.reset(new KeyedRow[partitions * capacity_]);  // not cleared: only filled parts count
    fill_.assign(partitions, 0);
  }

  // The key of row `row`: the `key_length` (1 or more) bytes at `key_start` of the image.
  void Add(uint32_t row, const unsigned char* image, size_t image_length, size_t key_start,
           size_t key_length) {
    uint32_t hash = RowKeySet::Hash(image + key_start, key_length);
    uint32_t partition = PartitionOf(hash);
    KeyedRow* keyed = fill_[partition] < capacity_
                          ? &regions_[partition * capacity_ + fill_[partition]++]
                          : &spill_.emplace_back();
    keyed->row = row;
    keyed->hash = hash;
    keyed->length = static_cast<uint32_t>(key_length);
    if (key_length > kCarriedKey) {
      keyed->key.image_offset = static_cast<uint32_t>(key_start);
    } else {
      // A whole copy where the image goes on long enough; what follows the key is not looked at.
      size_t copied = image_length - key_start >= kCarriedKey ? kCarriedKey : key_length;
      std::memcpy(keyed->key.bytes, image + key_start, copied);
    }
  }

  // Calls `repeat(row)` for every row whose key an earlier row has.
  template <typename Repeat>
  void ForEachRepeat(const unsigned char* image, Repeat&& repeat) {
    size_t partitions = fill_.size();
    std::vector<size_t> spill_starts(partitions + 1, 0);
    for (const KeyedRow& keyed : spill_) ++spill_starts[PartitionOf(keyed.hash) + 1];
    for (size_t p = 0; p < partitions; ++p) spill_starts[p + 1] += spill_starts[p];
    std::vector<KeyedRow> spilled(spill_.size());
    {
      std::vector<size_t> next(spill_starts.begin(), spill_starts.end() - 1);
      for (const KeyedRow& keyed : spill_) spilled[next[PartitionOf(keyed.hash)]++] = keyed;
    }
    spill_ = std::vector<KeyedRow>();

    RowKeySet carried(nullptr);  // keys in the rows' copies
    RowKeySet long_keys(image);  // longer keys, in the image
    std::vector<KeyedRow> joined;
    for (size_t p = 0; p < partitions; ++p) {
      const KeyedRow* keys = &regions_[p * capacity_];
      size_t count = fill_[p];
      if (spill_starts[p + 1] > spill_starts[p]) {  // the spill follows the partition's rows
        joined.assign(keys, keys + count);
        joined.insert(joined.end(), spilled.begin() + static_cast<ptrdiff_t>(spill_starts[p]),
                      spilled.begin() + static_cast<ptrdiff_t>(spill_starts[p + 1]));
        keys = joined.data();
        count = joined.size();
      }
      carried.Init(RowKeySet::CapacityFor(static_cast<int64_t>(count)));
      carried.UseBuffer(reinterpret_cast<const unsigned char*>(keys));
      bool long_keys_ready = false;
      for (size_t i = 0; i < count; ++i) {
        const KeyedRow& keyed = keys[i];
        RowKeySet* set = &carried;
        const unsigned char* bytes = keyed.key.bytes;
        if (keyed.length > kCarriedKey) {
          if (!long_keys_ready) long_keys.Init(RowKeySet::CapacityFor(static_cast<int64_t>(count)));
          long_keys_ready = true;
          set = &long_keys;
          bytes = image + keyed.key.image_offset;
        }
        RowKeySet::Key key = set->MakeKey(bytes, keyed.length, keyed.hash);
        if (set->Contains(key)) {
          repeat(keyed.row);
        } else {
          set->Add(key);
        }
      }
    }
  }

 private:
  static constexpr size_t kCarriedKey = 20;
  // A partition's set then takes about 400 KB, within a core's second-level cache, and the walk
  // writes to few enough partitions at once that their pages stay within the address
  // translation cache (with 4096 keys a partition, ten million rows took the walk twice as long).
  static constexpr int64_t kKeysPerPartition = 16384;
  static constexpr int kMostBits = 12;

  struct KeyedRow {
    uint32_t row;  // the row's number in the walk, from 0
    uint32_t hash;
    uint32_t length;
    union {
      unsigned char bytes[kCarriedKey];  // up to kCarriedKey bytes
      uint32_t image_offset;             // longer
    } key;
  };

  // The partition of a hash: its top bits after a multiplication that spreads every bit of it
  // over them (the hashes of short keys are small numbers).
  uint32_t PartitionOf(uint32_t hash) const {
    return bits_ == 0 ? 0 : (hash * 0x9E3779B1u) >> (32 - bits_);
  }

  int bits_ = 0;
  size_t capacity_;  // keys per partition
  std::unique_ptr<KeyedRow[]> regions_;
  std::vector<size_t> fill_;
  std::vector<KeyedRow> spill_;
};

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

  // The list's rows are its image's row entries, so the walk finds as many as the list has
  // (WalkAnyRows may find others, for which the arrays grow).
  std::vector<WalkedRow> rows;
  std::vector<uint8_t> dropped;  // per row
  std::optional<KeyPartitions> keys;
  auto start_walk = [&] {
    auto most_rows = static_cast<size_t>(GetRowCount(list));
    rows = std::vector<WalkedRow>();
    rows.reserve(most_rows);
    dropped = std::vector<uint8_t>();
    dropped.reserve(most_rows);
    keys.emplace(static_cast<int64_t>(most_rows));
  };
  auto walk = [&](const Row& row) {
    auto number = static_cast<uint32_t>(rows.size());
    rows.push_back({static_cast<uint32_t>(row.start), static_cast<uint32_t>(row.end),
                    static_cast<uint32_t>(row.tail_start), static_cast<uint32_t>(row.tail_end)});
    bool keyed = row.part_count > key_column && row.key_length > 0;
    dropped.push_back(keyed ? 0 : 1);
    if (keyed) keys->Add(number, image.bytes, image.length, row.key_start, row.key_length);
    return true;
  };
  // Only the entries this program writes are known to be whole and to start rows exactly where
  // the walk found them; the rows of any other image are found by the list again.
  start_walk();
  bool written_entries = WalkWrittenRows(image, key_column, walk);
  if (!written_entries) {
    start_walk();
    WalkAnyRows(image, key_column, walk);
  }
  keys->ForEachRepeat(image.bytes, [&](uint32_t row) { dropped[row] = 1; });
  keys.reset();

  ImageWriter output(static_cast<int64_t>(image.length), static_cast<int64_t>(rows.size()));
  if (!written_entries) output.DropRowIndex();
  RowNumberText number(1);
  for (size_t i = 0; i < rows.size(); ++i) {
    if (dropped[i]) continue;
    const WalkedRow& row = rows[i];
    output.AppendRowHeader();
    // A renumbered row without column entries loses the zero bytes that closed its row entry
    // along with its number, so the image is no longer made of whole entries.
    if (renumber && row.tail_start == row.tail_end) output.DropRowIndex();
    if (renumber) {
      output.Append(number.text(), static_cast<size_t>(number.length()));
      output.Append(image.bytes + row.tail_start, row.tail_end - row.tail_start);
      number.Increment();
    } else {
      output.Append(image.bytes + row.start, row.end - row.start);
    }
  }
  rows = std::vector<WalkedRow>();

  bool unchanged =
      static_cast<size_t>(output.length()) == image.length &&
      (image.length == 0 || std::memcmp(output.bytes(), image.bytes, image.length) == 0);
  source = ListItemsView();
  if (unchanged) return;
  output.InstallInto(list);
  EnsureRowVisible(list, GetRowCount(list) - 1);
}

}  // namespace vx
