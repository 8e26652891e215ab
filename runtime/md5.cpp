#include "runtime/md5.h"

#include <cstring>

namespace vx {

namespace {

inline uint32_t LoadLittleEndian(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

inline void StoreLittleEndian(unsigned char* p, uint32_t value) {
  p[0] = static_cast<unsigned char>(value);
  p[1] = static_cast<unsigned char>(value >> 8);
  p[2] = static_cast<unsigned char>(value >> 16);
  p[3] = static_cast<unsigned char>(value >> 24);
}

inline uint32_t RotateLeft(uint32_t x, int s) {
  return (x << s) | (x >> (32 - s));
}

// The auxiliary functions in forms with short dependency chains: each step waits for the
// previous step's b, so everything that does not need b is added first. G(b, c, d) is
// (b & d) | (c & ~d), and the two halves never overlap, so it is their sum, and the half
// without b joins the early additions.
#define MD5_F(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define MD5_H(x, y, z) ((x) ^ (y) ^ (z))
#define MD5_I(x, y, z) ((y) ^ ((x) | ~(z)))
#define MD5_STEP(f, a, b, c, d, word, constant, shift) \
  a += (word) + static_cast<uint32_t>(constant);       \
  a += f(b, c, d);                                     \
  a = RotateLeft(a, shift) + (b)
#define MD5_STEP_G(a, b, c, d, word, constant, shift)           \
  a += (word) + static_cast<uint32_t>(constant) + ((c) & ~(d)); \
  a += (b) & (d);                                               \
  a = RotateLeft(a, shift) + (b)

void Transform(Md5Context* context, const unsigned char* block) {
  // Words are loaded where they are used: copying the block into a local array first lets the
  // compiler vectorise the copy, and the narrow reloads of wide stores then stall.
#define MD5_WORD(i) LoadLittleEndian(block + 4 * (i))
  uint32_t a = context->a, b = context->b, c = context->c, d = context->d;

  MD5_STEP(MD5_F, a, b, c, d, MD5_WORD(0), 0xd76aa478, 7);
  MD5_STEP(MD5_F, d, a, b, c, MD5_WORD(1), 0xe8c7b756, 12);
  MD5_STEP(MD5_F, c, d, a, b, MD5_WORD(2), 0x242070db, 17);
  MD5_STEP(MD5_F, b, c, d, a, MD5_WORD(3), 0xc1bdceee, 22);
  MD5_STEP(MD5_F, a, b, c, d, MD5_WORD(4), 0xf57c0faf, 7);
  MD5_STEP(MD5_F, d, a, b, c, MD5_WORD(5), 0x4787c62a, 12);
  MD5_STEP(MD5_F, c, d, a, b, MD5_WORD(6), 0xa8304613, 17);
  MD5_STEP(MD5_F, b, c, d, a, MD5_WORD(7), 0xfd469501, 22);
  MD5_STEP(MD5_F, a, b, c, d, MD5_WORD(8), 0x698098d8, 7);
  MD5_STEP(MD5_F, d, a, b, c, MD5_WORD(9), 0x8b44f7af, 12);
  MD5_STEP(MD5_F, c, d, a, b, MD5_WORD(10), 0xffff5bb1, 17);
  MD5_STEP(MD5_F, b, c, d, a, MD5_WORD(11), 0x895cd7be, 22);
  MD5_STEP(MD5_F, a, b, c, d, MD5_WORD(12), 0x6b901122, 7);
  MD5_STEP(MD5_F, d, a, b, c, MD5_WORD(13), 0xfd987193, 12);
  MD5_STEP(MD5_F, c, d, a, b, MD5_WORD(14), 0xa679438e, 17);
  MD5_STEP(MD5_F, b, c, d, a, MD5_WORD(15), 0x49b40821, 22);

  MD5_STEP_G(a, b, c, d, MD5_WORD(1), 0xf61e2562, 5);
  MD5_STEP_G(d, a, b, c, MD5_WORD(6), 0xc040b340, 9);
  MD5_STEP_G(c, d, a, b, MD5_WORD(11), 0x265e5a51, 14);
  MD5_STEP_G(b, c, d, a, MD5_WORD(0), 0xe9b6c7aa, 20);
  MD5_STEP_G(a, b, c, d, MD5_WORD(5), 0xd62f105d, 5);
  MD5_STEP_G(d, a, b, c, MD5_WORD(10), 0x02441453, 9);
  MD5_STEP_G(c, d, a, b, MD5_WORD(15), 0xd8a1e681, 14);
  MD5_STEP_G(b, c, d, a, MD5_WORD(4), 0xe7d3fbc8, 20);
  MD5_STEP_G(a, b, c, d, MD5_WORD(9), 0x21e1cde6, 5);
  MD5_STEP_G(d, a, b, c, MD5_WORD(14), 0xc33707d6, 9);
  MD5_STEP_G(c, d, a, b, MD5_WORD(3), 0xf4d50d87, 14);
  MD5_STEP_G(b, c, d, a, MD5_WORD(8), 0x455a14ed, 20);
  MD5_STEP_G(a, b, c, d, MD5_WORD(13), 0xa9e3e905, 5);
  MD5_STEP_G(d, a, b, c, MD5_WORD(2), 0xfcefa3f8, 9);
  MD5_STEP_G(c, d, a, b, MD5_WORD(7), 0x676f02d9, 14);
  MD5_STEP_G(b, c, d, a, MD5_WORD(12), 0x8d2a4c8a, 20);

  MD5_STEP(MD5_H, a, b, c, d, MD5_WORD(5), 0xfffa3942, 4);
  MD5_STEP(MD5_H, d, a, b, c, MD5_WORD(8), 0x8771f681, 11);
  MD5_STEP(MD5_H, c, d, a, b, MD5_WORD(11), 0x6d9d6122, 16);
  MD5_STEP(MD5_H, b, c, d, a, MD5_WORD(14), 0xfde5380c, 23);
  MD5_STEP(MD5_H, a, b, c, d, MD5_WORD(1), 0xa4beea44, 4);
  MD5_STEP(MD5_H, d, a, b, c, MD5_WORD(4), 0x4bdecfa9, 11);
  MD5_STEP(MD5_H, c, d, a, b, MD5_WORD(7), 0xf6bb4b60, 16);
  MD5_STEP(MD5_H, b, c, d, a, MD5_WORD(10), 0xbebfbc70, 23);
  MD5_STEP(MD5_H, a, b, c, d, MD5_WORD(13), 0x289b7ec6, 4);
  MD5_STEP(MD5_H, d, a, b, c, MD5_WORD(0), 0xeaa127fa, 11);
  MD5_STEP(MD5_H, c, d, a, b, MD5_WORD(3), 0xd4ef3085, 16);
  MD5_STEP(MD5_H, b, c, d, a, MD5_WORD(6), 0x04881d05, 23);
  MD5_STEP(MD5_H, a, b, c, d, MD5_WORD(9), 0xd9d4d039, 4);
  MD5_STEP(MD5_H, d, a, b, c, MD5_WORD(12), 0xe6db99e5, 11);
  MD5_STEP(MD5_H, c, d, a, b, MD5_WORD(15), 0x1fa27cf8, 16);
  MD5_STEP(MD5_H, b, c, d, a, MD5_WORD(2), 0xc4ac5665, 23);

  MD5_STEP(MD5_I, a, b, c, d, MD5_WORD(0), 0xf4292244, 6);
  MD5_STEP(MD5_I, d, a, b, c, MD5_WORD(7), 0x432aff97, 10);
  MD5_STEP(MD5_I, c, d, a, b, MD5_WORD(14), 0xab9423a7, 15);
  MD5_STEP(MD5_I, b, c, d, a, MD5_WORD(5), 0xfc93a039, 21);
  MD5_STEP(MD5_I, a, b, c, d, MD5_WORD(12), 0x655b59c3, 6);
  MD5_STEP(MD5_I, d, a, b, c, MD5_WORD(3), 0x8f0ccc92, 10);
  MD5_STEP(MD5_I, c, d, a, b, MD5_WORD(10), 0xffeff47d, 15);
  MD5_STEP(MD5_I, b, c, d, a, MD5_WORD(1), 0x85845dd1, 21);
  MD5_STEP(MD5_I, a, b, c, d, MD5_WORD(8), 0x6fa87e4f, 6);
  MD5_STEP(MD5_I, d, a, b, c, MD5_WORD(15), 0xfe2ce6e0, 10);
  MD5_STEP(MD5_I, c, d, a, b, MD5_WORD(6), 0xa3014314, 15);
  MD5_STEP(MD5_I, b, c, d, a, MD5_WORD(13), 0x4e0811a1, 21);
  MD5_STEP(MD5_I, a, b, c, d, MD5_WORD(4), 0xf7537e82, 6);
  MD5_STEP(MD5_I, d, a, b, c, MD5_WORD(11), 0xbd3af235, 10);
  MD5_STEP(MD5_I, c, d, a, b, MD5_WORD(2), 0x2ad7d2bb, 15);
  MD5_STEP(MD5_I, b, c, d, a, MD5_WORD(9), 0xeb86d391, 21);

#undef MD5_WORD
  context->a += a;
  context->b += b;
  context->c += c;
  context->d += d;
}

#undef MD5_STEP_G
#undef MD5_STEP
#undef MD5_I
#undef MD5_H
#undef MD5_F

}  // namespace

void Md5Start(Md5Context* context) {
  context->a = 0x67452301;
  context->b = 0xefcdab89;
  context->c = 0x98badcfe;
  context->d = 0x10325476;
  context->bit_count[0] = context->bit_count[1] = 0;
}

void Md5Update(Md5Context* context, const void* bytes, size_t length) {
  if (length == 0) return;
  auto* input = static_cast<const unsigned char*>(bytes);
  size_t buffered = (context->bit_count[0] >> 3) & 63;
  uint32_t low_bits = static_cast<uint32_t>(length << 3);
  context->bit_count[0] += low_bits;
  if (context->bit_count[0] < low_bits) ++context->bit_count[1];
  context->bit_count[1] += static_cast<uint32_t>(length >> 29);

  size_t room = 64 - buffered;
  if (length >= room) {
    std::memcpy(context->buffer + buffered, input, room);
    Transform(context, context->buffer);
    size_t used = room;
    for (; used + 64 <= length; used += 64) Transform(context, input + used);
    input += used;
    length -= used;
    buffered = 0;
  }
  std::memcpy(context->buffer + buffered, input, length);
}

void Md5Finish(Md5Context* context, unsigned char digest[16]) {
  // The padding (0x80, then zeros up to 56 bytes into a block) and the 64-bit bit count are
  // written straight into the block buffer rather than fed through Md5Update.
  size_t buffered = (context->bit_count[0] >> 3) & 63;
  context->buffer[buffered++] = 0x80;
  if (buffered > 56) {
    std::memset(context->buffer + buffered, 0, 64 - buffered);
    Transform(context, context->buffer);
    buffered = 0;
  }
  std::memset(context->buffer + buffered, 0, 56 - buffered);
  StoreLittleEndian(context->buffer + 56, context->bit_count[0]);
  StoreLittleEndian(context->buffer + 60, context->bit_count[1]);
  Transform(context, context->buffer);
  StoreLittleEndian(digest, context->a);
  StoreLittleEndian(digest + 4, context->b);
  StoreLittleEndian(digest + 8, context->c);
  StoreLittleEndian(digest + 12, context->d);
}

// A message of up to 55 bytes is its one padded block, made at once: the steps of Md5Update and
// Md5Finish give the same block (the bytes, 0x80, zeros, the bit count) and transform it once.
void Md5Digest(const void* bytes, size_t length, unsigned char digest[16]) {
  Md5Context context;
  Md5Start(&context);
  if (length > 55) {
    Md5Update(&context, bytes, length);
    Md5Finish(&context, digest);
    return;
  }
  unsigned char block[64];
  if (length != 0) std::memcpy(block, bytes, length);
  block[length] = 0x80;
  std::memset(block + length + 1, 0, 55 - length);
  StoreLittleEndian(block + 56, static_cast<uint32_t>(length << 3));
  StoreLittleEndian(block + 60, 0);
  Transform(&context, block);
  StoreLittleEndian(digest, context.a);
  StoreLittleEndian(digest + 4, context.b);
  StoreLittleEndian(digest + 8, context.c);
  StoreLittleEndian(digest + 12, context.d);
}

}  // namespace vx
