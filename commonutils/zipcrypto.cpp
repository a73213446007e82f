#include "zipcrypto.h"

#include <QRandomGenerator>

#include <zlib.h>

namespace {

quint32 crcStep(quint32 value, quint8 c)
{
    static const z_crc_t *table = get_crc_table();
    return quint32(table[(value ^ c) & 0xff]) ^ (value >> 8);
}

} // namespace

ZipCryptoKeys::ZipCryptoKeys(const QByteArray &password)
    : m_keys{305419896u, 591751049u, 878082192u}
{
    for (char c : password)
        update(quint8(c));
}

quint8 ZipCryptoKeys::streamByte() const
{
    const quint32 t = (m_keys[2] & 0xffff) | 2;
    return quint8((t * (t ^ 1)) >> 8);
}

void ZipCryptoKeys::update(quint8 plain)
{
    m_keys[0] = crcStep(m_keys[0], plain);
    m_keys[1] = (m_keys[1] + (m_keys[0] & 0xff)) * 134775813u + 1;
    m_keys[2] = crcStep(m_keys[2], quint8(m_keys[1] >> 24));
}

quint8 ZipCryptoKeys::decrypt(quint8 c)
{
    const quint8 plain = c ^ streamByte();
    update(plain);
    return plain;
}

quint8 ZipCryptoKeys::encrypt(quint8 c)
{
    const quint8 cipher = c ^ streamByte();
    update(c);
    return cipher;
}

void ZipCryptoKeys::decrypt(char *data, qint64 size)
{
    for (qint64 i = 0; i < size; ++i)
        data[i] = char(decrypt(quint8(data[i])));
}

void ZipCryptoKeys::encrypt(char *data, qint64 size)
{
    for (qint64 i = 0; i < size; ++i)
        data[i] = char(encrypt(quint8(data[i])));
}

QByteArray ZipCryptoKeys::header(quint8 checkByte)
{
    QByteArray bytes(kHeaderSize, Qt::Uninitialized);
    QRandomGenerator *random = QRandomGenerator::system();
    for (int i = 0; i < kHeaderSize - 1; ++i)
        bytes[i] = char(random->bounded(256));
    bytes[kHeaderSize - 1] = char(checkByte);
    encrypt(bytes.data(), bytes.size());
    return bytes;
}
