#include "runtime/texts.h"

#include <cstring>

#include "runtime/splitting.h"

namespace vx {

namespace {

constexpr unsigned char kDefaultByteSeparator[] = {0};

// The member limit of a split: negative means none. A given limit below 0 counts as 0.
int32_t MemberLimit(std::optional<int32_t> limit) {
  if (!limit) return -1;
  return *limit < 0 ? 0 : *limit;
}

}  // namespace

ValueArray SplitText(const char* text, std::optional<const char*> separator,
                     std::optional<int32_t> limit) {
  int32_t remaining = MemberLimit(limit);
  int32_t length = TextLength(text);
  if (length == 0 || remaining == 0) return AllocateArray(0);
  const char* separator_text = separator ? *separator : ",";
  size_t separator_length = static_cast<size_t>(TextLength(separator_text));
  if (separator_length == 0) {
    ValueArray whole = AllocateArray(1);
    ArrayElements(whole)[0] = CopyText(text);
    return whole;
  }

  auto* pattern = reinterpret_cast<const unsigned char*>(separator_text);
  auto* piece = reinterpret_cast<const unsigned char*>(text);
  const unsigned char* end = piece + length;
  const unsigned char* character_start = piece;
  const unsigned char* search_from = piece;
  MemberCollector members;
  while (const unsigned char* match = FindBytes(search_from, end, pattern, separator_length)) {
    if (!StartsCharacter(character_start, match)) {
      // The match begins on the second byte of a character, so the next byte starts one.
      character_start = search_from = match + 1;
      continue;
    }
    members.Add(CopyTextBytes(piece, match - piece));
    piece = character_start = search_from = match + separator_length;
    if (remaining > 0 && --remaining == 0) return members.Finish();
  }
  if (piece < end) members.Add(CopyTextBytes(piece, end - piece));
  return members.Finish();
}

ValueArray SplitByteData(const ByteDataBlock* data, std::optional<const ByteDataBlock*> separator,
                         std::optional<int32_t> limit) {
  int32_t remaining = MemberLimit(limit);
  int64_t length = ByteDataLength(data);
  if (length == 0 || remaining == 0) return AllocateArray(0);
  const unsigned char* pattern = kDefaultByteSeparator;
  size_t separator_length = 1;
  if (separator) {
    pattern = ByteDataBytes(*separator);
    separator_length = static_cast<size_t>(ByteDataLength(*separator));
  }
  const unsigned char* piece = ByteDataBytes(data);
  if (separator_length == 0) {
    ValueArray whole = AllocateArray(1);
    ArrayElements(whole)[0] = MakeByteData(piece, length);
    return whole;
  }

  const unsigned char* end = piece + length;
  MemberCollector members;
  while (const unsigned char* match = FindBytes(piece, end, pattern, separator_length)) {
    members.Add(MakeByteData(piece, match - piece));
    piece = match + separator_length;
    if (remaining > 0 && --remaining == 0) return members.Finish();
  }
  if (piece < end) members.Add(MakeByteData(piece, end - piece));
  return members.Finish();
}

Text TextMiddle(const char* text, int32_t start, int32_t length) {
  int32_t text_length = TextLength(text);
  if (start < 1 || start > text_length || length < 1) return nullptr;
  int32_t available = text_length - start + 1;
  return CopyTextBytes(text + start - 1, length < available ? length : available);
}

}  // namespace vx
