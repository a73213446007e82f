#include "common/md5.h"

#include <cstdio>
#include <cstring>

namespace {

inline uint32_t rotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }
inline uint32_t F(uint32_t x, uint32_t y, uint32_t z) { return (x & y) | (~x & z); }
inline uint32_t G(uint32_t x, uint32_t y, uint32_t z) { return (x & z) | (y & ~z); }
inline uint32_t H(uint32_t x, uint32_t y, uint32_t z) { return x ^ y ^ z; }
inline uint32_t I(uint32_t x, uint32_t y, uint32_t z) { return y ^ (x | ~z); }

// Per-round shift amounts and the sine-derived constants of RFC 1321.
const int kShift[64] = {
    7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
    5, 9, 14, 20, 5, 9, 14, 20, 5, 9, 14, 20, 5, 9, 14, 20,
    4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
    6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
const uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

} // namespace

MD5::MD5()
{
    init();
}

MD5::MD5(const std::string &text)
{
    init();
    // Feed in pieces that fit the unsigned length of update().
    const char *data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const unsigned int piece = left > 0x40000000u ? 0x40000000u : static_cast<unsigned int>(left);
        update(data, piece);
        data += piece;
        left -= piece;
    }
    finalize();
}

void MD5::init()
{
    m_finalized = false;
    std::memset(m_buffer, 0, sizeof m_buffer);
    std::memset(m_digest, 0, sizeof m_digest);
    m_count[0] = 0;
    m_count[1] = 0;
    m_state[0] = 0x67452301;
    m_state[1] = 0xefcdab89;
    m_state[2] = 0x98badcfe;
    m_state[3] = 0x10325476;
}

void MD5::decode(uint32_t output[], const uint8_t input[], unsigned int length)
{
    for (unsigned int i = 0, j = 0; j < length; ++i, j += 4)
        output[i] = uint32_t(input[j]) | (uint32_t(input[j + 1]) << 8) | (uint32_t(input[j + 2]) << 16)
                    | (uint32_t(input[j + 3]) << 24);
}

void MD5::encode(uint8_t output[], const uint32_t input[], unsigned int length)
{
    for (unsigned int i = 0, j = 0; j < length; ++i, j += 4) {
        output[j] = uint8_t(input[i] & 0xff);
        output[j + 1] = uint8_t((input[i] >> 8) & 0xff);
        output[j + 2] = uint8_t((input[i] >> 16) & 0xff);
        output[j + 3] = uint8_t((input[i] >> 24) & 0xff);
    }
}

void MD5::transform(const uint8_t block[kBlockSize])
{
    uint32_t x[16];
    decode(x, block, kBlockSize);
    uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];
    for (int i = 0; i < 64; ++i) {
        uint32_t f;
        int g;
        if (i < 16) {
            f = F(b, c, d);
            g = i;
        } else if (i < 32) {
            f = G(b, c, d);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = H(b, c, d);
            g = (3 * i + 5) % 16;
        } else {
            f = I(b, c, d);
            g = (7 * i) % 16;
        }
        const uint32_t rotated = b + rotateLeft(a + f + kSine[i] + x[g], kShift[i]);
        a = d;
        d = c;
        c = b;
        b = rotated;
    }
    m_state[0] += a;
    m_state[1] += b;
    m_state[2] += c;
    m_state[3] += d;
    std::memset(x, 0, sizeof x);
}

void MD5::update(const unsigned char *input, unsigned int length)
{
    if (m_finalized || !input)
        return;
    unsigned int index = (m_count[0] >> 3) % kBlockSize;
    const uint32_t addedBits = length << 3;
    if ((m_count[0] += addedBits) < addedBits)
        ++m_count[1];
    m_count[1] += length >> 29;

    const unsigned int firstPart = kBlockSize - index;
    unsigned int i = 0;
    if (length >= firstPart) {
        std::memcpy(&m_buffer[index], input, firstPart);
        transform(m_buffer);
        for (i = firstPart; i + kBlockSize <= length; i += kBlockSize)
            transform(&input[i]);
        index = 0;
    }
    std::memcpy(&m_buffer[index], &input[i], length - i);
}

void MD5::update(const char *input, unsigned int length)
{
    update(reinterpret_cast<const unsigned char *>(input), length);
}

MD5 &MD5::finalize()
{
    static const uint8_t padding[kBlockSize] = {0x80};
    if (m_finalized)
        return *this;
    uint8_t bits[8];
    encode(bits, m_count, 8);
    const unsigned int index = (m_count[0] >> 3) % kBlockSize;
    const unsigned int padLength = index < 56 ? 56 - index : 120 - index;
    update(padding, padLength);
    update(bits, 8);
    encode(m_digest, m_state, 16);
    std::memset(m_buffer, 0, sizeof m_buffer);
    m_count[0] = 0;
    m_count[1] = 0;
    m_finalized = true;
    return *this;
}

std::string MD5::hexdigest() const
{
    if (!m_finalized)
        return std::string();
    char text[33];
    for (int i = 0; i < 16; ++i)
        std::snprintf(text + i * 2, 3, "%02x", m_digest[i]);
    return std::string(text, 32);
}

std::ostream &operator<<(std::ostream &out, const MD5 &md5)
{
    return out << md5.hexdigest();
}
