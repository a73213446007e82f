#pragma once
// Zip archives over minizip: extracting with passwords, progress, symbolic
// links, attributes and DOS dates, and creating them from files, folders and
// data. Extraction never writes outside its destination: absolute names,
// names that climb out and links that point out (followed as the system
// would, once every entry is out too) are refused, a file is never written
// through a link, and what a run writes is bounded (see SSZipUnzipOptions).
//
// Passwords encrypt with WinZip AES unless a call asks for the traditional
// zip encryption (aes false); both are read.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

extern const char *const SSZipArchiveErrorDomain;   // "SSZipArchiveErrorDomain"
extern const char *const SSZipPosixErrorDomain;     // errno values

enum SSZipArchiveErrorCode {
    SSZipArchiveErrorCodeFailedOpenZipFile = -1,
    SSZipArchiveErrorCodeFailedOpenFileInZip = -2,
    SSZipArchiveErrorCodeFileInfoNotLoadable = -3,
    SSZipArchiveErrorCodeFileContentNotReadable = -4,
    SSZipArchiveErrorCodeFailedToWriteFile = -5,
    SSZipArchiveErrorCodeInvalidArguments = -6,
    SSZipArchiveErrorCodeUnsafeEntry = -7,
    SSZipArchiveErrorCodeTooLarge = -8,
};

// AES key length of the entries an archive writes.
enum class SSZipAesStrength { Aes128 = 1, Aes192 = 2, Aes256 = 3 };
// AE-1 stores the entry's CRC, AE-2 leaves it out (0); Automatic takes AE-2
// for entries under 20 bytes, whose CRC would tell their content, else AE-1.
enum class SSZipAesVersion { Automatic, AE1, AE2 };

struct SSZipError
{
    QString domain;
    int code = 0;
    QString text;

    bool isSet() const { return !domain.isEmpty(); }
};

// What the central directory says of one entry.
struct SSZipEntryInfo
{
    quint32 versionMadeBy = 0;
    quint32 flag = 0;
    quint32 compressionMethod = 0;
    quint32 dosDate = 0;
    quint32 crc = 0;
    quint64 compressedSize = 0;
    quint64 uncompressedSize = 0;
    quint32 externalAttributes = 0;
};

// Every method has a default, so a delegate overrides only what it needs.
class SSZipArchiveDelegate
{
public:
    virtual ~SSZipArchiveDelegate() = default;
    virtual void zipArchiveWillUnzipArchiveAtPath(const QString &path, quint64 entryCount);
    // False cancels the whole run.
    virtual bool zipArchiveShouldUnzipFileAtIndex(qint64 index, qint64 total,
                                                  const QString &archivePath,
                                                  const SSZipEntryInfo &info);
    virtual void zipArchiveWillUnzipFileAtIndex(qint64 index, qint64 total,
                                                const QString &archivePath,
                                                const SSZipEntryInfo &info);
    virtual void zipArchiveDidUnzipArchiveAtPath(const QString &path, quint64 entryCount,
                                                 const QString &unzippedPath);
    virtual void zipArchiveProgressEvent(quint64 loaded, quint64 total);
};

struct SSZipUnzipOptions
{
    bool preserveAttributes = true;
    bool overwrite = true;
    int nestedZipLevel = 0;   // above 0, written .zip entries are unpacked too
    QString password;
    // What one run may write, nested archives included: an archive declaring
    // more fails with SSZipArchiveErrorCodeTooLarge before anything is
    // written, and one that holds more than it declares stops at the bound.
    quint64 maxTotalBytes = quint64(4) << 30;
    quint64 maxEntries = 65536;
};

class SSZipArchive
{
public:
    using ProgressHandler = std::function<void(const QString &entry, const SSZipEntryInfo &info,
                                               qint64 entryNumber, qint64 total)>;
    using CompletionHandler = std::function<void(const QString &path, bool succeeded,
                                                 const SSZipError &error)>;
    using FolderProgressHandler = std::function<void(quint64 done, quint64 total)>;

    using UnzipOptions = SSZipUnzipOptions;

    // Reading.
    static bool isFilePasswordProtectedAtPath(const QString &path);
    // Checks the password against the first encrypted entry; true when none is.
    static bool isPasswordValidForArchiveAtPath(const QString &path, const QString &password,
                                                SSZipError *error = nullptr);
    static bool unzipFileAtPath(const QString &path, const QString &destination,
                                const UnzipOptions &options = UnzipOptions(),
                                SSZipError *error = nullptr,
                                SSZipArchiveDelegate *delegate = nullptr,
                                const ProgressHandler &progress = ProgressHandler(),
                                const CompletionHandler &completion = CompletionHandler());

    // Creating: each file under its last path component. With a password,
    // entries are encrypted with AES (256-bit keys) unless aes is false.
    static bool createZipFileAtPathWithFiles(const QString &path, const QStringList &files,
                                             const QString &password = QString());
    static bool createZipFileAtPathWithContentsOfDirectory(
        const QString &path, const QString &directory, bool keepParentDirectory = false,
        int compressionLevel = -1, const QString &password = QString(), bool aes = true,
        const FolderProgressHandler &progress = FolderProgressHandler());

    explicit SSZipArchive(const QString &path);
    ~SSZipArchive();   // closes
    SSZipArchive(const SSZipArchive &) = delete;
    SSZipArchive &operator=(const SSZipArchive &) = delete;

    bool open();   // creates the archive file
    bool writeFile(const QString &path, const QString &password = QString());
    // A symbolic link is stored as a link.
    bool writeFileAtPath(const QString &path, const QString &fileName, int compressionLevel = -1,
                         const QString &password = QString(), bool aes = true);
    bool writeData(const QByteArray &data, const QString &fileName, int compressionLevel = -1,
                   const QString &password = QString(), bool aes = true);
    bool writeFolderAtPath(const QString &path, const QString &folderName,
                           const QString &password = QString());
    // False also when the AES entries' headers cannot be finished.
    bool close();
    // For the AES entries written from now on.
    void setAesStrength(SSZipAesStrength strength) { m_aesStrength = strength; }
    void setAesVersion(SSZipAesVersion version) { m_aesVersion = version; }

    // DOS date and time fields in local time.
    static QDateTime dateWithMSDOSFormat(quint32 dosDate);
    static quint32 msdosFormatWithDate(const QDateTime &date);
    // An entry's raw name as text: code page 437 for DOS entries without the
    // UTF-8 flag, then UTF-8, GB 18030 and Shift JIS; else its hex digits.
    static QString filenameFromRawName(const QByteArray &raw, quint32 versionMadeBy, quint32 flag);
    static QString base64RFC4648(const QByteArray &data);
    static QString hexString(const QByteArray &data);

private:
    bool writeEntry(const QString &fileName, const QDateTime &date, quint32 externalAttributes,
                    const QByteArray *data, const QString &sourcePath, int compressionLevel,
                    const QString &password, bool aes);

    QString m_path;
    void *m_zip = nullptr;
    SSZipAesStrength m_aesStrength = SSZipAesStrength::Aes256;
    SSZipAesVersion m_aesVersion = SSZipAesVersion::Automatic;
    int m_aesEntries = 0;   // whose method is set at close()
};
