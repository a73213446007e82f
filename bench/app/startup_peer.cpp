// The peer of the start-up benchmark: about the least a Qt program does to
// show the recordings of a History.xml in a table. It reads the file with a
// stream reader, leaves out records whose file is gone (one stat each, as
// the library must), and shows file name, format, artist, album, duration
// and created time in a QTableView sorted by the created time, newest first.
// The model sorts its rows itself on the time's integer key, as the program
// compares its rows' keys, with no proxy and no variants in between.
// With VELMORA_STARTUP_MARK set it prints the same marker as the program at
// the table's first paint with rows; it runs on until it is ended, so that
// its memory can be read once it is idle.
//   bench_startup_peer HISTORY.xml

#include "peakmemory.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTableView>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Row
{
    QString name;
    QString format;
    QString artist;
    QString album;
    QString duration;
    QString created;
    qint64 key = 0;  // yyyyMMddhhmm
};

qint64 createdKey(const QString &text)
{
    // "dd-MM-yyyy hh:mm"
    if (text.size() < 16)
        return 0;
    const QString digits = text.mid(6, 4) + text.mid(3, 2) + text.left(2) + text.mid(11, 2) + text.mid(14, 2);
    return digits.toLongLong();
}

class Model : public QAbstractTableModel
{
public:
    explicit Model(std::vector<Row> rows)
        : m_rows(std::move(rows))
    {
    }
    int rowCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    int columnCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : 8; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        const Row &row = m_rows[size_t(index.row())];
        if (role != Qt::DisplayRole)
            return QVariant();
        switch (index.column()) {
        case 1: return row.name;
        case 2: return row.format;
        case 3: return row.artist;
        case 4: return row.album;
        case 5: return row.duration;
        case 6: return row.created;
        default: return QVariant();
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        static const char *const names[8] = {"", "File Name", "Format", "Artist", "Album", "Duration", "Created Time", ""};
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return QString::fromLatin1(names[section]);
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    // By created time only, the column the table is shown sorted by.
    void sort(int column, Qt::SortOrder order) override
    {
        if (column != 6)
            return;
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        std::stable_sort(m_rows.begin(), m_rows.end(), [order](const Row &a, const Row &b) {
            return order == Qt::AscendingOrder ? a.key < b.key : b.key < a.key;
        });
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }

private:
    std::vector<Row> m_rows;
};

class View : public QTableView
{
protected:
    void paintEvent(QPaintEvent *event) override
    {
        QTableView::paintEvent(event);
        if (m_marked || !model() || model()->rowCount() == 0 || qEnvironmentVariableIsEmpty("VELMORA_STARTUP_MARK"))
            return;
        m_marked = true;
        std::fprintf(stdout, "velmora-startup: table painted, peak %ld KiB\n", peakMemoryKib());
        std::fflush(stdout);
    }

private:
    bool m_marked = false;
};

std::vector<Row> readHistory(const QString &path)
{
    std::vector<Row> rows;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return rows;
    QXmlStreamReader reader(&file);
    QString filePath;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringRef name = reader.name();
        if (name == QLatin1String("Path_item")) {
            filePath = reader.attributes().value(QLatin1String("Converted_path_")).toString();
        } else if (name == QLatin1String("CONVERTED_INFO_")) {
            if (!QFileInfo::exists(filePath))
                continue;
            const QXmlStreamAttributes a = reader.attributes();
            Row row;
            const QString fileName = filePath.mid(filePath.lastIndexOf(QLatin1Char('/')) + 1);
            row.name = fileName.left(fileName.lastIndexOf(QLatin1Char('.')));
            row.format = a.value(QLatin1String("Extend_")).toString().toUpper();
            row.artist = a.value(QLatin1String("Artist_")).toString();
            row.album = a.value(QLatin1String("Album_")).toString();
            row.duration = a.value(QLatin1String("Time_")).toString();
            row.created = a.value(QLatin1String("Create_time_")).toString();
            row.key = createdKey(row.created);
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

} // namespace

int main(int argc, char *argv[])
{
    // Raster windows, as the program's: a table needs no GL stack.
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: bench_startup_peer HISTORY.xml\n", stderr);
        return 2;
    }
    Model model(readHistory(QString::fromLocal8Bit(argv[1])));
    View view;
    view.setModel(&model);
    view.setSortingEnabled(true);
    view.sortByColumn(6, Qt::DescendingOrder);
    view.resize(841, 498);
    view.show();
    return app.exec();
}
