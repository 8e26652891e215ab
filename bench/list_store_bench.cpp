// The list's row store at the import's scale: installing an items image of ten million rows (the
// import's entries, 11-byte texts such as phone numbers), the MD5 worker's cell sequence on every
// row, and type-to-find. Prints times and memory; the peak is the process's (ru_maxrss), so it
// includes the caller's own image.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>

#include "app/main_window.h"
#include "runtime/runtime.h"
#include "runtime/values.h"
#include "ui/list_control.h"
#include "ui/units.h"

namespace {

using Clock = std::chrono::steady_clock;

double MegabytesOf(long long bytes) {
  return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

double PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

double ResidentMegabytes() {
  long long total = 0, resident = 0;
  std::ifstream statm("/proc/self/statm");
  statm >> total >> resident;
  return MegabytesOf(resident * sysconf(_SC_PAGESIZE));
}

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void AppendEntry(unsigned char*& cursor, unsigned char kind, const char* text, size_t length) {
  static const unsigned char kHeader[16] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                            0,    0,    0,    0,    0,    0,    0,    0};
  *cursor++ = kind;
  std::memcpy(cursor, kHeader, sizeof kHeader);
  cursor += sizeof kHeader;
  std::memcpy(cursor, text, length);
  cursor += length;
  *cursor++ = 0;
  *cursor++ = 0;
}

// The image the import writes for `rows` lines "138" + eight digits.
vx::ByteData ImportImage(int32_t rows) {
  size_t size = 0;
  char number[16];
  for (int32_t row = 1; row <= rows; ++row) {
    size += 19 + static_cast<size_t>(std::snprintf(number, sizeof number, "%d", row)) + 19 + 11;
  }
  auto* image = static_cast<vx::ByteData>(vx::AllocateBlock(sizeof(vx::ByteDataBlock) + size));
  image->marker = 1;
  image->length = static_cast<int64_t>(size);
  unsigned char* cursor = vx::ByteDataBytes(image);
  char text[16];
  for (int32_t row = 1; row <= rows; ++row) {
    int length = std::snprintf(number, sizeof number, "%d", row);
    AppendEntry(cursor, 0, number, static_cast<size_t>(length));
    std::snprintf(text, sizeof text, "138%08d", row);
    AppendEntry(cursor, 1, text, 11);
  }
  return image;
}

// GetRowCount, GetCellText(row, 1), SetCellText(row, 2, 32 digits), GetCellText(row, 2),
// SetCellText(row, 3, 16 digits): the MD5 worker's calls, without the digest itself.
double WorkerPass(int32_t rows, char variant) {
  char digits[33];
  Clock::time_point start = Clock::now();
  for (int32_t row = 0; row < vx::GetRowCount(vx::超级列表框1); ++row) {
    vx::Text text = vx::GetCellText(vx::超级列表框1, row, 1);
    std::memset(digits, variant, 32);
    std::memcpy(digits, text, 11);
    digits[32] = '\0';
    vx::FreeBlock(text);
    vx::SetCellText(vx::超级列表框1, row, 2, digits);
    vx::Text digest = vx::GetCellText(vx::超级列表框1, row, 2);
    digest[24] = '\0';
    vx::SetCellText(vx::超级列表框1, row, 3, digest + 8);
    vx::FreeBlock(digest);
  }
  double seconds = SecondsSince(start);
  std::printf("  worker pass '%c': %.3f s, %.1f ns per row; resident %.0f MB, peak %.0f MB\n",
              variant, seconds, seconds * 1e9 / rows, ResidentMegabytes(), PeakMegabytes());
  return seconds;
}

// What the store's lock costs uncontended, to set against the worker's time per row (four cell
// calls, four lock pairs).
void LockCost() {
  std::mutex mutex;
  constexpr int kPairs = 40000000;
  Clock::time_point start = Clock::now();
  for (int i = 0; i < kPairs; ++i) {
    mutex.lock();
    mutex.unlock();
  }
  std::printf("  uncontended lock and unlock: %.1f ns\n", SecondsSince(start) * 1e9 / kPairs);
}

// The row that typing `prefix` finds from `start` on, and how long the search took.
void FindRow(const char* prefix, int32_t start) {
  Clock::time_point begin = Clock::now();
  int32_t row = vx::FindRowStartingWith(vx::超级列表框1, start, prefix, std::strlen(prefix));
  std::printf("  type-to-find \"%s\" from row %d: row %d in %.3f ms\n", prefix, start, row,
              SecondsSince(begin) * 1000);
}

void TypeToFind(int32_t rows) {
  for (const char* prefix : {"1", "9999999", "5000000", "0"}) FindRow(prefix, rows / 2);
  FindRow("1", rows - 1);  // wraps to the first row
  // The same once a number cell was rewritten: the store then looks at every row.
  vx::SetCellText(vx::超级列表框1, 0, 0, "x");
  FindRow("9999999", rows / 2);
  FindRow("0", rows / 2);
}

}  // namespace

int main(int argc, char** argv) {
  int32_t rows = argc > 1 ? std::atoi(argv[1]) : 10000000;
  vx::InitializeRuntime();
  vx::LoadStartWindow(vx::MainWindowLayout());
  std::printf("list store, %d rows of 11-byte texts\n", rows);

  vx::ByteData image = ImportImage(rows);
  std::printf("  caller's image: %.0f MB; resident %.0f MB\n",
              MegabytesOf(vx::ByteDataLength(image)), ResidentMegabytes());
  Clock::time_point start = Clock::now();
  vx::WriteListItems(vx::超级列表框1, image);
  double write_seconds = SecondsSince(start);
  std::printf("  write items: %.3f s; rows %d; peak %.0f MB (target: under 1 s and 1536 MB)\n",
              write_seconds, vx::GetRowCount(vx::超级列表框1), PeakMegabytes());
  vx::FreeBlock(image);
  std::printf("  after the caller freed its image: resident %.0f MB\n", ResidentMegabytes());

  start = Clock::now();
  vx::ByteData copy = vx::ReadListItems(vx::超级列表框1);
  std::printf("  read items: %.3f s\n", SecondsSince(start));
  vx::FreeBlock(copy);

  WorkerPass(rows, 'a');  // every cell of columns 2 and 3 gets its slot
  WorkerPass(rows, 'b');  // rewritten in place
  WorkerPass(rows, 'c');
  LockCost();
  TypeToFind(rows);

  vx::Text last = vx::GetCellText(vx::超级列表框1, rows - 1, 3);
  std::printf("  last row's column 3: %s\n", last ? last : "(empty)");
  vx::FreeBlock(last);
  return 0;
}
