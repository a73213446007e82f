#pragma once
// WinZip AES entries: keys from the password by PBKDF2-HMAC-SHA1 (1000
// rounds), AES in counter mode with a little-endian counter from 1, and an
// HMAC-SHA1 over the encrypted bytes of which the first 10 bytes are stored
// after them. The stored data is salt, 2-byte verifier, encrypted bytes,
// authentication code.

#include <QByteArray>
#include <QtGlobal>

#include <memory>

namespace ZipAes {

constexpr quint16 kExtraFieldId = 0x9901;
constexpr int kExtraFieldSize = 7;    // after the id and size
constexpr quint32 kMethod = 99;       // in the headers; the real one is in the field
constexpr int kVerifierSize = 2;
constexpr int kAuthCodeSize = 10;

// 1, 2, 3 for 128, 192, 256-bit keys.
inline bool validStrength(int strength) { return strength >= 1 && strength <= 3; }
inline int keySize(int strength) { return 8 + 8 * strength; }
inline int saltSize(int strength) { return 4 + 4 * strength; }
inline int overhead(int strength) { return saltSize(strength) + kVerifierSize + kAuthCodeSize; }

// What the 0x9901 extra field says.
struct Field
{
    int version = 0;    // 1 (AE-1: CRC stored and checked) or 2 (AE-2: CRC 0)
    int strength = 0;
    quint16 method = 0; // the real compression method
};

// The field in a header's extra data; false when there is none or it is not
// one this reader knows (vendor, version, strength).
bool findField(const QByteArray &extra, Field *field);
QByteArray fieldBytes(const Field &field);

// Encrypts or decrypts one entry's bytes as a stream: the counter runs on
// across calls of any size.
class Cipher
{
public:
    Cipher();
    ~Cipher();
    Cipher(const Cipher &) = delete;
    Cipher &operator=(const Cipher &) = delete;

    // False when the crypto library fails (reported in the log).
    bool init(const QByteArray &password, const QByteArray &salt, int strength);
    QByteArray verifier() const { return m_verifier; }

    void encrypt(char *data, qint64 size);   // then authenticated
    void decrypt(char *data, qint64 size);   // authenticated first
    void authenticate(const char *data, qint64 size);
    // The first 10 bytes of the HMAC so far; ends the cipher.
    QByteArray authenticationCode();

    static QByteArray randomSalt(int strength);

private:
    void crypt(char *data, qint64 size);
    void refill();

    struct Handles;
    std::unique_ptr<Handles> m_handles;
    QByteArray m_verifier;
    quint64 m_counter = 0;
    unsigned char m_counters[4096];
    unsigned char m_keystream[sizeof m_counters];
    int m_used = sizeof m_keystream;
    bool m_ok = false;
};

} // namespace ZipAes
