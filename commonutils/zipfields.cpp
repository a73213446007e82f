#include "zipfields.h"

namespace ZipFields {

quint64 le(const QByteArray &bytes, int at, int size)
{
    quint64 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | quint8(bytes.at(at + i));
    return value;
}

void putLe16(QByteArray &bytes, int at, quint16 value)
{
    bytes[at] = char(value & 0xff);
    bytes[at + 1] = char(value >> 8);
}

QByteArray extraField(const QByteArray &extra, quint16 id)
{
    for (int at = 0; at + 4 <= extra.size();) {
        const int size = le16(extra, at + 2);
        if (at + 4 + size > extra.size())
            return QByteArray();
        if (le16(extra, at) == id)
            return extra.mid(at + 4, size);
        at += 4 + size;
    }
    return QByteArray();
}

bool zip64Values(const QByteArray &extra, quint64 *uncompressed, quint64 *compressed, quint64 *localOffset)
{
    const QByteArray field = extraField(extra, kZip64FieldId);
    int at = 0;
    for (quint64 *value : {uncompressed, compressed, localOffset}) {
        if (!value || *value != kMarker32)
            continue;
        if (at + 8 > field.size())
            return false;
        *value = le(field, at, 8);
        at += 8;
    }
    return true;
}

} // namespace ZipFields
