// The library's start over a history of 10,000 records of which half name
// recordings that are gone (a moved or deleted folder). Compared with the
// same start over the 5,000 present records alone (same rows shown, nothing
// to remove) and with a plain DOM parse and save of the 10,000-record file.
// Prints milliseconds, bytes written and the ratios. Runs in a private data
// folder; QT_QPA_PLATFORM=offscreen is used when unset.

#include "testsupport.h"

#include "common/qvideosettingxml.h"
#include "library/qfilelistwgt.h"
#include "library/qlibraryplaylistwgt.h"

#include <QApplication>
#include <QDir>
#include <QDomDocument>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// History.xml with count records; with every other one missing when asked.
QByteArray history(const QString &folder, int count, bool halfMissing)
{
    QByteArray xml = "<ROOTITEM>\n";
    for (int i = 0; i < count; ++i) {
        const bool missing = halfMissing && i % 2 == 0;
        const QString path = QStringLiteral("%1/%2_%3.mp3").arg(folder, missing ? "GONE" : "REC").arg(i, 6, 10, QLatin1Char('0'));
        if (!missing && !QFile::exists(path)) {
            QFile file(path);
            file.open(QIODevice::WriteOnly);
        }
        xml += QStringLiteral("    <Path_item Converted_path_=\"%1\">\n"
                              "        <CONVERTED_INFO_ Img_path_=\"\" Resolutin_=\"0*0\" Title_=\"\" Time_=\"00:01:10\""
                              " Size_=\"10.00 KB\" Create_time_=\"01-02-2024 10:%2\" Format_=\"MP3\" Extend_=\"mp3\""
                              " Artist_=\"\" Album_=\"\" Genre_=\"\" Video_file=\"N\" New_file=\"N\"/>\n"
                              "    </Path_item>\n")
                   .arg(path)
                   .arg(i % 60, 2, 10, QLatin1Char('0'))
                   .toUtf8();
    }
    return xml + "</ROOTITEM>\n";
}

struct Start
{
    qint64 ms = 0;
    qint64 written = 0;
    int rows = 0;
};

Start start()
{
    Start s;
    const qint64 before = TestSupport::bytesWritten();
    QElapsedTimer timer;
    timer.start();
    {
        QLibraryPlayListWgt panel;
        QFileListWgt table;
        s.ms = timer.elapsed();
        s.rows = QVideoSettingXml::analysisConvertedInfo().size();
    }
    // The history's save goes on behind the start; its bytes count.
    QVideoSettingXml::waitForHistory();
    s.written = TestSupport::bytesWritten() - before;
    return s;
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    TestSupport::usePrivateHome(home.path());
    QApplication app(argc, argv);
    const QString folder = home.path() + QStringLiteral("/recordings");
    QDir().mkpath(folder);
    const QString historyPath = QVideoSettingXml::historyFilePath();
    {
        // Fonts, styles and pictures load once per process; not the start's cost.
        QLibraryPlayListWgt warmPanel;
        QFileListWgt warmTable;
    }
    const int count = 10000;
    const QByteArray halfGone = history(folder, count, true);
    const QByteArray present = history(folder, count / 2, false);

    // The peer: a plain DOM parse and save of the same 10,000-record file.
    QElapsedTimer timer;
    timer.start();
    {
        QDomDocument doc;
        doc.setContent(halfGone);
        QSaveFile out(home.path() + QStringLiteral("/dom.xml"));
        out.open(QIODevice::WriteOnly);
        out.write(doc.toByteArray(4));
        out.commit();
    }
    const qint64 domMs = timer.elapsed();

    TestSupport::writeBytes(historyPath, present);
    const Start peer = start();
    TestSupport::writeBytes(historyPath, halfGone);
    const Start missing = start();

    std::printf("%d records, %d missing: start %lld ms, %lld bytes written, %d rows\n", count, count / 2,
                missing.ms, missing.written, missing.rows);
    std::printf("%d records, none missing:  start %lld ms, %lld bytes written, %d rows\n", count / 2, peer.ms,
                peer.written, peer.rows);
    std::printf("DOM parse and save of the %d-record file (%d bytes): %lld ms\n", count, int(halfGone.size()), domMs);
    std::printf("ratio to the start with none missing: %.2f; to the DOM parse and save: %.2f; bytes written per "
                "byte of the history: %.2f\n",
                double(missing.ms) / qMax<qint64>(1, peer.ms), double(missing.ms) / qMax<qint64>(1, domMs),
                double(missing.written) / halfGone.size());
    return 0;
}
