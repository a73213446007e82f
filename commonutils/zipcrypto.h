#pragma once
// The traditional zip encryption (PKWARE), done here because the system's
// minizip reads its CRC table with the wrong width on 64-bit machines and so
// writes and reads encrypted entries no other tool understands.

#include <QByteArray>
#include <QtGlobal>

class ZipCryptoKeys
{
public:
    static constexpr int kHeaderSize = 12;

    explicit ZipCryptoKeys(const QByteArray &password);
    quint8 decrypt(quint8 c);
    quint8 encrypt(quint8 c);
    void decrypt(char *data, qint64 size);
    void encrypt(char *data, qint64 size);
    // The twelve header bytes that start an entry; the last is the check byte.
    QByteArray header(quint8 checkByte);

private:
    quint8 streamByte() const;
    void update(quint8 plain);
    quint32 m_keys[3];
};
