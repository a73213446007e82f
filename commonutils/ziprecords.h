#pragma once
// The few header reads and writes that the system's minizip cannot do for
// AES entries: it neither writes nor opens an entry of method 99.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class QFile;

namespace ZipRecords {

// Where the stored bytes of the entry whose central record is at
// centralOffset start; false when the records are damaged or lead past the
// end of the file for compressedSize bytes.
bool entryDataOffset(QFile &archive, quint64 centralOffset, quint64 compressedSize,
                     quint64 *dataOffset);

// In a closed archive, every entry carrying the AES extra field gets the
// AES method (and version needed) in its local and central headers; the
// entries were written as stored raw entries. False with the reason.
bool markAesEntries(const QString &path, QString *why);

} // namespace ZipRecords
