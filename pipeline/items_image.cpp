#include "pipeline/items_image.h"

#include "ui/list_control.h"
#include "ui/window_commands.h"

namespace vx {

ImageWriter::ImageWriter(int64_t capacity, int64_t rows)
    : capacity_(capacity > 0 ? capacity : 0), row_capacity_(rows > 0 ? rows : 0) {
  block_ = static_cast<ByteData>(AllocateBlock(sizeof(ByteDataBlock) + capacity_));
  block_->marker = 1;
  block_->length = 0;
  if (row_capacity_ > 0) {
    row_offsets_ = static_cast<uint64_t*>(
        AllocateBlock(static_cast<size_t>(row_capacity_) * sizeof(uint64_t)));
  }
}

void ImageWriter::GrowRowOffsets() {
  row_capacity_ = row_capacity_ + row_capacity_ / 2 + 16;
  row_offsets_ = static_cast<uint64_t*>(
      ReallocateBlock(row_offsets_, static_cast<size_t>(row_capacity_) * sizeof(uint64_t)));
}

void ImageWriter::Grow(size_t count) {
  int64_t needed = block_->length + static_cast<int64_t>(count);
  int64_t grown = capacity_ + capacity_ / 2;
  if (grown < needed) grown = needed;
  block_ = static_cast<ByteData>(ReallocateBlock(block_, sizeof(ByteDataBlock) + grown));
  capacity_ = grown;
}

// Room reserved for more than was written is given back, where the heap can do it in place.
ByteData ImageWriter::Finish() {
  ByteData image = block_;
  block_ = nullptr;
  capacity_ = 0;
  if (image->length == 0) {
    FreeBlock(image);
    return nullptr;
  }
  return static_cast<ByteData>(ReallocateBlock(image, sizeof(ByteDataBlock) + image->length));
}

void ImageWriter::InstallInto(UnitRef list) {
  uint64_t* row_offsets = row_offsets_;
  auto row_count = static_cast<int32_t>(row_count_);
  row_offsets_ = nullptr;
  row_capacity_ = row_count_ = 0;
  ByteData image = Finish();
  if (!indexed_ || row_count == 0) {
    FreeBlock(row_offsets);
    row_offsets = nullptr;
    row_count = 0;
  }
  InstallItems(list, OwnedByteData(image), row_offsets, row_count);
}

namespace {

// The list hidden and kept from repainting while `hand_over` gives it its new rows.
template <typename HandOver>
void InstallHidden(UnitRef list, HandOver&& hand_over) {
  SetUnitVisible(list, false);
  ForbidRedraw(list);
  hand_over();
  SetUnitVisible(list, true);
  AllowRedraw(list);
}

}  // namespace

void InstallItems(UnitRef list, OwnedByteData image, uint64_t* row_offsets, int32_t row_count) {
  InstallHidden(list, [&] {
    if (row_offsets) {
      HandOverIndexedListItems(list, image.release(), row_offsets, row_count);
    } else {
      HandOverListItems(list, image.release());
    }
  });
}

void InstallNumberedRows(UnitRef list, std::shared_ptr<const NumberedRows> rows) {
  InstallHidden(list, [&] { HandOverNumberedRows(list, std::move(rows)); });
}

}  // namespace vx
