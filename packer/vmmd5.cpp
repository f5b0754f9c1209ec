// MD5 as RFC 1321 defines it: 64-byte blocks, four rounds of sixteen steps, little-endian words.
#include "vmmd5.h"

#include <algorithm>
#include <cstring>

namespace {

const uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

const int kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

uint32_t RotateLeft(uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

template <int Round> uint32_t Mix(uint32_t b, uint32_t c, uint32_t d) {
    if (Round == 0)
        return d ^ (b & (c ^ d));
    if (Round == 1)
        return c ^ (d & (b ^ c));
    if (Round == 2)
        return b ^ c ^ d;
    return c ^ (b | ~d);
}

// Message word of each step: rounds take the words in the orders i, 5i+1, 3i+5 and 7i mod 16.
template <int Round> int WordOf(int i) {
    return Round == 0   ? i
           : Round == 1 ? (5 * i + 1) & 15
           : Round == 2 ? (3 * i + 5) & 15
                        : (7 * i) & 15;
}

template <int Round>
void RunRound(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d, const uint32_t x[16]) {
    for (int i = 0; i < 16; ++i) {
        const uint32_t rotated =
            RotateLeft(a + Mix<Round>(b, c, d) + kSine[16 * Round + i] + x[WordOf<Round>(i)],
                       kShift[Round][i & 3]);
        a = d;
        d = c;
        c = b;
        b += rotated;
    }
}

void ProcessBlock(md5_state_s_t* state, const uint8_t block[64]) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = uint32_t(block[4 * i]) | uint32_t(block[4 * i + 1]) << 8 |
               uint32_t(block[4 * i + 2]) << 16 | uint32_t(block[4 * i + 3]) << 24;
    uint32_t a = state->abcd[0], b = state->abcd[1], c = state->abcd[2], d = state->abcd[3];
    RunRound<0>(a, b, c, d, x);
    RunRound<1>(a, b, c, d, x);
    RunRound<2>(a, b, c, d, x);
    RunRound<3>(a, b, c, d, x);
    state->abcd[0] += a;
    state->abcd[1] += b;
    state->abcd[2] += c;
    state->abcd[3] += d;
}

} // namespace

void md5_init(md5_state_s_t* state) {
    state->count[0] = state->count[1] = 0;
    state->abcd[0] = 0x67452301;
    state->abcd[1] = 0xefcdab89;
    state->abcd[2] = 0x98badcfe;
    state->abcd[3] = 0x10325476;
    std::memset(state->buf, 0, sizeof state->buf);
}

void md5_append(md5_state_s_t* state, const uint8_t* data, int nbytes) {
    if (nbytes <= 0)
        return;
    unsigned offset = (state->count[0] >> 3) & 63;
    const uint32_t bits = uint32_t(nbytes) << 3;
    state->count[1] += uint32_t(nbytes) >> 29;
    state->count[0] += bits;
    if (state->count[0] < bits)
        ++state->count[1];
    unsigned left = unsigned(nbytes);
    if (offset) {
        const unsigned copy = std::min(64 - offset, left);
        std::memcpy(state->buf + offset, data, copy);
        if (offset + copy < 64)
            return;
        data += copy;
        left -= copy;
        ProcessBlock(state, state->buf);
    }
    for (; left >= 64; data += 64, left -= 64)
        ProcessBlock(state, data);
    if (left)
        std::memcpy(state->buf, data, left);
}

void md5_finish(md5_state_s_t* state, uint8_t digest[MD5_DIGEST_SIZE]) {
    uint8_t length[8];
    for (int i = 0; i < 8; ++i)
        length[i] = uint8_t(state->count[i >> 2] >> ((i & 3) << 3));
    static const uint8_t kPad[64] = {0x80};
    md5_append(state, kPad, int(((55 - (state->count[0] >> 3)) & 63) + 1));
    md5_append(state, length, 8);
    for (int i = 0; i < MD5_DIGEST_SIZE; ++i)
        digest[i] = uint8_t(state->abcd[i >> 2] >> ((i & 3) << 3));
}
