#pragma once
// Little-endian values and extra fields of zip headers, read the one way for
// every header this module reads itself.

#include <QByteArray>
#include <QtGlobal>

namespace ZipFields {

constexpr quint16 kZip64FieldId = 0x0001;
constexpr quint32 kMarker32 = 0xFFFFFFFFu; // a 32-bit value held in the zip64 field

// size bytes (up to 8) from at; the caller has checked they are there.
quint64 le(const QByteArray &bytes, int at, int size);
inline quint16 le16(const QByteArray &bytes, int at)
{
    return quint16(le(bytes, at, 2));
}
void putLe16(QByteArray &bytes, int at, quint16 value);

// The data of the first field with this id in a header's extra bytes; null
// when there is none, or when a field before it or it itself runs past their
// end (damaged: nothing in them is trusted).
QByteArray extraField(const QByteArray &extra, quint16 id);

// Replaces each value that holds kMarker32 with the zip64 field's next
// value, in the order the field keeps them (uncompressed size, compressed
// size, local header offset; a null pointer for a value not wanted stands
// for one that is not held there). False when a value is missing.
bool zip64Values(const QByteArray &extra, quint64 *uncompressed, quint64 *compressed, quint64 *localOffset);

} // namespace ZipFields
