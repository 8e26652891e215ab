#include "pipeline/numbered_lines.h"

#include <cstring>

#include "pipeline/event_pacer.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vx {

namespace {

// Lines counted between two looks at the clock.
constexpr int64_t kLinesBetweenLooks = 1 << 16;
// The lines of this many bytes at the file's start tell how many pointers the whole file needs.
constexpr size_t kSampleBytes = size_t{4} << 20;

// The length of the text of the line `line`: up to its first zero byte, cut at the first
// `separator` that starts a character, as a split of the line finds it.
size_t TextLengthBySplitting(const unsigned char* line, size_t bytes, Separator separator) {
  size_t text_length = TextLengthOfLine(line, bytes);
  if (text_length == 0) return 0;
  ForEachColumn(line, text_length, separator, 1,
                [&](const unsigned char*, size_t piece) { text_length = piece; });
  return text_length;
}

// Whether the separator, whose bytes are neither CR nor LF, lies at `at`, inside [at, end).
bool SeparatorAt(const unsigned char* at, const unsigned char* end, Separator separator) {
  return static_cast<size_t>(end - at) >= separator.length &&
         std::memcmp(at, separator.bytes, separator.length) == 0;
}

// Calls `line(bytes, length, text_length)` for each line of `content` as ForEachLine cuts it,
// with the length of its text as TextLengthBySplitting finds it, in one walk over the bytes.
// Sixteen bytes are looked at a time: where CR LF ends a line, and where zero bytes and the
// separator's first byte are; the first of those in a line that ends its text is found there.
// The last bytes, and every line where the separator holds a CR or LF, are cut by splitting.
template <typename Line>
void ForEachLineText(const unsigned char* content, size_t length, Separator separator,
                     Line&& line) {
  const unsigned char* end = content + length;
  const unsigned char* line_start = content;
  bool any_line_end = false;
  size_t i = 0;
  bool scan_cuts = true;
  for (size_t k = 0; k < separator.length; ++k) {
    if (separator.bytes[k] == '\r' || separator.bytes[k] == '\n') scan_cuts = false;
  }
#if defined(__SSE2__)
  if (scan_cuts) {
    const unsigned char* cut = nullptr;  // where the text of the line at line_start ends
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i zero = _mm_setzero_si128();
    // Without a separator only zero bytes end a text.
    const __m128i marked =
        _mm_set1_epi8(static_cast<char>(separator.length ? separator.bytes[0] : 0));
    uint32_t cr_before = 0;  // a CR at the last byte of the sixteen before
    for (; i + 16 <= length; i += 16) {
      __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(content + i));
      auto crs = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, cr)));
      auto lfs = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lf)));
      auto specials = static_cast<uint32_t>(_mm_movemask_epi8(
          _mm_or_si128(_mm_cmpeq_epi8(bytes, zero), _mm_cmpeq_epi8(bytes, marked))));
      uint32_t ends = lfs & (crs << 1 | cr_before);  // the LF of each CR LF
      cr_before = crs >> 15;
      // Line ends and special bytes in the order they come. Once a line's text has its end,
      // the line's other special bytes are passed over (a file of zero bytes has nothing else).
      uint32_t events = ends | specials;
      auto pass_over_specials_of_line = [&] {
        uint32_t later_ends = ends & events;
        uint32_t before_line_end = later_ends ? (later_ends & (0u - later_ends)) - 1 : ~0u;
        events &= ~(specials & before_line_end);
      };
      if (cut) pass_over_specials_of_line();
      while (events) {
        int at = __builtin_ctz(events);
        events &= events - 1;
        const unsigned char* position = content + i + at;
        if (ends >> at & 1) {
          const unsigned char* line_end = position - 1;  // its CR
          auto bytes_in_line = static_cast<size_t>(line_end - line_start);
          line(line_start, bytes_in_line,
               cut ? static_cast<size_t>(cut - line_start) : bytes_in_line);
          any_line_end = true;
          line_start = position + 1;
          cut = nullptr;
        } else if (*position == 0 || (SeparatorAt(position, end, separator) &&
                                      StartsCharacter(line_start, position))) {
          cut = position;
          pass_over_specials_of_line();
        }
      }
    }
  }
#endif
  for (; i < length; ++i) {
    const unsigned char* at = content + i;
    if (*at == '\n' && at > line_start && at[-1] == '\r') {
      auto bytes_in_line = static_cast<size_t>(at - 1 - line_start);
      line(line_start, bytes_in_line, TextLengthBySplitting(line_start, bytes_in_line, separator));
      any_line_end = true;
      line_start = at + 1;
    }
  }
  if (line_start < end || !any_line_end) {
    auto bytes_in_line = static_cast<size_t>(end - line_start);
    line(line_start, bytes_in_line, TextLengthBySplitting(line_start, bytes_in_line, separator));
  }
}

// The number of lines in the `length` bytes at `content`, as ForEachLine cuts them.
int64_t CountLines(const unsigned char* content, size_t length, EventPacer* pacer) {
  int64_t count = 0;
  const unsigned char* line_start = content;
  const unsigned char* end = content + length;
  bool any_line_end = false;
  for (const unsigned char* at = content; at < end;) {
    at = static_cast<const unsigned char*>(std::memchr(at, '\n', static_cast<size_t>(end - at)));
    if (!at) break;
    if (at > line_start && at[-1] == '\r') {
      any_line_end = true;
      line_start = at + 1;
      if (++count % kLinesBetweenLooks == 0 && pacer) pacer->Between();
    }
    ++at;
  }
  return count + (line_start < end || !any_line_end ? 1 : 0);
}

}  // namespace

// The rows are made in one walk over the file. Their pointers go into a block sized by the lines
// of the file's first megabytes, grown in the rare file whose later lines are shorter, and cut
// to size at the end; where even that block cannot be had, the lines are counted first.
std::shared_ptr<const NumberedRows> NumberLines(
    std::unique_ptr<RapidString> lines, Separator separator, int32_t chunk_lines,
    const std::function<void(int64_t bytes_done, int64_t bytes)>& between_chunks) {
  int64_t length = 0;
  BufferStorage storage = lines->ReleaseContent(&length);
  lines.reset();
  unsigned char* content = storage.get();
  std::shared_ptr<const void> holder(std::move(storage));
  auto size = static_cast<size_t>(length);

  // A line takes two bytes at least, its CR LF.
  const int64_t most_lines = static_cast<int64_t>(size / 2) + 1;
  size_t sample = size < kSampleBytes ? size : kSampleBytes;
  int64_t sampled = CountLines(content, sample, nullptr);
  int64_t capacity = sample == size
                         ? sampled
                         : static_cast<int64_t>(
                               static_cast<double>(sampled) *
                               (static_cast<double>(size) / static_cast<double>(sample)) * 1.0625) +
                               1024;
  if (capacity > most_lines) capacity = most_lines;
  const char** texts = nullptr;
  if (capacity <= INT32_MAX) {
    texts = static_cast<const char**>(
        TryAllocateBlock(static_cast<size_t>(capacity) * sizeof(const char*)));
  }
  if (!texts) {
    // Counting the lines of a large file takes long enough that the window must answer meanwhile.
    EventPacer pacer;
    capacity = CountLines(content, size, &pacer);
    if (capacity > INT32_MAX) return nullptr;  // a list counts its rows in 32 bits
    texts = static_cast<const char**>(
        TryAllocateBlock(static_cast<size_t>(capacity) * sizeof(const char*)));
    if (!texts) return nullptr;
  }

  int64_t row = 0;
  bool out_of_memory = false;
  ForEachLineText(
      content, size, separator, [&](const unsigned char* line, size_t bytes, size_t text_length) {
        if (out_of_memory) return;
        if (row == capacity) {
          // Room for the rest of the file's lines at the rate of those walked so far.
          auto walked = static_cast<double>(line - content) + 1;
          auto grown = static_cast<int64_t>(static_cast<double>(row) *
                                            (static_cast<double>(size) / walked) * 1.0625) +
                       1024;
          if (grown > most_lines) grown = most_lines;
          void* more =
              grown <= INT32_MAX
                  ? TryReallocateBlock(texts, static_cast<size_t>(grown) * sizeof(const char*))
                  : nullptr;
          if (!more) {
            out_of_memory = true;
            return;
          }
          texts = static_cast<const char**>(more);
          capacity = grown;
        }
        // A line without bytes before its first zero byte has no text column; a line that begins
        // with the separator has an empty one.
        const char* text = nullptr;
        if (bytes > 0 && line[0] != 0) {
          // The byte after the text is its CR, a separator's first byte or a zero byte, or the
          // terminator after the content: the text ends there in place.
          auto* writable = const_cast<unsigned char*>(line);
          writable[text_length] = 0;
          text = reinterpret_cast<const char*>(line);
        }
        texts[row++] = text;
        if (row % chunk_lines == 0) {
          // The line's CR LF counts as made too (the last line may have none).
          auto made = static_cast<int64_t>(line + bytes - content) + 2;
          between_chunks(made < length ? made : length, length);
        }
      });
  if (out_of_memory) {
    FreeBlock(texts);
    return nullptr;
  }
  if (row % chunk_lines != 0) between_chunks(length, length);
  if (row < capacity) {
    texts = static_cast<const char**>(
        ReallocateBlock(texts, static_cast<size_t>(row) * sizeof(const char*)));
  }
  return std::make_shared<const NumberedRows>(std::move(holder), size + 1, texts,
                                              static_cast<int32_t>(row));
}

}  // namespace vx
