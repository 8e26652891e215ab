// The entries of the items image that the pipeline writes, and that the row store recognises to
// keep such rows compactly: a row entry's header before its number, a column entry's header
// before its text, the two zero bytes that end an entry (the text's terminator and an empty
// second text), and the joint between one column's text and the next column entry.
#pragma once

#include <cstddef>

namespace vx {

inline constexpr size_t kEntryHeaderSize = 17;  // kind, then four 32-bit numbers
inline constexpr unsigned char kRowHeader[kEntryHeaderSize] = {
    0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0};
inline constexpr unsigned char kColumnHeader[kEntryHeaderSize] = {
    0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0};
inline constexpr unsigned char kEntryEnd[2] = {0, 0};
inline constexpr unsigned char kColumnJoint[19] = {
    0, 0, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0};

}  // namespace vx
