#include "pipeline/export_lines.h"

#include <cstring>

#include "pipeline/pipeline_texts.h"
#include "runtime/hex_digits.h"

namespace vx {

namespace {

constexpr size_t kSeparatorLength = sizeof kExportSeparator - 1;
constexpr size_t kLineEndLength = sizeof kExportLineEnd - 1;
constexpr size_t kSha256Bytes = 32;

char* Put(char* at, const char* bytes, size_t count) {
  std::memcpy(at, bytes, count);
  return at + count;
}

char* Put(char* at, const TextRun& text) {
  return Put(at, text.text, text.length);
}

bool BothDigests(const RowCells& row) {
  return row.digest.length != 0 && row.short_digest.length != 0;
}

size_t TextAndDigestsLength(const RowCells& row) {
  return row.text.length + row.digest.length + row.short_digest.length + 2 * kSeparatorLength +
         kLineEndLength;
}

char* SpellTextAndDigests(const RowCells& row, char* at) {
  at = Put(at, row.text);
  at = Put(at, kExportSeparator, kSeparatorLength);
  at = Put(at, row.digest);
  at = Put(at, kExportSeparator, kSeparatorLength);
  at = Put(at, row.short_digest);
  return Put(at, kExportLineEnd, kLineEndLength);
}

}  // namespace

size_t ExportLineLength(ExportType type, const RowCells& row) {
  switch (type) {
    case ExportType::kTextAndDigests:
      return TextAndDigestsLength(row);
    case ExportType::kMd5:
      return row.digest.length + kLineEndLength;
    case ExportType::kShortMd5:
      return row.short_digest.length + kLineEndLength;
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
      at = Put(at, row.digest);
      break;
    case ExportType::kShortMd5:
      at = Put(at, row.short_digest);
      break;
    case ExportType::kSha256:
      SpellHexDigits(sha256, kSha256Bytes, at);
      at += 2 * kSha256Bytes;
      break;
  }
  return Put(at, kExportLineEnd, kLineEndLength);
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
