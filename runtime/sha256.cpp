#include "runtime/sha256.h"

#include <cstring>

namespace vx {

namespace {

inline uint32_t LoadBigEndian(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]);
}

inline void StoreBigEndian(unsigned char* p, uint32_t value) {
  p[0] = static_cast<unsigned char>(value >> 24);
  p[1] = static_cast<unsigned char>(value >> 16);
  p[2] = static_cast<unsigned char>(value >> 8);
  p[3] = static_cast<unsigned char>(value);
}

inline uint32_t RotateRight(uint32_t x, int s) {
  return (x >> s) | (x << (32 - s));
}

// Ch and Maj in forms of three operations each; Maj(a, b, c) takes b where a and b differ.
#define SHA256_CH(e, f, g) ((g) ^ ((e) & ((f) ^ (g))))
#define SHA256_MAJ(a, b, c) ((b) ^ (((a) ^ (b)) & ((b) ^ (c))))
#define SHA256_BIG_SIGMA0(x) (RotateRight(x, 2) ^ RotateRight(x, 13) ^ RotateRight(x, 22))
#define SHA256_BIG_SIGMA1(x) (RotateRight(x, 6) ^ RotateRight(x, 11) ^ RotateRight(x, 25))
#define SHA256_SMALL_SIGMA0(x) (RotateRight(x, 7) ^ RotateRight(x, 18) ^ ((x) >> 3))
#define SHA256_SMALL_SIGMA1(x) (RotateRight(x, 17) ^ RotateRight(x, 19) ^ ((x) >> 10))

// The eight working variables rotate by their names rather than by moves: a round writes the
// new e into d and the new a into h, and the next round names them e and a.
#define SHA256_ROUND(a, b, c, d, e, f, g, h, i)                                                    \
  h +=                                                                                             \
      SHA256_BIG_SIGMA1(e) + SHA256_CH(e, f, g) + kSha256RoundConstants[round + (i)] + words[(i)]; \
  d += h;                                                                                          \
  h += SHA256_BIG_SIGMA0(a) + SHA256_MAJ(a, b, c)

// The schedule keeps its last 16 words: word i of the next 16 replaces word i of these.
#define SHA256_NEXT_WORD(i)                                                           \
  words[(i)] += SHA256_SMALL_SIGMA1(words[((i) + 14) & 15]) + words[((i) + 9) & 15] + \
                SHA256_SMALL_SIGMA0(words[((i) + 1) & 15])

#define SHA256_SIXTEEN_ROUNDS               \
  SHA256_ROUND(a, b, c, d, e, f, g, h, 0);  \
  SHA256_ROUND(h, a, b, c, d, e, f, g, 1);  \
  SHA256_ROUND(g, h, a, b, c, d, e, f, 2);  \
  SHA256_ROUND(f, g, h, a, b, c, d, e, 3);  \
  SHA256_ROUND(e, f, g, h, a, b, c, d, 4);  \
  SHA256_ROUND(d, e, f, g, h, a, b, c, 5);  \
  SHA256_ROUND(c, d, e, f, g, h, a, b, 6);  \
  SHA256_ROUND(b, c, d, e, f, g, h, a, 7);  \
  SHA256_ROUND(a, b, c, d, e, f, g, h, 8);  \
  SHA256_ROUND(h, a, b, c, d, e, f, g, 9);  \
  SHA256_ROUND(g, h, a, b, c, d, e, f, 10); \
  SHA256_ROUND(f, g, h, a, b, c, d, e, 11); \
  SHA256_ROUND(e, f, g, h, a, b, c, d, 12); \
  SHA256_ROUND(d, e, f, g, h, a, b, c, 13); \
  SHA256_ROUND(c, d, e, f, g, h, a, b, 14); \
  SHA256_ROUND(b, c, d, e, f, g, h, a, 15)

void Transform(uint32_t state[8], const unsigned char* block) {
  uint32_t words[16];
  for (int i = 0; i < 16; ++i) words[i] = LoadBigEndian(block + 4 * i);
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
  for (int round = 0;; round += 16) {
    SHA256_SIXTEEN_ROUNDS;
    if (round == 48) break;
    for (int i = 0; i < 16; ++i) SHA256_NEXT_WORD(i);
  }
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
  state[4] += e;
  state[5] += f;
  state[6] += g;
  state[7] += h;
}

#undef SHA256_SIXTEEN_ROUNDS
#undef SHA256_NEXT_WORD
#undef SHA256_ROUND
#undef SHA256_SMALL_SIGMA1
#undef SHA256_SMALL_SIGMA0
#undef SHA256_BIG_SIGMA1
#undef SHA256_BIG_SIGMA0
#undef SHA256_MAJ
#undef SHA256_CH

// The message's length in bits, big-endian, in the last eight bytes of its last block.
void StoreBitCount(unsigned char* block, uint64_t length) {
  uint64_t bits = length << 3;
  StoreBigEndian(block + 56, static_cast<uint32_t>(bits >> 32));
  StoreBigEndian(block + 60, static_cast<uint32_t>(bits));
}

void StoreDigest(const uint32_t state[8], unsigned char digest[32]) {
  for (int i = 0; i < 8; ++i) StoreBigEndian(digest + 4 * i, state[i]);
}

}  // namespace

void Sha256Start(Sha256Context* context) {
  std::memcpy(context->state, kSha256Initial, sizeof context->state);
  context->length = 0;
}

void Sha256Update(Sha256Context* context, const void* bytes, size_t length) {
  if (length == 0) return;
  auto* input = static_cast<const unsigned char*>(bytes);
  size_t buffered = context->length & 63;
  context->length += length;
  size_t room = 64 - buffered;
  if (length >= room) {
    std::memcpy(context->buffer + buffered, input, room);
    Transform(context->state, context->buffer);
    size_t used = room;
    for (; used + 64 <= length; used += 64) Transform(context->state, input + used);
    input += used;
    length -= used;
    buffered = 0;
  }
  std::memcpy(context->buffer + buffered, input, length);
}

void Sha256Finish(Sha256Context* context, unsigned char digest[32]) {
  // The padding (0x80, then zeros up to 56 bytes into a block) and the bit count are written
  // straight into the block buffer rather than fed through Sha256Update.
  size_t buffered = context->length & 63;
  context->buffer[buffered++] = 0x80;
  if (buffered > 56) {
    std::memset(context->buffer + buffered, 0, 64 - buffered);
    Transform(context->state, context->buffer);
    buffered = 0;
  }
  std::memset(context->buffer + buffered, 0, 56 - buffered);
  StoreBitCount(context->buffer, context->length);
  Transform(context->state, context->buffer);
  StoreDigest(context->state, digest);
}

// A message of up to 55 bytes is its one padded block, made at once: the steps of Sha256Update
// and Sha256Finish give the same block and transform it once.
void Sha256Digest(const void* bytes, size_t length, unsigned char digest[32]) {
  Sha256Context context;
  Sha256Start(&context);
  if (length > 55) {
    Sha256Update(&context, bytes, length);
    Sha256Finish(&context, digest);
    return;
  }
  unsigned char block[64];
  if (length != 0) std::memcpy(block, bytes, length);
  block[length] = 0x80;
  std::memset(block + length + 1, 0, 55 - length);
  StoreBitCount(block, length);
  Transform(context.state, block);
  StoreDigest(context.state, digest);
}

}  // namespace vx
