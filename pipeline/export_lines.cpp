#include "pipeline/export_lines.h"

#include <cstring>

#include "pipeline/pipeline_texts.h"
#include "runtime/hex_digits.h"

namespace vx {

namespace {

constexpr size_t kSeparatorLength = sizeof kExportSeparator - 1;
constexpr size_t kLineEndLength = sizeof kExportLineEnd - 1;
constexpr size_t kSha256Bytes = 32;
constexpr size_t kDigestDigits = 2 * sizeof(DigestBytes);
// "16位MD5" is digits 9 to 24 of "32位MD5": bytes 4 to 11 of the digest.
constexpr size_t kMiddleFirstByte = 4;
constexpr size_t kMiddleBytes = 8;

char* Put(char* at, const char* bytes, size_t count) {
  std::memcpy(at, bytes, count);
  return at + count;
}

char* Put(char* at, const TextRun& text) {
  return Put(at, text.text, text.length);
}

size_t DigestLength(const RowCells& row) {
  return row.digest_spelled ? kDigestDigits : row.digest.length;
}

size_t ShortDigestLength(const RowCells& row) {
  return row.short_spelled ? 2 * kMiddleBytes : row.short_digest.length;
}

char* PutDigest(char* at, const RowCells& row) {
  if (!row.digest_spelled) return Put(at, row.digest);
  SpellHexDigits(row.bytes, sizeof row.bytes, at);
  return at + kDigestDigits;
}

char* PutShortDigest(char* at, const RowCells& row) {
  if (!row.short_spelled) return Put(at, row.short_digest);
  SpellHexDigits(row.bytes + kMiddleFirstByte, kMiddleBytes, at);
  return at + 2 * kMiddleBytes;
}

bool BothDigests(const RowCells& row) {
  return DigestLength(row) != 0 && ShortDigestLength(row) != 0;
}

size_t TextAndDigestsLength(const RowCells& row) {
  return row.text.length + DigestLength(row) + ShortDigestLength(row) + 2 * kSeparatorLength +
         kLineEndLength;
}

char* SpellTextAndDigests(const RowCells& row, char* at) {
  at = Put(at, row.text);
  at = Put(at, kExportSeparator, kSeparatorLength);
  at = PutDigest(at, row);
  at = Put(at, kExportSeparator, kSeparatorLength);
  at = PutShortDigest(at, row);
  return Put(at, kExportLineEnd, kLineEndLength);
}

}  // namespace

size_t ExportLineLength(ExportType type, const RowCells& row) {
  switch (type) {
    case ExportType::kTextAndDigests:
      return TextAndDigestsLength(row);
    case ExportType::kMd5:
      return DigestLength(row) + kLineEndLength;
    case ExportType::kShortMd5:
      return ShortDigestLength(row) + kLineEndLength;
    case ExportType::kSha256:
      return 2 * kSha256Bytes + kLineEndLength;
  }
  return 0;
}

char* SpellExportLine(ExportType type, const RowCells& row, const unsigned char* sha256, char* at) {
  switch (type) {
    case ExportType::kTextAndDigests:
      return SpellTextAndDigests(row, at);
    case ExportType::kMd5:
      at = PutDigest(at, row);
      break;
    case ExportType::kShortMd5:
      at = PutShortDigest(at, row);
      break;
    case ExportType::kSha256:
      SpellHexDigits(sha256, kSha256Bytes, at);
      at += 2 * kSha256Bytes;
      break;
  }
  return Put(at, kExportLineEnd, kLineEndLength);
}

// The type is a constant here, so the one switch of each call below folds away: the lines of a
// block are spelled by the same code as a single line, without looking at the type per row.
template <ExportType kType>
char* SpellLinesOfType(const RowCells* rows, int32_t count, char* at, const char* end,
                       int32_t* spelled) {
  int32_t i = 0;
  for (; i < count && static_cast<size_t>(end - at) >= ExportLineLength(kType, rows[i]); ++i) {
    at = SpellExportLine(kType, rows[i], nullptr, at);
  }
  *spelled = i;
  return at;
}

char* SpellExportLines(ExportType type, const RowCells* rows, int32_t count, char* at,
                       const char* end, int32_t* spelled) {
  switch (type) {
    case ExportType::kTextAndDigests:
      return SpellLinesOfType<ExportType::kTextAndDigests>(rows, count, at, end, spelled);
    case ExportType::kMd5:
      return SpellLinesOfType<ExportType::kMd5>(rows, count, at, end, spelled);
    case ExportType::kShortMd5:
      return SpellLinesOfType<ExportType::kShortMd5>(rows, count, at, end, spelled);
    case ExportType::kSha256:
      break;
  }
  *spelled = 0;
  return at;
}

size_t CopiedLineLength(const RowCells& row) {
  return BothDigests(row) ? TextAndDigestsLength(row) : row.text.length + kLineEndLength;
}

char* SpellCopiedLine(const RowCells& row, char* at) {
  if (BothDigests(row)) return SpellTextAndDigests(row, at);
  at = Put(at, row.text);
  return Put(at, kExportLineEnd, kLineEndLength);
}

}  // namespace vx
