// AES zip entries against the real 7-Zip program, both ways: what is written
// here opens there with the right password only, what it writes opens here
// with its exact bytes; wrong passwords, damaged codes and data and hostile
// headers are refused without leaving a file.
#include "commonutils/ssziparchive.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "testsupport.h"
#include "zipbuilder.h"

namespace {

using TestSupport::randomBytes;
using TestSupport::treeOf;
using TestSupport::readBytes;
using TestSupport::writeBytes;

// Read as UTF-8 both here and there; 7-Zip writes zip entries only with
// passwords in ASCII.
const QString kPassword = QStringLiteral("pässwort 42");
const QString kAsciiPassword = QStringLiteral("password 42");

struct Run
{
    int exitCode = -1;
    QString output;
};

Run sevenZip(const QStringList &arguments, const QString &workingDirectory = QString())
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(QStringLiteral("7z"), arguments);
    Run run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.output = QString::fromUtf8(process.readAll());
    return run;
}

// Several megabytes that deflate into many blocks of odd sizes: runs of
// noise between runs of text.
QByteArray largeContent()
{
    QByteArray bytes;
    for (quint32 i = 0; bytes.size() < (6 << 20); ++i) {
        bytes += randomBytes(int(3000 + i % 7000), i);
        bytes += QByteArray("a line of text that repeats and repeats ").repeated(int(50 + i % 200));
    }
    bytes.chop(bytes.size() - ((6 << 20) + 7));
    return bytes;
}

quint32 le32(const QByteArray &bytes, int at)
{
    quint32 value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | quint8(bytes.at(at + i));
    return value;
}

void putLe(QByteArray &bytes, int at, quint32 value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes[at + i] = char(value >> (8 * i));
}

// Offsets in an archive of one entry without a comment.
struct Layout
{
    int central = -1;      // the central record
    int dataStart = -1;    // the entry's stored bytes (salt first)
    int dataEnd = -1;      // after its authentication code
    int aesField = -1;     // the 0x9901 field in the central record
};

Layout layoutOf(const QByteArray &bytes)
{
    Layout layout;
    const int end = bytes.size() - 22;
    if (end < 0 || bytes.mid(end, 4) != "PK\x05\x06")
        return layout;
    layout.central = int(le32(bytes, end + 16));
    layout.dataStart = 30 + int(quint16(le32(bytes, 26))) + int(quint16(le32(bytes, 28)));
    layout.dataEnd = layout.central;
    const int field = bytes.indexOf(QByteArray("\x01\x99\x07\x00", 4), layout.central);
    layout.aesField = field > 0 && field < end ? field : -1;
    return layout;
}

struct Entry
{
    quint32 method = 0;
    quint32 crc = 0;
};

// What this reader reports of each entry as it unpacks the archive.
QMap<QString, Entry> unzipHere(const QString &archive, const QString &destination,
                               const QString &password, SSZipError *error, bool *ok)
{
    QMap<QString, Entry> entries;
    SSZipArchive::UnzipOptions options;
    options.password = password;
    *ok = SSZipArchive::unzipFileAtPath(
        archive, destination, options, error, nullptr,
        [&](const QString &name, const SSZipEntryInfo &info, qint64, qint64) {
            entries.insert(name, {info.compressionMethod, info.crc});
        });
    return entries;
}

} // namespace

class ZipAesTest : public QObject
{
    Q_OBJECT

    QByteArray m_large;

private slots:
    void initTestCase()
    {
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("7z")).isEmpty(),
                 "7z (p7zip-full) is needed");
        m_large = largeContent();
    }

    void archivesWrittenHereOpenIn7Zip_data()
    {
        QTest::addColumn<int>("strength");
        QTest::addColumn<int>("version");
        for (int strength : {1, 2, 3}) {
            for (int version : {1, 2})
                QTest::addRow("AES-%d AE-%d", 64 + 64 * strength, version) << strength << version;
        }
    }
    void archivesWrittenHereOpenIn7Zip()
    {
        QFETCH(int, strength);
        QFETCH(int, version);
        QTemporaryDir dir;
        const QByteArray small = "twelve bytes";
        QVERIFY(writeBytes(dir.filePath("large.bin"), m_large));
        const QString archive = dir.filePath("ours.zip");
        {
            SSZipArchive writer(archive);
            QVERIFY(writer.open());
            writer.setAesStrength(SSZipAesStrength(strength));
            writer.setAesVersion(version == 1 ? SSZipAesVersion::AE1 : SSZipAesVersion::AE2);
            QVERIFY(writer.writeFileAtPath(dir.filePath("large.bin"), "large.bin", -1, kPassword));
            QVERIFY(writer.writeData(small, "small.txt", -1, kPassword));
            QVERIFY(writer.writeData(QByteArray(), "empty.txt", -1, kPassword));
            QVERIFY(writer.close());
        }

        const QString bits = QString::number(64 + 64 * strength);
        const Run listed = sevenZip({"l", "-slt", "-p" + kPassword, archive});
        QCOMPARE(listed.exitCode, 0);
        QCOMPARE(listed.output.count("Method = AES-" + bits + " Deflate"), 3);
        QCOMPARE(listed.output.count("Encrypted = +"), 3);
        const Run tested = sevenZip({"t", "-p" + kPassword, archive});
        QVERIFY2(tested.exitCode == 0, qPrintable(tested.output));
        const Run wrong = sevenZip({"t", "-pnot the password", archive});
        QVERIFY2(wrong.exitCode != 0, qPrintable(wrong.output));
        QVERIFY2(wrong.output.contains("Wrong password"), qPrintable(wrong.output));

        const QString there = dir.filePath("there");
        QCOMPARE(sevenZip({"x", "-p" + kPassword, "-o" + there, archive}).exitCode, 0);
        QCOMPARE(readBytes(there + "/large.bin"), m_large);
        QCOMPARE(readBytes(there + "/small.txt"), small);
        QCOMPARE(treeOf(there), (QStringList{"empty.txt", "large.bin", "small.txt"}));

        // And back here: method 99 in the headers, a CRC only with AE-1.
        bool ok = false;
        SSZipError error;
        const auto entries = unzipHere(archive, dir.filePath("here"), kPassword, &error, &ok);
        QVERIFY2(ok, qPrintable(error.text));
        QCOMPARE(readBytes(dir.filePath("here/large.bin")), m_large);
        QCOMPARE(readBytes(dir.filePath("here/small.txt")), small);
        QCOMPARE(entries.value("large.bin").method, 99u);
        QCOMPARE(entries.value("large.bin").crc != 0, version == 1);
        QCOMPARE(entries.value("small.txt").crc != 0, version == 1);
        QVERIFY(SSZipArchive::isPasswordValidForArchiveAtPath(archive, kPassword));
        QVERIFY(!SSZipArchive::isPasswordValidForArchiveAtPath(archive, "not the password"));
    }

    void archivesWrittenBy7ZipOpenHere_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("level");
        for (const char *method : {"AES128", "AES192", "AES256"}) {
            for (const char *level : {"-mx=0", "-mx=9"})
                QTest::addRow("%s %s", method, level) << QString(method) << QString(level);
        }
    }
    void archivesWrittenBy7ZipOpenHere()
    {
        QFETCH(QString, method);
        QFETCH(QString, level);
        QTemporaryDir dir;
        const QByteArray small = "tiny";
        const QByteArray medium = randomBytes(70001, 5);
        QVERIFY(writeBytes(dir.filePath("in/large.bin"), m_large));
        QVERIFY(writeBytes(dir.filePath("in/small.txt"), small));
        QVERIFY(writeBytes(dir.filePath("in/sub/medium.bin"), medium));
        const QString archive = dir.filePath("theirs.zip");
        const Run made = sevenZip({"a", "-tzip", "-mem=" + method, level, "-p" + kAsciiPassword,
                                   archive, "large.bin", "small.txt", "sub"},
                                  dir.filePath("in"));
        QVERIFY2(made.exitCode == 0, qPrintable(made.output));

        QVERIFY(SSZipArchive::isFilePasswordProtectedAtPath(archive));
        QVERIFY(SSZipArchive::isPasswordValidForArchiveAtPath(archive, kAsciiPassword));
        QVERIFY(!SSZipArchive::isPasswordValidForArchiveAtPath(archive, "not the password"));
        bool ok = false;
        SSZipError error;
        const auto entries = unzipHere(archive, dir.filePath("out"), kAsciiPassword, &error, &ok);
        QVERIFY2(ok, qPrintable(error.text));
        QCOMPARE(entries.value("large.bin").method, 99u);
        QCOMPARE(readBytes(dir.filePath("out/large.bin")), m_large);
        QCOMPARE(readBytes(dir.filePath("out/small.txt")), small);
        QCOMPARE(readBytes(dir.filePath("out/sub/medium.bin")), medium);

        // A wrong or missing password: refused before anything is written.
        for (const QString &password : {QStringLiteral("not the password"), QString()}) {
            const QString refused = dir.filePath("refused");
            QVERIFY(!SSZipArchive::unzipFileAtPath(archive, refused, [&] {
                SSZipArchive::UnzipOptions options;
                options.password = password;
                return options;
            }(), &error));
            QCOMPARE(error.code, int(SSZipArchiveErrorCodeFailedOpenFileInZip));
            QCOMPARE(error.text,
                     QStringLiteral("failed to open file in zip file (wrong or missing password)"));
            QCOMPARE(treeOf(refused), QStringList());
        }
    }

    // A byte of the stored code, of the encrypted bytes or of the salt:
    // the entry is refused as not authentic and no file is left, not even
    // a part.
    void damageIsRefusedAndNothingWritten_data()
    {
        QTest::addColumn<bool>("ours");
        QTest::addColumn<QString>("where");
        for (bool ours : {true, false}) {
            for (const char *where : {"code", "data", "last data byte", "salt"})
                QTest::addRow("%s, %s", ours ? "ours" : "7-Zip's", where) << ours << QString(where);
        }
    }
    void damageIsRefusedAndNothingWritten()
    {
        QFETCH(bool, ours);
        QFETCH(QString, where);
        QTemporaryDir dir;
        const QString archive = dir.filePath("one.zip");
        QVERIFY(writeBytes(dir.filePath("large.bin"), m_large));
        if (ours) {
            SSZipArchive writer(archive);
            QVERIFY(writer.open());
            QVERIFY(writer.writeFile(dir.filePath("large.bin"), kPassword));
            QVERIFY(writer.close());
        } else {
            QCOMPARE(sevenZip({"a", "-tzip", "-mem=AES256", "-p" + kAsciiPassword, archive,
                               "large.bin"},
                              dir.path())
                         .exitCode,
                     0);
        }
        QByteArray bytes = readBytes(archive);
        const QString password = ours ? kPassword : kAsciiPassword;
        const Layout layout = layoutOf(bytes);
        QVERIFY(layout.dataStart > 0 && layout.dataEnd > layout.dataStart + 100000);
        const int at = where == "code" ? layout.dataEnd - 4
            : where == "data"          ? (layout.dataStart + layout.dataEnd) / 2
            : where == "salt"          ? layout.dataStart + 3
                                       : layout.dataEnd - 11;
        bytes[at] = char(bytes[at] ^ 0x20);
        QVERIFY(writeBytes(archive, bytes));

        SSZipError error;
        const QString out = dir.filePath("out");
        SSZipArchive::UnzipOptions options;
        options.password = password;
        QVERIFY(!SSZipArchive::unzipFileAtPath(archive, out, options, &error));
        // A damaged salt gives other keys: mostly the verifier refuses them.
        if (where == "salt" && error.code == SSZipArchiveErrorCodeFailedOpenFileInZip) {
            QVERIFY2(error.text.contains("wrong or missing password"), qPrintable(error.text));
        } else {
            QCOMPARE(error.code, int(SSZipArchiveErrorCodeFileInfoNotLoadable));
            QCOMPARE(error.text, QStringLiteral("authentication failed for file (wrong password "
                                                "or damaged data)"));
        }
        QCOMPARE(treeOf(out), QStringList());
        QVERIFY(!SSZipArchive::isPasswordValidForArchiveAtPath(archive, password));
    }

    // AE-1 stores the CRC, and a changed one is refused though the code
    // matches (the code covers the encrypted bytes only); AE-2 stores none,
    // and a stray value in its field is not read: the code alone decides.
    void theCrcCountsOnlyWhereStored_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<bool>("opens");
        QTest::newRow("AE-1 as written") << 1 << false << true;
        QTest::newRow("AE-1 CRC changed") << 1 << true << false;
        QTest::newRow("AE-2 as written") << 2 << false << true;
        QTest::newRow("AE-2 stray CRC") << 2 << true << true;
    }
    void theCrcCountsOnlyWhereStored()
    {
        QFETCH(int, version);
        QFETCH(bool, changed);
        QFETCH(bool, opens);
        QTemporaryDir dir;
        const QString archive = dir.filePath("crc.zip");
        {
            SSZipArchive writer(archive);
            QVERIFY(writer.open());
            writer.setAesVersion(version == 1 ? SSZipAesVersion::AE1 : SSZipAesVersion::AE2);
            QVERIFY(writer.writeData(m_large, "large.bin", -1, kPassword));
            QVERIFY(writer.close());
        }
        QByteArray bytes = readBytes(archive);
        const Layout layout = layoutOf(bytes);
        QVERIFY(layout.central > 0);
        QCOMPARE(le32(bytes, layout.central + 16) != 0, version == 1);
        if (changed) {
            // In the local header and in the central record alike.
            putLe(bytes, 14, le32(bytes, 14) ^ 0x00800001u, 4);
            putLe(bytes, layout.central + 16, le32(bytes, layout.central + 16) ^ 0x00800001u, 4);
        }
        QVERIFY(writeBytes(archive, bytes));

        QCOMPARE(SSZipArchive::isPasswordValidForArchiveAtPath(archive, kPassword), opens);
        SSZipError error;
        SSZipArchive::UnzipOptions options;
        options.password = kPassword;
        const QString out = dir.filePath("out");
        QCOMPARE(SSZipArchive::unzipFileAtPath(archive, out, options, &error), opens);
        if (opens) {
            QCOMPARE(readBytes(out + "/large.bin"), m_large);
        } else {
            QCOMPARE(error.text, QStringLiteral("crc check failed for file"));
            QCOMPARE(treeOf(out), QStringList());
        }
    }

    // The calls that name no method encrypt with AES-256.
    void shortFormsUseAes()
    {
        QTemporaryDir dir;
        QVERIFY(writeBytes(dir.filePath("folder/one.txt"), "one, written from a file\n"));
        QVERIFY(writeBytes(dir.filePath("folder/sub/two.txt"), "two"));
        QVERIFY(QDir().mkpath(dir.filePath("folder/empty")));
        const QString files = dir.filePath("files.zip");
        const QString folder = dir.filePath("folder.zip");
        const QString instance = dir.filePath("instance.zip");
        const QString classic = dir.filePath("classic.zip");
        QVERIFY(SSZipArchive::createZipFileAtPathWithFiles(
            files, {dir.filePath("folder/one.txt"), dir.filePath("folder/sub/two.txt")}, kPassword));
        QVERIFY(SSZipArchive::createZipFileAtPathWithContentsOfDirectory(
            folder, dir.filePath("folder"), true, -1, kPassword));
        {
            SSZipArchive writer(instance);
            QVERIFY(writer.open());
            QVERIFY(writer.writeFile(dir.filePath("folder/one.txt"), kPassword));
            QVERIFY(writer.writeData("from memory", "data.txt", -1, kPassword));
            QVERIFY(writer.writeFolderAtPath(dir.filePath("folder/empty"), "empty", kPassword));
            QVERIFY(writer.close());
        }
        {
            SSZipArchive writer(classic);
            QVERIFY(writer.open());
            QVERIFY(writer.writeData("from memory", "data.txt", -1, kPassword, false));
            QVERIFY(writer.close());
        }
        const QList<QPair<QString, int>> expected = {{files, 2}, {folder, 3}, {instance, 3}};
        for (const auto &archive : expected) {
            const Run listed = sevenZip({"l", "-slt", "-p" + kPassword, archive.first});
            QCOMPARE(listed.exitCode, 0);
            QVERIFY2(listed.output.count("Method = AES-256") == archive.second,
                     qPrintable(listed.output));
            QCOMPARE(sevenZip({"t", "-p" + kPassword, archive.first}).exitCode, 0);
        }
        const Run listed = sevenZip({"l", "-slt", "-p" + kPassword, classic});
        QVERIFY2(listed.output.contains("Method = ZipCrypto Deflate"), qPrintable(listed.output));

        bool ok = false;
        SSZipError error;
        unzipHere(folder, dir.filePath("out"), kPassword, &error, &ok);
        QVERIFY2(ok, qPrintable(error.text));
        QCOMPARE(treeOf(dir.filePath("out")),
                 (QStringList{"folder", "folder/empty", "folder/one.txt", "folder/sub",
                              "folder/sub/two.txt"}));
        QCOMPARE(readBytes(dir.filePath("out/folder/sub/two.txt")), QByteArray("two"));
    }

    // Headers that lie about the entry: every one is refused with an error,
    // nothing is written, nothing is read out of bounds (the sanitizer
    // build runs this too).
    void hostileHeadersAreRefusedSafely_data()
    {
        QTest::addColumn<QString>("change");
        for (const char *change :
             {"field size beyond the extra", "field size short", "strength 7", "vendor version 9",
              "vendor id", "real method 12", "compressed size huge", "compressed size below overhead",
              "local extra length huge", "central extra length huge", "local header offset huge",
              "not flagged encrypted", "truncated in the data", "truncated in the code"})
            QTest::newRow(change) << QString(change);
    }
    void hostileHeadersAreRefusedSafely()
    {
        QFETCH(QString, change);
        QTemporaryDir dir;
        const QString archive = dir.filePath("hostile.zip");
        const QByteArray content = randomBytes(40000, 9);
        {
            SSZipArchive writer(archive);
            QVERIFY(writer.open());
            QVERIFY(writer.writeData(content, "entry.bin", -1, kPassword));
            QVERIFY(writer.close());
        }
        QByteArray bytes = readBytes(archive);
        const Layout layout = layoutOf(bytes);
        QVERIFY(layout.aesField > 0);
        const int field = layout.aesField;
        const int central = layout.central;
        if (change == "field size beyond the extra")
            putLe(bytes, field + 2, 0xFFFF, 2);
        else if (change == "field size short")
            putLe(bytes, field + 2, 3, 2);
        else if (change == "strength 7")
            bytes[field + 8] = 7;
        else if (change == "vendor version 9")
            putLe(bytes, field + 4, 9, 2);
        else if (change == "vendor id")
            bytes[field + 6] = 'X';
        else if (change == "real method 12")
            putLe(bytes, field + 9, 12, 2);
        else if (change == "compressed size huge")
            putLe(bytes, central + 20, 0x7FFFFFF0, 4);
        else if (change == "compressed size below overhead")
            putLe(bytes, central + 20, 20, 4);
        else if (change == "local extra length huge")
            putLe(bytes, 28, 0xFFFF, 2);
        else if (change == "central extra length huge")
            putLe(bytes, central + 30, 0xFFFF, 2);
        else if (change == "local header offset huge")
            putLe(bytes, central + 42, 0x7FFFFFF0, 4);
        else if (change == "not flagged encrypted")
            bytes[central + 8] = char(bytes[central + 8] & ~1);
        else if (change == "truncated in the data")
            bytes.remove(layout.dataStart + 20000, bytes.size() - (layout.dataStart + 20000));
        else if (change == "truncated in the code")
            bytes.remove(layout.dataEnd - 5, bytes.size() - (layout.dataEnd - 5));
        QVERIFY(writeBytes(archive, bytes));

        SSZipError error;
        const QString out = dir.filePath("out");
        SSZipArchive::UnzipOptions options;
        options.password = kPassword;
        QVERIFY(!SSZipArchive::unzipFileAtPath(archive, out, options, &error));
        QVERIFY(error.isSet());
        QVERIFY2(error.code < 0 && !error.text.isEmpty(), qPrintable(error.text));
        QCOMPARE(treeOf(out), QStringList());
        // Without the flag no entry counts as encrypted, so any password passes.
        if (change != "not flagged encrypted")
            QVERIFY(!SSZipArchive::isPasswordValidForArchiveAtPath(archive, kPassword));
    }
};

QTEST_GUILESS_MAIN(ZipAesTest)
#include "tst_zipaes.moc"
