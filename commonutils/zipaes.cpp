#include "zipaes.h"
#include "commonutilslog.h"
#include "zipfields.h"

#include <QDebug>
#include <QtEndian>

#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <openssl/rand.h>

#include <cstring>

namespace ZipAes {

namespace {

constexpr int kIterations = 1000;
constexpr int kBlock = 16;

void logFailure(const char *what)
{
    qCWarning(lcCommonUtils).noquote()
        << QStringLiteral("[SSZipArchive] AES: %1 failed: %2")
               .arg(QLatin1String(what),
                    QString::fromLatin1(ERR_error_string(ERR_get_error(), nullptr)));
}

} // namespace

bool findField(const QByteArray &extra, Field *field)
{
    const QByteArray data = ZipFields::extraField(extra, kExtraFieldId);
    if (data.size() != kExtraFieldSize || data.mid(2, 2) != "AE")
        return false;
    field->version = ZipFields::le16(data, 0);
    field->strength = quint8(data.at(4));
    field->method = ZipFields::le16(data, 5);
    return (field->version == 1 || field->version == 2) && validStrength(field->strength);
}

QByteArray fieldBytes(const Field &field)
{
    QByteArray bytes(4 + kExtraFieldSize, '\0');
    ZipFields::putLe16(bytes, 0, kExtraFieldId);
    ZipFields::putLe16(bytes, 2, kExtraFieldSize);
    ZipFields::putLe16(bytes, 4, quint16(field.version));
    bytes[6] = 'A';
    bytes[7] = 'E';
    bytes[8] = char(field.strength);
    ZipFields::putLe16(bytes, 9, field.method);
    return bytes;
}

struct Cipher::Handles
{
    EVP_CIPHER_CTX *aes = nullptr;
    EVP_MAC *mac = nullptr;
    EVP_MAC_CTX *hmac = nullptr;

    ~Handles()
    {
        EVP_CIPHER_CTX_free(aes);
        EVP_MAC_CTX_free(hmac);
        EVP_MAC_free(mac);
    }
};

Cipher::Cipher() : m_handles(new Handles) {}

Cipher::~Cipher() = default;

bool Cipher::init(const QByteArray &password, const QByteArray &salt, int strength)
{
    m_ok = false;
    if (!validStrength(strength) || salt.size() != saltSize(strength))
        return false;
    const int keyBytes = keySize(strength);
    QByteArray derived(2 * keyBytes + kVerifierSize, '\0');
    if (PKCS5_PBKDF2_HMAC_SHA1(password.constData(), password.size(),
                               reinterpret_cast<const unsigned char *>(salt.constData()),
                               salt.size(), kIterations, derived.size(),
                               reinterpret_cast<unsigned char *>(derived.data()))
        != 1) {
        logFailure("key derivation");
        return false;
    }
    const auto *key = reinterpret_cast<const unsigned char *>(derived.constData());
    const EVP_CIPHER *ecb = strength == 1 ? EVP_aes_128_ecb()
        : strength == 2                   ? EVP_aes_192_ecb()
                                          : EVP_aes_256_ecb();
    m_handles->aes = EVP_CIPHER_CTX_new();
    if (!m_handles->aes || EVP_EncryptInit_ex(m_handles->aes, ecb, nullptr, key, nullptr) != 1
        || EVP_CIPHER_CTX_set_padding(m_handles->aes, 0) != 1) {
        logFailure("AES set-up");
        return false;
    }
    char digest[] = "SHA1";
    const OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0), OSSL_PARAM_END};
    m_handles->mac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    m_handles->hmac = m_handles->mac ? EVP_MAC_CTX_new(m_handles->mac) : nullptr;
    if (!m_handles->hmac || EVP_MAC_init(m_handles->hmac, key + keyBytes, size_t(keyBytes), params) != 1) {
        logFailure("HMAC set-up");
        return false;
    }
    m_verifier = derived.right(kVerifierSize);
    m_counter = 0;
    memset(m_counters, 0, sizeof m_counters);
    m_used = sizeof m_keystream;
    m_ok = true;
    return true;
}

void Cipher::refill()
{
    // Counter blocks: the block number from 1, little-endian in the first 8
    // bytes; the other 8 stay zero (init cleared them), so each block takes
    // one store.
    for (int at = 0; at < int(sizeof m_counters); at += kBlock)
        qToLittleEndian<quint64>(++m_counter, m_counters + at);
    int produced = 0;
    if (EVP_EncryptUpdate(m_handles->aes, m_keystream, &produced, m_counters, sizeof m_counters) != 1
        || produced != int(sizeof m_keystream)) {
        logFailure("AES");
        m_ok = false;
    }
    m_used = 0;
}

void Cipher::crypt(char *data, qint64 size)
{
    while (size > 0) {
        if (m_used == int(sizeof m_keystream))
            refill();
        const int n = int(qMin<qint64>(size, qint64(sizeof m_keystream) - m_used));
        const unsigned char *key = m_keystream + m_used;
        int i = 0;
        // Eight bytes at a time where the copies let the compiler vectorise.
        for (; i + 8 <= n; i += 8) {
            quint64 word, mask;
            memcpy(&word, data + i, 8);
            memcpy(&mask, key + i, 8);
            word ^= mask;
            memcpy(data + i, &word, 8);
        }
        for (; i < n; ++i)
            data[i] = char(quint8(data[i]) ^ key[i]);
        m_used += n;
        data += n;
        size -= n;
    }
}

void Cipher::authenticate(const char *data, qint64 size)
{
    if (m_ok && size > 0
        && EVP_MAC_update(m_handles->hmac, reinterpret_cast<const unsigned char *>(data),
                          size_t(size))
            != 1) {
        logFailure("HMAC");
        m_ok = false;
    }
}

void Cipher::encrypt(char *data, qint64 size)
{
    crypt(data, size);
    authenticate(data, size);
}

void Cipher::decrypt(char *data, qint64 size)
{
    authenticate(data, size);
    crypt(data, size);
}

QByteArray Cipher::authenticationCode()
{
    unsigned char mac[EVP_MAX_MD_SIZE];
    size_t length = 0;
    if (!m_ok || EVP_MAC_final(m_handles->hmac, mac, &length, sizeof mac) != 1
        || length < size_t(kAuthCodeSize)) {
        if (m_ok)
            logFailure("HMAC");
        m_ok = false;
        // Never equal to a stored code of the right length.
        return QByteArray();
    }
    m_ok = false;
    return QByteArray(reinterpret_cast<const char *>(mac), kAuthCodeSize);
}

QByteArray Cipher::randomSalt(int strength)
{
    QByteArray salt(saltSize(strength), '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char *>(salt.data()), salt.size()) != 1) {
        logFailure("random salt");
        return QByteArray();
    }
    return salt;
}

} // namespace ZipAes
