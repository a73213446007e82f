#pragma once
// MD5 message digest (RFC 1321) over bytes given in one or more pieces.

#include <cstdint>
#include <ostream>
#include <string>

class MD5
{
public:
    MD5();
    // Digests the whole text and finalizes.
    explicit MD5(const std::string &text);

    void init();
    void update(const unsigned char *input, unsigned int length);
    void update(const char *input, unsigned int length);
    // Pads and completes the digest; later calls do nothing.
    MD5 &finalize();
    // 32 lower-case hex characters; empty before finalize().
    std::string hexdigest() const;
    std::string md5() const { return hexdigest(); }

private:
    static constexpr unsigned int kBlockSize = 64;

    void transform(const uint8_t block[kBlockSize]);
    static void decode(uint32_t output[], const uint8_t input[], unsigned int length);
    static void encode(uint8_t output[], const uint32_t input[], unsigned int length);

    bool m_finalized = false;
    uint8_t m_buffer[kBlockSize];
    uint32_t m_count[2];   // bit count, low word first
    uint32_t m_state[4];
    uint8_t m_digest[16];
};

std::ostream &operator<<(std::ostream &out, const MD5 &md5);
