// The peer of the history benchmark: about the least a plain Qt program does
// to keep the same History.xml. It reads every record (the entry's path, each
// attribute of its information, its playlists) into memory with a
// QXmlStreamReader, and saves by reading the file, adding a record and
// writing the whole file again with a QXmlStreamWriter through a QSaveFile,
// as safely as the store does.
//   bench_history_peer load HISTORY.xml
//   bench_history_peer save HISTORY.xml N   adds record N of the benchmark's library
// Exits with 0 when it read (and wrote) the file, 1 when not.

#include "historyfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cstdio>
#include <vector>

namespace {

// The information attributes, in the order they are written.
const char *const kInfoNames[] = {"Img_path_",    "Title_",          "Resolutin_", "Time_",   "Size_",
                                  "Create_time_", "Format_",         "Extend_",    "Artist_", "Album_",
                                  "Genre_",       "preferencePath_", "Video_file", "New_file"};
constexpr int kInfoCount = int(sizeof kInfoNames / sizeof kInfoNames[0]);

struct Record
{
    QString path;
    QString info[kInfoCount];
    QStringList lists;
};

bool readHistory(const QString &path, std::vector<Record> *records)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QXmlStreamReader reader(&file);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringRef name = reader.name();
        if (name == QLatin1String("Path_item")) {
            records->emplace_back();
            records->back().path = reader.attributes().value(QLatin1String("Converted_path_")).toString();
        } else if (records->empty()) {
            continue;
        } else if (name == QLatin1String("CONVERTED_INFO_")) {
            for (const QXmlStreamAttribute &attribute : reader.attributes()) {
                for (int i = 0; i < kInfoCount; ++i) {
                    if (attribute.name() == QLatin1String(kInfoNames[i])) {
                        records->back().info[i] = attribute.value().toString();
                        break;
                    }
                }
            }
        } else if (name == QLatin1String("List_name")) {
            records->back().lists << reader.attributes().value(QLatin1String("ListName")).toString();
        }
    }
    if (reader.hasError()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(reader.errorString()));
        return false;
    }
    return true;
}

bool writeHistory(const QString &path, const std::vector<Record> &records)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QXmlStreamWriter writer(&file);
    writer.setAutoFormatting(true);
    writer.setAutoFormattingIndent(4);
    writer.writeStartElement(QStringLiteral("ROOTITEM"));
    for (const Record &record : records) {
        writer.writeStartElement(QStringLiteral("Path_item"));
        writer.writeAttribute(QStringLiteral("Converted_path_"), record.path);
        writer.writeEmptyElement(QStringLiteral("CONVERTED_INFO_"));
        for (int i = 0; i < kInfoCount; ++i)
            writer.writeAttribute(QLatin1String(kInfoNames[i]), record.info[i]);
        for (const QString &list : record.lists) {
            writer.writeEmptyElement(QStringLiteral("List_name"));
            writer.writeAttribute(QStringLiteral("ListName"), list);
        }
        writer.writeEndElement();
    }
    writer.writeEndElement();
    return !writer.hasError() && file.commit();
}

Record recordOf(const convertedInfo &r)
{
    const QString yes = QStringLiteral("Y"), no = QStringLiteral("N");
    return {r.convertedPath,
            {r.imgPath, r.title, r.resolution, r.time, r.size, r.createTime, r.format, r.extend, r.artist,
             r.album, r.genre, r.preferencePath, r.videoFile ? yes : no, r.newFile ? yes : no},
            r.listNames};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool load = args.size() == 3 && args[1] == QLatin1String("load");
    const bool save = args.size() == 4 && args[1] == QLatin1String("save");
    if (!load && !save) {
        std::fputs("usage: bench_history_peer load HISTORY.xml | save HISTORY.xml N\n", stderr);
        return 2;
    }
    std::vector<Record> records;
    if (!readHistory(args[2], &records) || records.empty())
        return 1;
    if (load)
        return 0;
    records.push_back(recordOf(BenchHistory::record(args[3].toInt(), true)));
    return writeHistory(args[2], records) ? 0 : 1;
}
