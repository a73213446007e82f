#include "ziprecords.h"
#include "zipaes.h"
#include "zipfields.h"

#include <QFile>

using ZipFields::kMarker32;
using ZipFields::le;
using ZipFields::putLe16;
using ZipFields::zip64Values;

namespace ZipRecords {

namespace {

constexpr int kLocalHeaderSize = 30;
constexpr int kCentralHeaderSize = 46;
constexpr int kEndRecordSize = 22;
constexpr int kZip64LocatorSize = 20;
constexpr int kZip64EndSize = 56;
constexpr quint16 kVersionNeededAes = 51;

QByteArray readAt(QFile &file, quint64 offset, qint64 size)
{
    if (offset > quint64(file.size()) || !file.seek(qint64(offset)))
        return QByteArray();
    const QByteArray bytes = file.read(size);
    return bytes.size() == size ? bytes : QByteArray();
}

// The local header's offset from a central record: the 32-bit field, or the
// zip64 field's value for it.
bool localOffset(const QByteArray &record, int at, quint64 *offset)
{
    *offset = le(record, at + 42, 4);
    if (*offset != kMarker32)
        return true;
    const int nameSize = int(le(record, at + 28, 2));
    const int extraSize = int(le(record, at + 30, 2));
    const int extraStart = at + kCentralHeaderSize + nameSize;
    if (extraStart + extraSize > record.size())
        return false;
    quint64 uncompressed = le(record, at + 24, 4);
    quint64 compressed = le(record, at + 20, 4);
    return zip64Values(record.mid(extraStart, extraSize), &uncompressed, &compressed, offset);
}

} // namespace

bool entryDataOffset(QFile &archive, quint64 centralOffset, quint64 compressedSize,
                     quint64 *dataOffset)
{
    const QByteArray head = readAt(archive, centralOffset, kCentralHeaderSize);
    if (head.isEmpty() || !head.startsWith("PK\x01\x02"))
        return false;
    const qint64 recordSize = kCentralHeaderSize + qint64(le(head, 28, 2)) + qint64(le(head, 30, 2));
    const QByteArray record = readAt(archive, centralOffset, recordSize);
    quint64 local = 0;
    if (record.isEmpty() || !localOffset(record, 0, &local))
        return false;
    const QByteArray header = readAt(archive, local, kLocalHeaderSize);
    if (header.isEmpty() || !header.startsWith("PK\x03\x04"))
        return false;
    const quint64 start = local + kLocalHeaderSize + le(header, 26, 2) + le(header, 28, 2);
    const quint64 size = quint64(archive.size());
    if (start > size || compressedSize > size - start)
        return false;
    *dataOffset = start;
    return true;
}

bool markAesEntries(const QString &path, QString *why)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)) {
        *why = file.errorString();
        return false;
    }
    // Written here without a comment: the end record closes the file.
    const qint64 fileSize = file.size();
    const QByteArray end = fileSize >= kEndRecordSize
        ? readAt(file, quint64(fileSize - kEndRecordSize), kEndRecordSize) : QByteArray();
    if (end.isEmpty() || !end.startsWith("PK\x05\x06")) {
        *why = QStringLiteral("no end record");
        return false;
    }
    quint64 directoryOffset = le(end, 16, 4);
    quint64 directorySize = le(end, 12, 4);
    if (directoryOffset == kMarker32 || directorySize == kMarker32 || le(end, 10, 2) == 0xFFFF) {
        const QByteArray locator = fileSize >= kEndRecordSize + kZip64LocatorSize
            ? readAt(file, quint64(fileSize - kEndRecordSize - kZip64LocatorSize), kZip64LocatorSize)
            : QByteArray();
        const QByteArray end64 = locator.startsWith("PK\x06\x07")
            ? readAt(file, le(locator, 8, 8), kZip64EndSize) : QByteArray();
        if (!end64.startsWith("PK\x06\x06")) {
            *why = QStringLiteral("no zip64 end record");
            return false;
        }
        directorySize = le(end64, 40, 8);
        directoryOffset = le(end64, 48, 8);
    }
    if (directoryOffset > quint64(fileSize) || directorySize > quint64(fileSize) - directoryOffset) {
        *why = QStringLiteral("central directory out of the file");
        return false;
    }
    QByteArray directory = readAt(file, directoryOffset, qint64(directorySize));
    if (directory.size() != int(directorySize)) {
        *why = QStringLiteral("central directory unreadable");
        return false;
    }
    for (int at = 0; at < directory.size();) {
        if (at + kCentralHeaderSize > directory.size() || directory.mid(at, 4) != "PK\x01\x02") {
            *why = QStringLiteral("damaged central record");
            return false;
        }
        const int nameSize = int(le(directory, at + 28, 2));
        const int extraSize = int(le(directory, at + 30, 2));
        const int recordSize = kCentralHeaderSize + nameSize + extraSize + int(le(directory, at + 32, 2));
        if (at + recordSize > directory.size()) {
            *why = QStringLiteral("damaged central record");
            return false;
        }
        ZipAes::Field field;
        if (ZipAes::findField(directory.mid(at + kCentralHeaderSize + nameSize, extraSize), &field)
            && le(directory, at + 10, 2) == 0) {
            quint64 local = 0;
            QByteArray header;
            if (!localOffset(directory, at, &local)
                || !(header = readAt(file, local, kLocalHeaderSize)).startsWith("PK\x03\x04")) {
                *why = QStringLiteral("damaged local header");
                return false;
            }
            putLe16(header, 4, kVersionNeededAes);
            putLe16(header, 8, quint16(ZipAes::kMethod));
            if (!file.seek(qint64(local)) || file.write(header) != header.size()) {
                *why = file.errorString();
                return false;
            }
            putLe16(directory, at + 6, kVersionNeededAes);
            putLe16(directory, at + 10, quint16(ZipAes::kMethod));
        }
        at += recordSize;
    }
    if (!file.seek(qint64(directoryOffset)) || file.write(directory) != directory.size()
        || !file.flush()) {
        *why = file.errorString();
        return false;
    }
    return true;
}

} // namespace ZipRecords
