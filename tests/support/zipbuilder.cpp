#include "zipbuilder.h"

#include <QFile>
#include <QRandomGenerator>

#include <minizip/zip.h>
#include <sys/stat.h>
#include <zlib.h>

namespace TestSupport {

namespace {

void putLittle(QByteArray &out, quint64 value, int size)
{
    for (int i = 0; i < size; ++i)
        out.append(char(value >> (8 * i)));
}

} // namespace

bool writeZip(const QString &path, const QList<ZipEntry> &entries, const char *password)
{
    zipFile zip = zipOpen64(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    if (!zip)
        return false;
    for (const ZipEntry &e : entries) {
        zip_fileinfo info{};
        info.dosDate = 0x21;   // 1980-01-01
        info.external_fa = uLong(e.mode) << 16;
        // Encryption seeds its header with the checksum.
        const uLong crc = crc32(0, reinterpret_cast<const Bytef *>(e.data.constData()), uInt(e.data.size()));
        if (zipOpenNewFileInZip4_64(zip, e.name.constData(), &info, nullptr, 0, nullptr, 0, nullptr,
                                    e.stored ? 0 : Z_DEFLATED, e.stored ? 0 : 6, 0, -MAX_WBITS, 8,
                                    Z_DEFAULT_STRATEGY, password, crc, (3 << 8) | 30, 1 << 11, 0)
            != ZIP_OK) {
            zipClose(zip, nullptr);
            return false;
        }
        if (!e.data.isEmpty())
            zipWriteInFileInZip(zip, e.data.constData(), unsigned(e.data.size()));
        zipCloseFileInZip(zip);
    }
    return zipClose(zip, nullptr) == ZIP_OK;
}

QByteArray zip64Archive(const QByteArray &name, const QByteArray &stored, quint64 declaredSize)
{
    const quint32 crc = quint32(crc32(0, reinterpret_cast<const Bytef *>(stored.constData()),
                                      uInt(stored.size())));
    QByteArray extra;
    putLittle(extra, 0x0001, 2);
    putLittle(extra, 16, 2);
    putLittle(extra, declaredSize, 8);
    putLittle(extra, quint64(stored.size()), 8);
    auto common = [&](QByteArray &out) {
        putLittle(out, 45, 2);          // version needed
        putLittle(out, 1 << 11, 2);     // UTF-8 name
        putLittle(out, 0, 2);           // stored
        putLittle(out, 0, 2);           // time
        putLittle(out, 0x21, 2);        // 1980-01-01
        putLittle(out, crc, 4);
        putLittle(out, 0xFFFFFFFFu, 4);
        putLittle(out, 0xFFFFFFFFu, 4);
        putLittle(out, quint64(name.size()), 2);
        putLittle(out, quint64(extra.size()), 2);
    };
    QByteArray zip;
    putLittle(zip, 0x04034b50, 4);
    common(zip);
    zip += name + extra + stored;
    const int directory = zip.size();
    putLittle(zip, 0x02014b50, 4);
    putLittle(zip, (3 << 8) | 45, 2);
    common(zip);
    putLittle(zip, 0, 2);               // comment
    putLittle(zip, 0, 2);               // disk
    putLittle(zip, 0, 2);               // internal attributes
    putLittle(zip, quint64(S_IFREG | 0644) << 16, 4);
    putLittle(zip, 0, 4);               // local header offset
    zip += name + extra;
    const int directorySize = zip.size() - directory;
    putLittle(zip, 0x06054b50, 4);
    putLittle(zip, 0, 4);
    putLittle(zip, 1, 2);
    putLittle(zip, 1, 2);
    putLittle(zip, quint64(directorySize), 4);
    putLittle(zip, quint64(directory), 4);
    putLittle(zip, 0, 2);
    return zip;
}

QByteArray randomBytes(int size, quint32 seed)
{
    QRandomGenerator generator(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &c : bytes)
        c = char(generator.bounded(256));
    return bytes;
}

} // namespace TestSupport
