// Creating archives, DOS dates and entry names.
#include "ssziparchive.h"
#include "commonutilslog.h"
#include "linktext.h"
#include "zipaes.h"
#include "zipcrypto.h"
#include "ziprecords.h"

#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTextCodec>

#include <minizip/zip.h>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

const char *const SSZipArchiveErrorDomain = "SSZipArchiveErrorDomain";
const char *const SSZipPosixErrorDomain = "NSPOSIXErrorDomain";

namespace {

constexpr int kCopyBlock = 16384;
constexpr quint32 kMadeByUnix = (3u << 8) | 30u;
constexpr quint32 kFlagEncrypted = 1u << 0;
constexpr quint32 kFlagUtf8Names = 1u << 11;
// AES entries shorter than this leave out their CRC (AE-2).
constexpr quint64 kSmallEntry = 20;

// Traditional encryption needs the entry's CRC before its data is written.
bool crcOfFile(const QString &path, uLong *crc)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    uLong value = crc32(0L, Z_NULL, 0);
    QByteArray block(kCopyBlock, Qt::Uninitialized);
    qint64 n;
    while ((n = file.read(block.data(), block.size())) > 0)
        value = crc32(value, reinterpret_cast<const Bytef *>(block.constData()), uInt(n));
    if (n < 0)
        return false;
    *crc = value;
    return true;
}

// Mode and time of the item itself, a link not followed.
struct ItemStat
{
    quint32 externalAttributes = 0;
    QDateTime modified;
};

ItemStat itemStat(const QString &path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return {0, QDateTime::currentDateTime()};
    return {quint32(st.st_mode & 0xffff) << 16, QDateTime::fromSecsSinceEpoch(st.st_mtime)};
}

} // namespace

// --- delegate defaults ---------------------------------------------------

void SSZipArchiveDelegate::zipArchiveWillUnzipArchiveAtPath(const QString &, quint64) {}
bool SSZipArchiveDelegate::zipArchiveShouldUnzipFileAtIndex(qint64, qint64, const QString &,
                                                            const SSZipEntryInfo &)
{
    return true;
}
void SSZipArchiveDelegate::zipArchiveWillUnzipFileAtIndex(qint64, qint64, const QString &,
                                                          const SSZipEntryInfo &)
{
}
void SSZipArchiveDelegate::zipArchiveDidUnzipArchiveAtPath(const QString &, quint64,
                                                           const QString &)
{
}
void SSZipArchiveDelegate::zipArchiveProgressEvent(quint64, quint64) {}

// --- creating --------------------------------------------------------------

SSZipArchive::SSZipArchive(const QString &path) : m_path(path) {}

SSZipArchive::~SSZipArchive()
{
    close();
}

bool SSZipArchive::open()
{
    if (m_zip || m_path.isEmpty())
        return false;
    m_zip = zipOpen64(QFile::encodeName(m_path).constData(), APPEND_STATUS_CREATE);
    return m_zip != nullptr;
}

bool SSZipArchive::close()
{
    if (!m_zip)
        return false;
    const int result = zipClose(static_cast<zipFile>(m_zip), nullptr);
    m_zip = nullptr;
    if (result != ZIP_OK)
        return false;
    if (m_aesEntries == 0)
        return true;
    m_aesEntries = 0;
    QString why;
    if (!ZipRecords::markAesEntries(m_path, &why)) {
        qCWarning(lcCommonUtils).noquote()
            << QStringLiteral("[SSZipArchive] Cannot finish the AES entries of %1: %2").arg(m_path, why);
        return false;
    }
    return true;
}

bool SSZipArchive::writeFile(const QString &path, const QString &password)
{
    return writeFileAtPath(path, QFileInfo(path).fileName(), -1, password, true);
}

bool SSZipArchive::writeFileAtPath(const QString &path, const QString &fileName,
                                   int compressionLevel, const QString &password, bool aes)
{
    const QFileInfo info(path);
    if (info.isSymLink()) {
        // The link is stored as written, not as the target it resolves to.
        QByteArray target;
        if (!readLinkText(path, &target))
            return false;
        const ItemStat st = itemStat(path);
        return writeEntry(fileName, st.modified, st.externalAttributes, &target, QString(),
                          compressionLevel, password, aes);
    }
    if (!info.isFile())
        return false;
    const ItemStat st = itemStat(path);
    return writeEntry(fileName, st.modified, st.externalAttributes, nullptr, path,
                      compressionLevel, password, aes);
}

bool SSZipArchive::writeData(const QByteArray &data, const QString &fileName,
                             int compressionLevel, const QString &password, bool aes)
{
    const quint32 attributes = quint32(S_IFREG | 0644) << 16;
    return writeEntry(fileName, QDateTime::currentDateTime(), attributes, &data, QString(),
                      compressionLevel, password, aes);
}

bool SSZipArchive::writeFolderAtPath(const QString &path, const QString &folderName,
                                     const QString &password)
{
    const QFileInfo info(path);
    if (!info.isDir())
        return false;
    QString name = folderName;
    if (!name.endsWith('/'))
        name += '/';
    const QByteArray none;
    const ItemStat st = itemStat(path);
    return writeEntry(name, st.modified, st.externalAttributes, &none, QString(), -1, password,
                      true);
}

bool SSZipArchive::writeEntry(const QString &fileName, const QDateTime &date,
                              quint32 externalAttributes, const QByteArray *data,
                              const QString &sourcePath, int compressionLevel,
                              const QString &password, bool aes)
{
    if (!m_zip || fileName.isEmpty())
        return false;
    const bool encrypted = !password.isEmpty();
    aes = aes && encrypted;
    uLong crc = crc32(0L, Z_NULL, 0);
    // Traditional encryption needs the CRC before the data; AES does not.
    if (encrypted && !aes) {
        if (data)
            crc = crc32(crc, reinterpret_cast<const Bytef *>(data->constData()),
                        uInt(data->size()));
        else if (!crcOfFile(sourcePath, &crc))
            return false;
    }
    QFile source(sourcePath);
    if (!data && !source.open(QIODevice::ReadOnly))
        return false;
    const quint64 size = data ? quint64(data->size()) : quint64(source.size());

    zip_fileinfo info{};
    info.dosDate = msdosFormatWithDate(date);
    info.external_fa = externalAttributes;
    const QByteArray name = fileName.toUtf8();
    zipFile zip = static_cast<zipFile>(m_zip);

    ZipAes::Field field;
    QByteArray extra;
    if (aes) {
        field.strength = int(m_aesStrength);
        field.version = m_aesVersion == SSZipAesVersion::AE1 ? 1
            : m_aesVersion == SSZipAesVersion::AE2           ? 2
            : size < kSmallEntry                             ? 2
                                                             : 1;
        field.method = Z_DEFLATED;
        extra = ZipAes::fieldBytes(field);
    }
    const quint64 overhead = aes ? quint64(ZipAes::overhead(field.strength))
                                 : encrypted ? quint64(ZipCryptoKeys::kHeaderSize) : 0;
    // Encrypted entries are deflated and encrypted here and handed over raw;
    // minizip takes no method 99, so AES entries go in as stored ones and
    // get their method when the archive is closed.
    if (zipOpenNewFileInZip4_64(zip, name.constData(), &info, extra.isEmpty() ? nullptr : extra.constData(),
                                uInt(extra.size()), extra.isEmpty() ? nullptr : extra.constData(),
                                uInt(extra.size()), nullptr, aes ? 0 : Z_DEFLATED,
                                compressionLevel, encrypted ? 1 : 0, -MAX_WBITS, 8,
                                Z_DEFAULT_STRATEGY, nullptr, 0, kMadeByUnix,
                                kFlagUtf8Names | (encrypted ? kFlagEncrypted : 0),
                                size + overhead >= 0xffffffffu ? 1 : 0)
        != ZIP_OK)
        return false;
    if (aes)
        ++m_aesEntries;

    qint64 offset = 0;
    auto readChunk = [&](char *buffer, int capacity) -> qint64 {
        if (!data)
            return source.read(buffer, capacity);
        const qint64 n = qMin<qint64>(capacity, data->size() - offset);
        memcpy(buffer, data->constData() + offset, size_t(n));
        offset += n;
        return n;
    };
    auto write = [&](const char *bytes, qint64 n) {
        return n == 0 || zipWriteInFileInZip(zip, bytes, unsigned(n)) == ZIP_OK;
    };
    bool ok = true;
    QByteArray block(kCopyBlock, Qt::Uninitialized);
    if (!encrypted) {
        qint64 n;
        while (ok && (n = readChunk(block.data(), block.size())) > 0)
            ok = write(block.constData(), n);
        ok = ok && n == 0;
        return zipCloseFileInZip(zip) == ZIP_OK && ok;
    }

    std::unique_ptr<ZipCryptoKeys> keys;
    std::unique_ptr<ZipAes::Cipher> cipher;
    if (aes) {
        cipher.reset(new ZipAes::Cipher);
        const QByteArray salt = ZipAes::Cipher::randomSalt(field.strength);
        ok = !salt.isEmpty() && cipher->init(password.toUtf8(), salt, field.strength);
        ok = ok && write(salt.constData(), salt.size());
        ok = ok && write(cipher->verifier().constData(), cipher->verifier().size());
    } else {
        keys.reset(new ZipCryptoKeys(password.toUtf8()));
        const QByteArray header = keys->header(quint8(crc >> 24));
        ok = write(header.constData(), header.size());
    }
    z_stream stream{};
    ok = ok && deflateInit2(&stream, compressionLevel, Z_DEFLATED, -MAX_WBITS, 8,
                            Z_DEFAULT_STRATEGY) == Z_OK;
    QByteArray out(kCopyBlock, Qt::Uninitialized);
    int flush = Z_NO_FLUSH;
    while (ok && flush != Z_FINISH) {
        const qint64 n = readChunk(block.data(), block.size());
        if (n < 0) {
            ok = false;
            break;
        }
        if (aes)
            crc = crc32(crc, reinterpret_cast<const Bytef *>(block.constData()), uInt(n));
        flush = n == 0 ? Z_FINISH : Z_NO_FLUSH;
        stream.next_in = reinterpret_cast<Bytef *>(block.data());
        stream.avail_in = uInt(n);
        do {
            stream.next_out = reinterpret_cast<Bytef *>(out.data());
            stream.avail_out = uInt(out.size());
            if (deflate(&stream, flush) == Z_STREAM_ERROR) {
                ok = false;
                break;
            }
            const int produced = out.size() - int(stream.avail_out);
            if (cipher)
                cipher->encrypt(out.data(), produced);
            else
                keys->encrypt(out.data(), produced);
            ok = write(out.constData(), produced);
        } while (ok && stream.avail_out == 0);
    }
    deflateEnd(&stream);
    if (cipher) {
        const QByteArray code = cipher->authenticationCode();
        ok = ok && code.size() == ZipAes::kAuthCodeSize && write(code.constData(), code.size());
        // AE-2 leaves the CRC out: on small entries it would tell their content.
        if (field.version == 2)
            crc = 0;
    }
    return zipCloseFileInZipRaw64(zip, size, crc) == ZIP_OK && ok;
}

bool SSZipArchive::createZipFileAtPathWithFiles(const QString &path, const QStringList &files,
                                                const QString &password)
{
    SSZipArchive archive(path);
    if (!archive.open())
        return false;
    bool ok = true;
    for (const QString &file : files)
        ok = archive.writeFile(file, password) && ok;
    return archive.close() && ok;
}

bool SSZipArchive::createZipFileAtPathWithContentsOfDirectory(
    const QString &path, const QString &directory, bool keepParentDirectory, int compressionLevel,
    const QString &password, bool aes, const FolderProgressHandler &progress)
{
    const QDir root(directory);
    if (directory.isEmpty() || !root.exists())
        return false;
    SSZipArchive archive(path);
    if (!archive.open())
        return false;
    const QString prefix = keepParentDirectory ? QFileInfo(root.absolutePath()).fileName() + '/'
                                               : QString();
    QStringList paths;
    QDirIterator it(root.absolutePath(), QDir::AllEntries | QDir::Hidden | QDir::System
                                             | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QString self = QFileInfo(path).absoluteFilePath();
    while (it.hasNext()) {
        // An archive written inside the folder doesn't take itself in.
        const QString entry = it.next();
        if (entry != self)
            paths << entry;
    }
    paths.sort();

    bool ok = true;
    if (keepParentDirectory && paths.isEmpty())
        ok = archive.writeFolderAtPath(root.absolutePath(), prefix, password);
    quint64 done = 0;
    for (const QString &entryPath : qAsConst(paths)) {
        const QFileInfo info(entryPath);
        const QString name = prefix + root.relativeFilePath(entryPath);
        if (info.isDir() && !info.isSymLink()) {
            if (QDir(entryPath).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System
                                        | QDir::NoDotAndDotDot))
                ok = archive.writeFolderAtPath(entryPath, name, password) && ok;
        } else {
            ok = archive.writeFileAtPath(entryPath, name, compressionLevel, password, aes) && ok;
        }
        if (progress)
            progress(++done, quint64(paths.size()));
    }
    return archive.close() && ok;
}

// --- dates and names ---------------------------------------------------------

QDateTime SSZipArchive::dateWithMSDOSFormat(quint32 dosDate)
{
    const int year = int((dosDate >> 25) & 0x7f) + 1980;
    const int month = int((dosDate >> 21) & 0x0f);
    const int day = int((dosDate >> 16) & 0x1f);
    const int hour = int((dosDate >> 11) & 0x1f);
    const int minute = int((dosDate >> 5) & 0x3f);
    const int second = int(dosDate & 0x1f) * 2;
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::LocalTime);
}

quint32 SSZipArchive::msdosFormatWithDate(const QDateTime &date)
{
    const QDateTime local = date.toLocalTime();
    const QDate d = local.date();
    const QTime t = local.time();
    const int year = qBound(1980, d.year(), 2107);
    return quint32(year - 1980) << 25 | quint32(d.month()) << 21 | quint32(d.day()) << 16
        | quint32(t.hour()) << 11 | quint32(t.minute()) << 5 | quint32(t.second() / 2);
}

QString SSZipArchive::filenameFromRawName(const QByteArray &raw, quint32 versionMadeBy,
                                          quint32 flag)
{
    if (versionMadeBy < 256 && !(flag & kFlagUtf8Names)) {
        if (QTextCodec *codec = QTextCodec::codecForName("IBM437"))
            return codec->toUnicode(raw);
    }
    for (const char *name : {"UTF-8", "GB18030", "Shift_JIS"}) {
        QTextCodec *codec = QTextCodec::codecForName(name);
        if (!codec)
            continue;
        QTextCodec::ConverterState state(QTextCodec::ConvertInvalidToNull);
        const QString text = codec->toUnicode(raw.constData(), raw.size(), &state);
        // Some codecs put a replacement character without counting it.
        if (state.invalidChars == 0 && state.remainingChars == 0
            && !text.contains(QChar::ReplacementCharacter))
            return text;
    }
    return hexString(raw);
}

QString SSZipArchive::base64RFC4648(const QByteArray &data)
{
    return QString::fromLatin1(data.toBase64(QByteArray::Base64UrlEncoding));
}

QString SSZipArchive::hexString(const QByteArray &data)
{
    return QString::fromLatin1(data.toHex().toUpper());
}
