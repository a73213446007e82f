// The recordings table over a large history: History.xml with N records
// (and N small files) is loaded (read on a worker until its rows joined),
// shown and sorted by created time both ways (on a worker). Prints
// milliseconds per step for 10,000 and 100,000 recordings, then what some
// of the rows' own work costs the GUI thread there: the keys a sort takes
// to its worker, and 1,000 master rows found by their paths. Runs in a
// private data folder; QT_QPA_PLATFORM=offscreen is used when unset.

#include "testsupport.h"

#include "common/qvideosettingxml.h"
#include "library/libraryconnections.h"
#include "library/qaudiofilemodel.h"
#include "library/qaudiofilesortmodel.h"
#include "library/qaudiofiletableview.h"
#include "library/qfilelistwgt.h"
#include "library/qlibraryloader.h"
#include "library/qlibraryplaylistwgt.h"
#include "library/qlibraryrows.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {
// History.xml as the store writes it, made in one go.
bool writeHistory(const QString &folder, int count)
{
    QFile history(QVideoSettingXml::historyFilePath());
    if (!history.open(QIODevice::WriteOnly))
        return false;
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ROOTITEM>\n";
    for (int i = 0; i < count; ++i) {
        const QString path = QStringLiteral("%1/REC_%2.mp3").arg(folder).arg(i, 6, 10, QLatin1Char('0'));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        const int day = 1 + (i * 7919) % 28, month = 1 + (i * 104729) % 12, year = 2000 + i % 26;
        xml += QStringLiteral("    <Path_item Converted_path_=\"%1\">\n"
                              "        <CONVERTED_INFO_ Img_path_=\"\" Resolutin_=\"0*0\" Title_=\"\" Time_=\"00:0%2:1%3\""
                              " Size_=\"%4.00 KB\" Create_time_=\"%5-%6-%7 %8:%9\" Format_=\"MP3\" Extend_=\"mp3\""
                              " Artist_=\"\" Album_=\"\" Genre_=\"\" Video_file=\"N\" New_file=\"N\"/>\n"
                              "    </Path_item>\n")
                   .arg(path)
                   .arg(i % 10)
                   .arg(i % 10)
                   .arg(i % 900)
                   .arg(day, 2, 10, QLatin1Char('0'))
                   .arg(month, 2, 10, QLatin1Char('0'))
                   .arg(year)
                   .arg(i % 24, 2, 10, QLatin1Char('0'))
                   .arg(i % 60, 2, 10, QLatin1Char('0'))
                   .toUtf8();
    }
    xml += "</ROOTITEM>\n";
    return history.write(xml) == xml.size();
}

void run(const QString &root, int count)
{
    const QString folder = QStringLiteral("%1/files-%2").arg(root).arg(count);
    QDir().mkpath(folder);
    if (!writeHistory(folder, count)) {
        std::printf("%d recordings: cannot write the history\n", count);
        return;
    }
    QElapsedTimer timer;
    timer.start();
    // The settings store's own share: reading the history file.
    const int records = QVideoSettingXml::analysisConvertedInfo().size();
    const qint64 parse = timer.restart();
    QLibraryPlayListWgt panel;
    QFileListWgt table;
    // The history is read on a worker: the load lasts until its rows joined.
    while (!table.loader()->historyLoaded())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const qint64 load = timer.restart();
    LibraryConnections::connectPanelAndTable(&panel, &table);
    panel.SetTBViewCurrentIndex(1);
    const qint64 entry = timer.restart();
    table.resize(900, 600);
    table.show();
    QApplication::processEvents();
    const QPixmap shot = table.grab();
    const qint64 show = timer.restart();
    // A click on the header asks for the order; the rows take it once sorted
    // on a worker.
    for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
        table.sortModel()->sort(QAudioFileModel::ColumnCreated, order);
        while (table.rows().order() != QRowOrder(QAudioFileModel::ColumnCreated, order))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    const qint64 sort = timer.restart();
    std::printf("%6d recordings: load %5lld ms (of which reading History.xml %lld ms), show the entry "
                "%4lld ms, first paint %3lld ms, sort twice %5lld ms; %d of %d rows shown\n",
                count, load, parse, entry, show, sort, table.sortModel()->rowCount(), records);

    // The rows' own share of a few steps, on the GUI thread.
    const QLibraryRows &rows = table.rows();
    const QRowOrder byName(QAudioFileModel::ColumnName, Qt::AscendingOrder);
    QElapsedTimer part;
    part.start();
    const size_t keys = byName.keysOf(rows.all()).size();
    const double keysMs = part.nsecsElapsed() / 1e6;
    std::vector<std::string> paths;
    const std::vector<IBaseChunk *> &all = rows.all();
    for (size_t i = 0; i < all.size() && paths.size() < 1000; i += all.size() / 1000 + 1)
        paths.push_back(static_cast<QAudioFileChunk *>(all[i])->GetFilePath());
    part.restart();
    size_t found = 0;
    for (const std::string &path : paths)
        found += rows.masterOf(path) ? 1 : 0;
    const double mastersMs = part.nsecsElapsed() / 1e6;
    std::printf("%6d recordings, the rows' share: the keys a sort takes %.1f ms (%zu rows), %zu master "
                "rows found by their paths %.2f ms\n",
                count, keysMs, keys, found, mastersMs);
}
} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    TestSupport::usePrivateHome(home.path());
    QApplication app(argc, argv);
    {
        // Fonts, styles and pictures load once per process; not the library's cost.
        QLibraryPlayListWgt warmPanel;
        QFileListWgt warmTable;
        warmTable.show();
        warmTable.grab();
    }
    for (int count : {10000, 100000})
        run(home.path(), count);
    return 0;
}
