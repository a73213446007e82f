#pragma once
// Zip archives made as other tools make them, for the zip tests and the zip
// fuzzer: any name, mode, link or password, and hand-made zip64 records.

#include <QByteArray>
#include <QList>
#include <QString>

namespace TestSupport {

struct ZipEntry
{
    QByteArray name;
    QByteArray data;   // a link's target for a link
    quint32 mode;      // st_mode bits
    bool stored = false;
};

// Writes the entries (encrypted with the password, when given) into a new
// archive; false when it cannot.
bool writeZip(const QString &path, const QList<ZipEntry> &entries, const char *password = nullptr);

// One stored entry whose sizes are in a zip64 extra field only (0xFFFFFFFF in
// the 32-bit fields), as tools write entries of more than 4 GiB; the field
// may declare another size than the bytes stored.
QByteArray zip64Archive(const QByteArray &name, const QByteArray &stored, quint64 declaredSize);

// Bytes that do not compress, the same for the same seed.
QByteArray randomBytes(int size, quint32 seed);

} // namespace TestSupport
