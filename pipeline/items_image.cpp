#include "pipeline/items_image.h"

#include "ui/list_control.h"
#include "ui/window_commands.h"

namespace vx {

ImageWriter::ImageWriter(int64_t capacity) : capacity_(capacity > 0 ? capacity : 0) {
  if (capacity_ > kLargestImage) ReportAllocationFailure(static_cast<size_t>(capacity_));
  block_ = static_cast<ByteData>(AllocateBlock(sizeof(ByteDataBlock) + capacity_));
  block_->marker = 1;
  block_->length = 0;
}

void ImageWriter::Grow(size_t count) {
  int64_t needed = block_->length + static_cast<int64_t>(count);
  int64_t grown = capacity_ + capacity_ / 2;
  if (grown < needed) grown = needed;
  if (grown > kLargestImage) grown = kLargestImage;
  if (needed > grown) ReportAllocationFailure(static_cast<size_t>(needed));
  block_ = static_cast<ByteData>(ReallocateBlock(block_, sizeof(ByteDataBlock) + grown));
  capacity_ = grown;
}

ByteData ImageWriter::Finish() {
  ByteData image = block_;
  block_ = nullptr;
  capacity_ = 0;
  if (image->length == 0) {
    FreeBlock(image);
    return nullptr;
  }
  // Room reserved for more than was written is given back, where the heap can do it in place.
  return static_cast<ByteData>(ReallocateBlock(image, sizeof(ByteDataBlock) + image->length));
}

void InstallItems(UnitRef list, OwnedByteData image) {
  SetUnitVisible(list, false);
  ForbidRedraw(list);
  HandOverListItems(list, image.release());
  SetUnitVisible(list, true);
  AllowRedraw(list);
}

}  // namespace vx
