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

// Calls `line(bytes, length, plain)` for each line of `content` as ForEachLine does; `plain` says
// that the line holds no zero byte and no `special` byte, so that its text is the whole line.
// Sixteen bytes are looked at a time: where CR LF ends a line, and where the special bytes are.
template <typename Line>
void ForEachLineMarked(const unsigned char* content, size_t length, unsigned char special,
                       Line&& line) {
  const unsigned char* end = content + length;
  const unsigned char* line_start = content;
  bool any_line_end = false;
  size_t i = 0;
#if defined(__SSE2__)
  bool line_is_plain = true;
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i zero = _mm_setzero_si128();
  const __m128i marked = _mm_set1_epi8(static_cast<char>(special));
  uint32_t cr_before = 0;  // a CR at the last byte of the sixteen before
  for (; i + 16 <= length; i += 16) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(content + i));
    auto crs = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, cr)));
    auto lfs = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lf)));
    auto specials = static_cast<uint32_t>(_mm_movemask_epi8(
        _mm_or_si128(_mm_cmpeq_epi8(bytes, zero), _mm_cmpeq_epi8(bytes, marked))));
    uint32_t ends = lfs & (crs << 1 | cr_before);  // the LF of each CR LF
    cr_before = crs >> 15;
    while (ends) {
      int lf_at = __builtin_ctz(ends);
      const unsigned char* line_end = content + i + lf_at - 1;  // its CR
      // Special bytes of this line among these sixteen: those before its CR (none when the CR
      // was the last byte before them).
      uint32_t before = lf_at == 0 ? 0 : specials & ((uint32_t{1} << (lf_at - 1)) - 1);
      bool plain = line_is_plain && before == 0;
      line(line_start, static_cast<size_t>(line_end - line_start), plain);
      any_line_end = true;
      line_start = line_end + 2;
      specials &= ~((uint32_t{2} << lf_at) - 1);  // what follows the LF belongs to the next line
      line_is_plain = true;
      ends &= ends - 1;
    }
    if (specials) line_is_plain = false;
  }
#endif
  // The last bytes, one at a time; a special byte among them leaves the line to the slow cut.
  for (; i < length; ++i) {
    const unsigned char* at = content + i;
    if (*at == '\n' && at > line_start && at[-1] == '\r') {
      line(line_start, static_cast<size_t>(at - 1 - line_start), false);
      any_line_end = true;
      line_start = at + 1;
    }
  }
  if (line_start < end || !any_line_end) {
    line(line_start, static_cast<size_t>(end - line_start), false);
  }
}

}  // namespace

std::shared_ptr<const NumberedRows> NumberLines(
    std::unique_ptr<RapidString> lines, Separator separator, int32_t chunk_lines,
    const std::function<void(int64_t lines_done, int64_t lines)>& between_chunks) {
  int64_t length = 0;
  BufferStorage storage = lines->ReleaseContent(&length);
  lines.reset();
  unsigned char* content = storage.get();
  std::shared_ptr<const void> holder(std::move(storage));
  unsigned char special = separator.length ? separator.bytes[0] : 0;
  auto size = static_cast<size_t>(length);

  // Counting the lines of a large file takes long enough that the window must answer meanwhile.
  int64_t count = 0;
  EventPacer pacer;
  ForEachLineMarked(content, size, special, [&](const unsigned char*, size_t, bool) {
    if (++count % kLinesBetweenLooks == 0) pacer.Between();
  });
  if (count > INT32_MAX) return nullptr;  // a list counts its rows in 32 bits
  auto* texts =
      static_cast<const char**>(TryAllocateBlock(static_cast<size_t>(count) * sizeof(char*)));
  if (!texts) return nullptr;

  int64_t row = 0;
  ForEachLineMarked(
      content, size, special, [&](const unsigned char* line, size_t bytes, bool plain) {
        size_t text_length = plain ? bytes : TextLengthOfLine(line, bytes);
        const char* text = nullptr;
        if (text_length > 0) {
          if (!plain) {
            ForEachColumn(line, text_length, separator, 1,
                          [&](const unsigned char*, size_t piece) { text_length = piece; });
          }
          // The byte after the text is its CR, a separator's first byte or a zero byte, or the
          // terminator after the content: the text ends there in place.
          auto* writable = const_cast<unsigned char*>(line);
          writable[text_length] = 0;
          text = reinterpret_cast<const char*>(line);
        }
        texts[row++] = text;
        if (row % chunk_lines == 0 || row == count) between_chunks(row, count);
      });
  return std::make_shared<const NumberedRows>(std::move(holder), size + 1, texts,
                                              static_cast<int32_t>(count));
}

}  // namespace vx
