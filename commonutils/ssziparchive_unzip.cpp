// Extracting archives and checking passwords.
#include "ssziparchive.h"
#include "commonutilslog.h"
#include "extractedfile.h"
#include "zipaes.h"
#include "zipcrypto.h"
#include "zipfields.h"
#include "ziprecords.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <minizip/unzip.h>
#include <openssl/crypto.h>
#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

// Entries are read and written a mebibyte at a time: large files pass in few
// system calls. Links are read in small pieces.
constexpr int kDataBlock = 1 << 20;
constexpr int kLinkBlock = 4096;
constexpr int kMaxLinkTarget = 4096;
constexpr quint32 kFlagEncrypted = 1u << 0;
constexpr quint32 kFlagDataDescriptor = 1u << 3;

SSZipError archiveError(int code, const QString &text)
{
    return {QString::fromLatin1(SSZipArchiveErrorDomain), code, text};
}

// An AES entry whose authentication code does not match its bytes.
SSZipError authenticationError()
{
    return archiveError(SSZipArchiveErrorCodeFileInfoNotLoadable,
                        QStringLiteral("authentication failed for file (wrong password or "
                                       "damaged data)"));
}

SSZipError posixError(int code, const QString &path)
{
    return {QString::fromLatin1(SSZipPosixErrorDomain), code,
            QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(strerror(code)))};
}

// Reads the current entry's information, raw name and central extra field;
// *ownSizes tells that its sizes came from the zip64 field, past what
// minizip knows.
bool currentEntry(unzFile zip, SSZipEntryInfo *info, QByteArray *rawName, bool *ownSizes = nullptr,
                  QByteArray *centralExtra = nullptr)
{
    unz_file_info64 fi;
    if (unzGetCurrentFileInfo64(zip, &fi, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return false;
    QByteArray name(int(fi.size_filename) + 1, '\0');
    QByteArray extra(int(fi.size_file_extra), '\0');
    if (unzGetCurrentFileInfo64(zip, &fi, name.data(), uLong(name.size()),
                                extra.isEmpty() ? nullptr : extra.data(), uLong(extra.size()),
                                nullptr, 0)
        != UNZ_OK)
        return false;
    name.truncate(int(fi.size_filename));
    *rawName = name;
    quint64 uncompressed = fi.uncompressed_size, compressed = fi.compressed_size;
    // This minizip leaves the 32-bit size fields as they are when the real
    // sizes are in the zip64 extra field (its check of them never matches on
    // 64-bit systems): they are read here.
    const bool marked = uncompressed == ZipFields::kMarker32 || compressed == ZipFields::kMarker32;
    if (marked)
        ZipFields::zip64Values(extra, &uncompressed, &compressed, nullptr);
    if (ownSizes)
        *ownSizes = marked;
    if (centralExtra)
        *centralExtra = extra;
    fi.uncompressed_size = uncompressed;
    fi.compressed_size = compressed;
    info->versionMadeBy = quint32(fi.version);
    info->flag = quint32(fi.flag);
    info->compressionMethod = quint32(fi.compression_method);
    info->dosDate = quint32(fi.dosDate);
    info->crc = quint32(fi.crc);
    info->compressedSize = fi.compressed_size;
    info->uncompressedSize = fi.uncompressed_size;
    info->externalAttributes = quint32(fi.external_fa);
    return true;
}

// Reads one entry's bytes. Encrypted entries are read raw, decrypted,
// inflated and checked here (see zipcrypto.h, zipaes.h); the others by
// minizip.
class EntryReader
{
public:
    enum Result { Ok, WrongPassword, OpenFailed, AuthenticationFailed, UnsupportedAes };

    // ownSizes: the entry's sizes are past what minizip read (zip64), so its
    // bytes are read raw, bounded and inflated here. centralExtra: the
    // entry's extra field in the central directory.
    EntryReader(unzFile zip, const SSZipEntryInfo &info, const QString &archive,
                const QByteArray &centralExtra, bool ownSizes = false)
        : m_zip(zip)
        , m_info(info)
        , m_ownSizes(ownSizes)
        , m_compressedLeft(info.compressedSize)
        , m_archive(archive)
        , m_centralExtra(centralExtra)
        , m_input(size_t(std::clamp<quint64>(info.compressedSize, 1, kDataBlock)))
    {
    }
    ~EntryReader()
    {
        // An AES entry left early is not read to its end to be checked.
        if (m_open && m_cipher) {
            m_open = false;
            if (m_inflating)
                inflateEnd(&m_stream);
        }
        close();
    }

    // After close() returned false: the AES authentication code did not
    // match (else the CRC or size).
    bool authenticationFailed() const { return m_authenticationFailed; }

    Result open(const QByteArray &password)
    {
        const bool encrypted = m_info.flag & kFlagEncrypted;
        if (m_info.compressionMethod == ZipAes::kMethod)
            return openAes(password);
        if (!encrypted && !m_ownSizes)
            return unzOpenCurrentFile(m_zip) == UNZ_OK ? (m_open = true, Ok) : OpenFailed;
        if (encrypted && password.isEmpty())
            return WrongPassword;
        if (m_info.compressionMethod != 0 && m_info.compressionMethod != Z_DEFLATED)
            return OpenFailed;
        int method = 0, level = 0;
        if (unzOpenCurrentFile2(m_zip, &method, &level, 1) != UNZ_OK)
            return OpenFailed;
        m_open = true;
        m_raw = true;
        m_crc = crc32(0L, Z_NULL, 0);
        // minizip would read as far as the sizes it knows: the bytes are
        // read here, from where it found them to the real compressed size.
        if (m_ownSizes
            && (!m_archive.open(QIODevice::ReadOnly)
                || !m_archive.seek(qint64(unzGetCurrentFileZStreamPos64(m_zip)))))
            return OpenFailed;
        m_inflating = m_info.compressionMethod == Z_DEFLATED;
        if (!encrypted) {
            if (m_inflating && inflateInit2(&m_stream, -MAX_WBITS) != Z_OK)
                return OpenFailed;
            return Ok;
        }
        m_keys.reset(new ZipCryptoKeys(password));
        char header[ZipCryptoKeys::kHeaderSize];
        if (readRaw(header, sizeof header) != int(sizeof header))
            return OpenFailed;
        m_keys->decrypt(header, sizeof header);
        // With a data descriptor the check byte is the time's, else the CRC's.
        const quint8 expected = (m_info.flag & kFlagDataDescriptor)
            ? quint8(m_info.dosDate >> 8) : quint8(m_info.crc >> 24);
        if (quint8(header[sizeof header - 1]) != expected)
            return WrongPassword;
        if (m_inflating && inflateInit2(&m_stream, -MAX_WBITS) != Z_OK)
            return OpenFailed;
        return Ok;
    }

    // Bytes read, 0 at the end, negative on an error.
    int read(char *buffer, int capacity)
    {
        if (!m_raw)
            return unzReadCurrentFile(m_zip, buffer, unsigned(capacity));
        int produced = 0;
        if (!m_inflating) {
            produced = readRaw(buffer, capacity);
            if (produced > 0)
                decrypt(buffer, produced);
        } else {
            m_stream.next_out = reinterpret_cast<Bytef *>(buffer);
            m_stream.avail_out = uInt(capacity);
            while (m_stream.avail_out > 0 && !m_ended) {
                if (m_stream.avail_in == 0 && !m_inputDone) {
                    const int n = readRaw(m_input.data(), int(m_input.size()));
                    if (n < 0)
                        return n;
                    m_inputDone = n == 0;
                    decrypt(m_input.data(), n);
                    m_stream.next_in = reinterpret_cast<Bytef *>(m_input.data());
                    m_stream.avail_in = uInt(n);
                }
                // With all input taken, inflate may still hold output and
                // the stream's end; it says Z_BUF_ERROR once it holds none,
                // and then the entry's bytes ended inside the stream.
                const int status = inflate(&m_stream, Z_NO_FLUSH);
                if (status == Z_STREAM_END)
                    m_ended = true;
                else if (status != Z_OK)
                    return -1;
            }
            produced = capacity - int(m_stream.avail_out);
        }
        if (produced > 0) {
            if (m_aesVersion != 2)
                m_crc = crc32(m_crc, reinterpret_cast<const Bytef *>(buffer), uInt(produced));
            m_size += quint64(produced);
        }
        return produced;
    }

    // False when the bytes read don't match the entry's CRC and size.
    bool close()
    {
        if (!m_open)
            return true;
        m_open = false;
        if (m_cipher)
            return closeAes();
        const int status = unzCloseCurrentFile(m_zip);
        if (!m_raw)
            return status != UNZ_CRCERROR;
        if (m_inflating)
            inflateEnd(&m_stream);
        return m_crc == m_info.crc && m_size == m_info.uncompressedSize;
    }

private:
    // An AES entry is read from the file, where its central record says,
    // as minizip opens no entry of its method. It is decrypted and
    // authenticated in one pass; its code is checked at close(), before the
    // caller keeps anything of it, so that a wrong password or damaged data
    // is told as such and reaches no file.
    Result openAes(const QByteArray &password)
    {
        ZipAes::Field field;
        if (!(m_info.flag & kFlagEncrypted) || !ZipAes::findField(m_centralExtra, &field)
            || (field.method != 0 && field.method != Z_DEFLATED))
            return UnsupportedAes;
        if (password.isEmpty())
            return WrongPassword;
        m_aesVersion = field.version;
        const quint64 overhead = quint64(ZipAes::overhead(field.strength));
        quint64 dataOffset = 0;
        if (m_info.compressedSize < overhead || !m_archive.open(QIODevice::ReadOnly)
            || !ZipRecords::entryDataOffset(m_archive, unzGetOffset64(m_zip),
                                            m_info.compressedSize, &dataOffset)
            || !m_archive.seek(qint64(dataOffset)))
            return OpenFailed;
        const QByteArray salt = m_archive.read(ZipAes::saltSize(field.strength));
        const QByteArray verifier = m_archive.read(ZipAes::kVerifierSize);
        if (verifier.size() != ZipAes::kVerifierSize)
            return OpenFailed;
        m_cipher.reset(new ZipAes::Cipher);
        if (!m_cipher->init(password, salt, field.strength))
            return OpenFailed;
        if (m_cipher->verifier() != verifier)
            return WrongPassword;
        m_compressedLeft = m_info.compressedSize - overhead;
        m_fromFile = true;
        m_open = true;
        m_raw = true;
        m_crc = crc32(0L, Z_NULL, 0);
        m_inflating = field.method == Z_DEFLATED;
        if (m_inflating && inflateInit2(&m_stream, -MAX_WBITS) != Z_OK) {
            m_inflating = false;
            return OpenFailed;
        }
        return Ok;
    }

    // Reads the stored code, which follows the encrypted bytes.
    bool codeMatches(ZipAes::Cipher &cipher)
    {
        const QByteArray computed = cipher.authenticationCode();
        const QByteArray stored = m_archive.read(ZipAes::kAuthCodeSize);
        return computed.size() == ZipAes::kAuthCodeSize && stored.size() == computed.size()
            && CRYPTO_memcmp(computed.constData(), stored.constData(), size_t(stored.size())) == 0;
    }

    bool closeAes()
    {
        if (m_inflating)
            inflateEnd(&m_stream);
        // What the reader left unread still counts for the code.
        for (int n; (n = readRaw(m_input.data(), int(m_input.size()))) > 0;)
            m_cipher->authenticate(m_input.data(), n);
        m_authenticationFailed = m_compressedLeft != 0 || !codeMatches(*m_cipher);
        m_cipher.reset();
        if (m_authenticationFailed)
            return false;
        // AE-2 stores no CRC (none was summed): its code alone decides.
        return (m_aesVersion == 2 || m_crc == m_info.crc) && m_size == m_info.uncompressedSize;
    }

    void decrypt(char *data, int size)
    {
        if (m_keys)
            m_keys->decrypt(data, size);
        else if (m_cipher)
            m_cipher->decrypt(data, size);
    }

    // The entry's stored bytes, never past its compressed size.
    int readRaw(char *buffer, int capacity)
    {
        const int wanted = int(std::min<quint64>(quint64(capacity), m_compressedLeft));
        if (wanted == 0)
            return 0;
        const int n = m_ownSizes || m_fromFile ? int(m_archive.read(buffer, wanted))
                                 : unzReadCurrentFile(m_zip, buffer, unsigned(wanted));
        if (n > 0)
            m_compressedLeft -= quint64(n);
        return n;
    }

    unzFile m_zip;
    SSZipEntryInfo m_info;
    bool m_ownSizes = false;
    quint64 m_compressedLeft = 0;
    QFile m_archive;
    QByteArray m_centralExtra;
    std::unique_ptr<ZipCryptoKeys> m_keys;
    std::unique_ptr<ZipAes::Cipher> m_cipher;
    int m_aesVersion = 0;
    bool m_fromFile = false, m_authenticationFailed = false, m_inputDone = false;
    z_stream m_stream{};
    std::vector<char> m_input; // the stored bytes, as many as fit
    quint32 m_crc = 0;
    quint64 m_size = 0;
    bool m_open = false, m_raw = false, m_inflating = false, m_ended = false;
};

// minizip can't open an archive without entries; it is a valid one all
// the same: just the end record, 22 bytes, with an entry count of 0.
bool isEmptyArchive(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() != 22)
        return false;
    const QByteArray record = file.readAll();
    return record.startsWith("PK\x05\x06") && record.at(10) == 0 && record.at(11) == 0;
}

bool isLink(const SSZipEntryInfo &info)
{
    return (info.versionMadeBy >> 8) == 3 && ((info.externalAttributes >> 28) & 0xf) == 0xA;
}

// Where path leads when every link on its way is followed as the system
// would, component by component, also past links that lead nowhere yet
// (the rest is then taken as written); empty after too many links.
QString resolvedPath(const QString &path)
{
    // A relative path starts from the current folder, as the system takes it.
    const QString absolute = QDir::isAbsolutePath(path) ? path : QDir::currentPath() + '/' + path;
    QStringList pending = absolute.split('/', Qt::SkipEmptyParts);
    QString at;   // "" is the root folder
    int links = 0;
    while (!pending.isEmpty()) {
        const QString part = pending.takeFirst();
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            at.truncate(std::max(0, at.lastIndexOf('/')));
            continue;
        }
        const QString next = at + '/' + part;
        const QByteArray native = QFile::encodeName(next);
        struct stat st;
        if (::lstat(native.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            at = next;
            continue;
        }
        char target[kMaxLinkTarget + 1];
        const ssize_t n = ::readlink(native.constData(), target, kMaxLinkTarget);
        if (n <= 0 || ++links > 40)
            return QString();
        const QString text = QFile::decodeName(QByteArray(target, int(n)));
        pending = text.split('/', Qt::SkipEmptyParts) + pending;
        if (text.startsWith('/'))
            at.clear();
    }
    return at.isEmpty() ? QStringLiteral("/") : at;
}

bool leadsInside(const QString &canonicalRoot, const QString &path)
{
    const QString resolved = resolvedPath(path);
    return !resolved.isEmpty()
        && (resolved == canonicalRoot || resolved.startsWith(canonicalRoot + '/'));
}

bool isSymLink(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool setModificationTime(const QString &path, const QDateTime &date)
{
    struct timespec times[2];
    times[0].tv_sec = time_t(date.toSecsSinceEpoch());
    times[0].tv_nsec = 0;
    times[1] = times[0];
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times,
                       AT_SYMLINK_NOFOLLOW) == 0;
}

class Unzipper
{
public:
    Unzipper(const QString &path, const QString &destination,
             const SSZipArchive::UnzipOptions &options, SSZipArchiveDelegate *delegate,
             const SSZipArchive::ProgressHandler &progress)
        : m_path(path), m_destination(destination), m_options(options), m_delegate(delegate),
          m_progress(progress)
    {
    }

    bool run();
    const SSZipError &error() const { return m_error; }
    quint64 written() const { return m_written; }

private:
    enum class Step { Next, Stop, Cancel };

    Step extractCurrent(qint64 index, qint64 total);
    Step writeFile(EntryReader &reader, const QString &fullPath, const SSZipEntryInfo &info);
    Step writeLink(EntryReader &reader, const QString &fullPath, const QString &relative);
    // Makes the folder and its missing parents, noting the ones this run made.
    bool makeFolder(const QString &path);
    // A run that kept nothing (a wrong password, a cancel at the start)
    // takes back the empty folders it made, the destination included.
    void removeMadeFolders();
    void refuse(const QString &name, const QString &why);
    bool checkDeclaredSize(quint64 entryCount);
    void removeLinksLeadingOut();
    SSZipError tooLarge(const QString &what) const
    {
        return archiveError(SSZipArchiveErrorCodeTooLarge, what);
    }
    Step fail(const SSZipError &error)
    {
        m_error = error;
        return Step::Stop;
    }

    QString m_path, m_destination, m_root;
    SSZipArchive::UnzipOptions m_options;
    SSZipArchiveDelegate *m_delegate;
    const SSZipArchive::ProgressHandler &m_progress;
    unzFile m_zip = nullptr;
    quint64 m_archiveSize = 0, m_loaded = 0;
    QList<QPair<QString, QDateTime>> m_dates;
    QStringList m_links;   // made by this run, checked again at its end
    QStringList m_madeFolders;
    int m_kept = 0; // files and links this run wrote
    quint64 m_written = 0;
    std::vector<char> m_block; // the entries' bytes on their way to the files
    SSZipError m_error;
    bool m_softFailure = false;
};

// The archive's own account of its entries and sizes, against the bounds,
// before anything is written.
bool Unzipper::checkDeclaredSize(quint64 entryCount)
{
    if (entryCount > m_options.maxEntries) {
        m_error = tooLarge(QStringLiteral("the archive has %1 entries, more than the %2 allowed")
                               .arg(entryCount).arg(m_options.maxEntries));
        return false;
    }
    quint64 total = 0;
    for (int status = unzGoToFirstFile(m_zip); status == UNZ_OK; status = unzGoToNextFile(m_zip)) {
        SSZipEntryInfo info;
        QByteArray raw;
        if (!currentEntry(m_zip, &info, &raw))
            break;   // reported when the entry is reached
        total += std::min<quint64>(info.uncompressedSize, m_options.maxTotalBytes + 1);
        if (total > m_options.maxTotalBytes) {
            m_error = tooLarge(QStringLiteral("the archive expands to more than the %1 bytes "
                                              "allowed (\"%2\" alone declares %3 bytes)")
                                   .arg(m_options.maxTotalBytes)
                                   .arg(SSZipArchive::filenameFromRawName(raw, info.versionMadeBy,
                                                                          info.flag))
                                   .arg(info.uncompressedSize));
            return false;
        }
    }
    return true;
}

// Links are checked as they are made, but a later link can turn an earlier
// one outwards (a link through a name that did not exist yet): once every
// entry is out, each link this run made must still lead inside.
void Unzipper::removeLinksLeadingOut()
{
    for (bool removed = true; removed;) {
        removed = false;
        for (const QString &link : qAsConst(m_links)) {
            if (!isSymLink(link) || leadsInside(m_root, link))
                continue;
            ::unlink(QFile::encodeName(link).constData());
            refuse(QDir(m_destination).relativeFilePath(link),
                   QStringLiteral("link points outside the destination"));
            removed = true;
        }
    }
}

bool Unzipper::makeFolder(const QString &path)
{
    QStringList missing;
    for (QString at = QDir::cleanPath(path); !QFileInfo::exists(at) && !isSymLink(at);) {
        missing << at;
        const QString parent = QFileInfo(at).path();
        if (parent == at)
            break;
        at = parent;
    }
    if (!QDir().mkpath(path))
        return false;
    m_madeFolders << missing;
    return true;
}

void Unzipper::removeMadeFolders()
{
    // Deepest first; one that holds something stays.
    std::sort(m_madeFolders.begin(), m_madeFolders.end(),
              [](const QString &a, const QString &b) { return a.size() > b.size(); });
    for (const QString &folder : qAsConst(m_madeFolders))
        ::rmdir(QFile::encodeName(folder).constData());
    m_madeFolders.clear();
}

bool Unzipper::run()
{
    if (m_path.isEmpty() || m_destination.isEmpty()) {
        m_error = archiveError(SSZipArchiveErrorCodeInvalidArguments,
                               QStringLiteral("received invalid argument(s)"));
        return false;
    }
    m_zip = unzOpen64(QFile::encodeName(m_path).constData());
    if (!m_zip && isEmptyArchive(m_path))
        return true;
    if (!m_zip) {
        m_error = archiveError(SSZipArchiveErrorCodeFailedOpenZipFile,
                               QStringLiteral("failed to open zip file"));
        return false;
    }
    m_archiveSize = quint64(QFileInfo(m_path).size());
    unz_global_info64 global{};
    unzGetGlobalInfo64(m_zip, &global);
    const qint64 total = qint64(global.number_entry);

    int status = unzGoToFirstFile(m_zip);
    bool ok = true;
    if (status == UNZ_END_OF_LIST_OF_FILE) {
        status = UNZ_OK;   // an empty archive unpacks to nothing
    } else if (status != UNZ_OK) {
        m_error = archiveError(SSZipArchiveErrorCodeFailedOpenFileInZip,
                               QStringLiteral("failed to open first file in zip file"));
        ok = false;
    }
    if (ok && !makeFolder(m_destination)) {
        m_error = posixError(errno ? errno : EIO, m_destination);
        ok = false;
    }
    m_root = QFileInfo(m_destination).canonicalFilePath();
    if (ok && !checkDeclaredSize(global.number_entry))
        ok = false;
    if (ok && global.number_entry > 0 && unzGoToFirstFile(m_zip) != UNZ_OK) {
        m_error = archiveError(SSZipArchiveErrorCodeFailedOpenFileInZip,
                               QStringLiteral("failed to open first file in zip file"));
        ok = false;
    }
    bool cancelled = false;
    if (ok) {
        if (m_delegate) {
            m_delegate->zipArchiveWillUnzipArchiveAtPath(m_path, global.number_entry);
            m_delegate->zipArchiveProgressEvent(0, m_archiveSize);
        }
        for (qint64 index = 0; ok && global.number_entry > 0; ++index) {
            const Step step = extractCurrent(index, total);
            if (step != Step::Next) {
                ok = false;
                cancelled = step == Step::Cancel;
                break;
            }
            status = unzGoToNextFile(m_zip);
            if (status == UNZ_END_OF_LIST_OF_FILE)
                break;
            if (status != UNZ_OK) {
                m_error = archiveError(SSZipArchiveErrorCodeFailedOpenFileInZip,
                                       QStringLiteral("failed to open file in zip file"));
                ok = false;
            }
        }
    }
    unzClose(m_zip);
    removeLinksLeadingOut();
    if (ok && m_options.preserveAttributes) {
        // Writing files changes their folders' times, so folders come last.
        for (const auto &entry : qAsConst(m_dates)) {
            if (!setModificationTime(entry.first, entry.second))
                qCWarning(lcCommonUtils).noquote() << QStringLiteral(
                    "[SSZipArchive] Set attributes failed for directory: %1.").arg(entry.first);
        }
    }
    if ((!ok || cancelled) && m_kept == 0)
        removeMadeFolders();
    if (cancelled)
        return false;
    if (m_delegate) {
        m_delegate->zipArchiveDidUnzipArchiveAtPath(m_path, global.number_entry, m_destination);
        m_delegate->zipArchiveProgressEvent(m_archiveSize, m_archiveSize);
    }
    return ok && !m_softFailure;
}

void Unzipper::refuse(const QString &name, const QString &why)
{
    qCWarning(lcCommonUtils).noquote() << QStringLiteral("[SSZipArchive] Refused \"%1\": %2").arg(name, why);
    m_error = archiveError(SSZipArchiveErrorCodeUnsafeEntry,
                           QStringLiteral("refused entry \"%1\": %2").arg(name, why));
    m_softFailure = true;
}

Unzipper::Step Unzipper::extractCurrent(qint64 index, qint64 total)
{
    SSZipEntryInfo info;
    QByteArray raw, extra;
    bool ownSizes = false;
    if (!currentEntry(m_zip, &info, &raw, &ownSizes, &extra))
        return fail(archiveError(SSZipArchiveErrorCodeFileInfoNotLoadable,
                                 QStringLiteral("failed to retrieve info for file")));
    if (m_delegate
        && !m_delegate->zipArchiveShouldUnzipFileAtIndex(index, total, m_path, info))
        return Step::Cancel;
    if (m_delegate)
        m_delegate->zipArchiveWillUnzipFileAtIndex(index, total, m_path, info);
    m_loaded += info.compressedSize;
    if (m_delegate)
        m_delegate->zipArchiveProgressEvent(m_loaded, m_archiveSize);

    QString name = SSZipArchive::filenameFromRawName(raw, info.versionMadeBy, info.flag);
    if (name.startsWith(QLatin1String("__MACOSX/")))
        return Step::Next;
    if (name.isEmpty())
        name = QString::number(index);
    const bool isFolder = raw.endsWith('/') || raw.endsWith('\\');
    name.replace('\\', '/');
    if (m_progress)
        m_progress(name, info, index, total);

    if (name.startsWith('/')
        || (name.size() > 2 && name.at(0).isLetter() && name.at(1) == ':' && name.at(2) == '/')) {
        refuse(name, QStringLiteral("absolute name"));
        return Step::Next;
    }
    const QString relative = QDir::cleanPath(name);
    if (relative == QLatin1String("..") || relative.startsWith(QLatin1String("../"))) {
        refuse(name, QStringLiteral("name leaves the destination"));
        return Step::Next;
    }
    const QString fullPath = relative == QLatin1String(".")
        ? m_destination : m_destination + '/' + relative;
    const QString folder = isFolder ? fullPath : QFileInfo(fullPath).absolutePath();
    if (!leadsInside(m_root, folder)) {
        refuse(name, QStringLiteral("a link on the way leads out of the destination"));
        return Step::Next;
    }
    if (!makeFolder(folder)) {
        const int code = errno;
        if (code == ENOSPC)
            return fail(posixError(code, folder));
        qCWarning(lcCommonUtils).noquote() << QStringLiteral("[SSZipArchive] Error: cannot create %1").arg(folder);
    }
    if (!leadsInside(m_root, folder)) {
        refuse(name, QStringLiteral("a link on the way leads out of the destination"));
        return Step::Next;
    }
    const QDateTime date = SSZipArchive::dateWithMSDOSFormat(info.dosDate);
    if (isFolder) {
        if (m_options.preserveAttributes)
            m_dates.append({fullPath, date});
        return Step::Next;
    }
    const QFileInfo existing(fullPath);
    if ((existing.exists() || existing.isSymLink()) && !m_options.overwrite)
        return Step::Next;
    // A file is never written through a link (a save would follow it): the
    // link it replaces goes first.
    if (!isLink(info) && existing.isSymLink()
        && ::unlink(QFile::encodeName(fullPath).constData()) != 0) {
        refuse(name, QStringLiteral("a link in its place cannot be removed"));
        return Step::Next;
    }

    EntryReader reader(m_zip, info, m_path, extra, ownSizes);
    switch (reader.open(m_options.password.toUtf8())) {
    case EntryReader::Ok:
        break;
    case EntryReader::WrongPassword:
        return fail(archiveError(SSZipArchiveErrorCodeFailedOpenFileInZip,
                                 QStringLiteral("failed to open file in zip file (wrong or "
                                                "missing password)")));
    case EntryReader::OpenFailed:
        return fail(archiveError(SSZipArchiveErrorCodeFailedOpenFileInZip,
                                 QStringLiteral("failed to open file in zip file")));
    case EntryReader::UnsupportedAes:
        return fail(archiveError(SSZipArchiveErrorCodeFailedOpenFileInZip,
                                 QStringLiteral("failed to open file in zip file (unknown AES "
                                                "encryption field)")));
    case EntryReader::AuthenticationFailed:
        return fail(authenticationError());
    }
    const Step step = isLink(info) ? writeLink(reader, fullPath, relative)
                                   : writeFile(reader, fullPath, info);
    if (step != Step::Next)
        return step;
    if (m_options.preserveAttributes && !setModificationTime(fullPath, date))
        qCWarning(lcCommonUtils).noquote() << "[SSZipArchive] Failed to set attributes - whilst setting "
                                              "modification date";

    if (!isLink(info) && m_options.nestedZipLevel > 0
        && QFileInfo(fullPath).suffix().compare(QLatin1String("zip"), Qt::CaseInsensitive) == 0) {
        const QFileInfo nested(fullPath);
        SSZipArchive::UnzipOptions inner = m_options;
        inner.nestedZipLevel -= 1;
        inner.maxTotalBytes -= std::min(m_written, inner.maxTotalBytes);
        const QString into = nested.absolutePath() + '/' + nested.completeBaseName();
        static const SSZipArchive::ProgressHandler noProgress;
        Unzipper nestedRun(fullPath, into, inner, nullptr, noProgress);
        const bool unpacked = nestedRun.run();
        m_written += nestedRun.written();
        if (unpacked) {
            QFile::remove(fullPath);
        } else if (nestedRun.error().code == SSZipArchiveErrorCodeTooLarge) {
            return fail(nestedRun.error());
        } else {
            qCWarning(lcCommonUtils).noquote() << "[SSZipArchive] nested archive:"
                                               << nestedRun.error().text;
        }
    }
    return Step::Next;
}

Unzipper::Step Unzipper::writeFile(EntryReader &reader, const QString &fullPath,
                                   const SSZipEntryInfo &info)
{
    // The file replaces what was there (a link included) only once its
    // bytes have passed the CRC check.
    ExtractedFile file(fullPath);
    if (!file.open()) {
        const bool full = QStorageInfo(QFileInfo(fullPath).absolutePath()).bytesAvailable() == 0;
        return fail(posixError(full ? ENOSPC : file.error(), fullPath));
    }
    if (m_block.empty())
        m_block.resize(kDataBlock);
    char *block = m_block.data();
    int n;
    while ((n = reader.read(block, int(m_block.size()))) > 0) {
        m_written += quint64(n);
        if (m_written > m_options.maxTotalBytes)
            return fail(tooLarge(QStringLiteral("the archive expands to more than the %1 bytes "
                                                "allowed (at \"%2\")")
                                     .arg(m_options.maxTotalBytes)
                                     .arg(QDir(m_destination).relativeFilePath(fullPath))));
        if (!file.write(block, n)) {
            const QString text = QStringLiteral("Failed to write file (check your free space)");
            qCWarning(lcCommonUtils).noquote() << "[SSZipArchive]" << text;
            return fail(archiveError(SSZipArchiveErrorCodeFailedToWriteFile, text));
        }
    }
    // Bytes that do not inflate may be damaged AES data: its code, checked
    // by close(), then says so.
    if (n < 0)
        return fail(!reader.close() && reader.authenticationFailed()
                        ? authenticationError()
                        : archiveError(SSZipArchiveErrorCodeFileContentNotReadable,
                                       QStringLiteral("failed to read contents of file entry")));
    if (!reader.close())
        return fail(reader.authenticationFailed()
                        ? authenticationError()
                        : archiveError(SSZipArchiveErrorCodeFileInfoNotLoadable,
                                       QStringLiteral("crc check failed for file")));
    switch (file.commit(m_options.overwrite)) {
    case ExtractedFile::Commit::Done:
        break;
    case ExtractedFile::Commit::NameTaken:
        // Kept as a file there from the start is.
        return Step::Next;
    case ExtractedFile::Commit::Failed: {
        const QString text = QStringLiteral("Failed to write file (check your free space)");
        qCWarning(lcCommonUtils).noquote() << "[SSZipArchive]" << text;
        return fail(archiveError(SSZipArchiveErrorCodeFailedToWriteFile, text));
    }
    }
    ++m_kept;
    // Set-uid, set-gid and sticky bits are never restored.
    const quint32 mode = (info.externalAttributes >> 16) & 0777;
    if (m_options.preserveAttributes && (info.externalAttributes >> 16) != 0
        && ::chmod(QFile::encodeName(fullPath).constData(), mode_t(mode | 0600)) != 0)
        qCWarning(lcCommonUtils).noquote() << "[SSZipArchive] Failed to set attributes - whilst setting "
                                              "permissions";
    return Step::Next;
}

Unzipper::Step Unzipper::writeLink(EntryReader &reader, const QString &fullPath,
                                   const QString &relative)
{
    QByteArray target;
    char block[kLinkBlock];
    int n;
    while ((n = reader.read(block, sizeof block)) > 0 && target.size() <= kMaxLinkTarget)
        target.append(block, n);
    if (n != 0 || !reader.close())
        return fail(archiveError(SSZipArchiveErrorCodeFileContentNotReadable,
                                 QStringLiteral("failed to read contents of file entry")));
    const QString text = QFile::decodeName(target);
    const QString resolved = QDir::cleanPath(QFileInfo(relative).path() + '/' + text);
    // Lexically inside, and inside once the links already made are followed.
    if (text.isEmpty() || text.startsWith('/') || resolved == QLatin1String("..")
        || resolved.startsWith(QLatin1String("../"))
        || !leadsInside(m_root, QFileInfo(fullPath).absolutePath() + '/' + text)) {
        refuse(relative, QStringLiteral("link points outside the destination"));
        return Step::Next;
    }
    const QByteArray native = QFile::encodeName(fullPath);
    struct stat st;
    if (::lstat(native.constData(), &st) == 0) {
        if (!S_ISDIR(st.st_mode) && ::unlink(native.constData()) != 0)
            qCWarning(lcCommonUtils).noquote() << QStringLiteral(
                "Failed to delete existing symbolic link at \"%1\"").arg(fullPath);
    }
    m_links.append(fullPath);
    if (::symlink(target.constData(), native.constData()) != 0) {
        const int code = errno;
        qCWarning(lcCommonUtils).noquote() << QStringLiteral(
            "Failed to create symbolic link at \"%1\" to \"%2\" - symlink() error code: %3")
                                                  .arg(fullPath, text).arg(code);
        m_error = posixError(code, fullPath);
        m_softFailure = true;
    } else {
        ++m_kept;
    }
    return Step::Next;
}

} // namespace

bool SSZipArchive::isFilePasswordProtectedAtPath(const QString &path)
{
    unzFile zip = unzOpen64(QFile::encodeName(path).constData());
    if (!zip)
        return false;
    bool encrypted = false;
    for (int status = unzGoToFirstFile(zip); status == UNZ_OK && !encrypted;
         status = unzGoToNextFile(zip)) {
        SSZipEntryInfo info;
        QByteArray raw;
        encrypted = currentEntry(zip, &info, &raw) && (info.flag & kFlagEncrypted);
    }
    unzClose(zip);
    return encrypted;
}

bool SSZipArchive::isPasswordValidForArchiveAtPath(const QString &path, const QString &password,
                                                   SSZipError *error)
{
    unzFile zip = unzOpen64(QFile::encodeName(path).constData());
    if (!zip) {
        if (error)
            *error = archiveError(SSZipArchiveErrorCodeFailedOpenZipFile,
                                  QStringLiteral("failed to open zip file"));
        return false;
    }
    bool valid = true;
    for (int status = unzGoToFirstFile(zip); status == UNZ_OK; status = unzGoToNextFile(zip)) {
        SSZipEntryInfo info;
        QByteArray raw, extra;
        // An entry that cannot be read may be the encrypted one.
        if (!currentEntry(zip, &info, &raw, nullptr, &extra)) {
            valid = false;
            if (error)
                *error = archiveError(SSZipArchiveErrorCodeFileInfoNotLoadable,
                                      QStringLiteral("failed to retrieve info for file"));
            break;
        }
        if (!(info.flag & kFlagEncrypted))
            continue;
        // One wrong password in 256 passes the check byte (in 65536 the AES
        // verifier), so the whole entry is read and its CRC or code decides.
        EntryReader reader(zip, info, path, extra);
        valid = reader.open(password.toUtf8()) == EntryReader::Ok;
        // Left uncleared: a small entry touches only the pages it fills.
        const std::unique_ptr<char[]> buffer(new char[kDataBlock]);
        int n = 0;
        while (valid && (n = reader.read(buffer.get(), kDataBlock)) > 0) { }
        valid = valid && n == 0 && reader.close();
        if (!valid && error)
            *error = archiveError(SSZipArchiveErrorCodeFailedOpenFileInZip,
                                  QStringLiteral("failed to open file in zip file"));
        break;
    }
    unzClose(zip);
    return valid;
}

bool SSZipArchive::unzipFileAtPath(const QString &path, const QString &destination,
                                   const UnzipOptions &options, SSZipError *error,
                                   SSZipArchiveDelegate *delegate,
                                   const ProgressHandler &progress,
                                   const CompletionHandler &completion)
{
    Unzipper unzipper(path, destination, options, delegate, progress);
    const bool ok = unzipper.run();
    if (error)
        *error = unzipper.error();
    if (completion)
        completion(path, ok, unzipper.error());
    return ok;
}
