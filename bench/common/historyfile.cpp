#include "historyfile.h"

#include "common/qianyutil.h"

#include <QIODevice>

namespace BenchHistory {

convertedInfo record(int i, bool isNew, const QString &folder)
{
    convertedInfo info;
    const QString n = QString::number(i);
    info.convertedPath = folder + QStringLiteral("REC_20261207%1.mp3").arg(i, 9, 10, QLatin1Char('0'));
    info.imgPath = QStringLiteral("/home/user/.cache/covers/cover_%1.png").arg(n);
    info.preferencePath = folder;
    info.resolution = QStringLiteral("0*0");
    info.time = QStringLiteral("00:%1:%2").arg(i % 60, 2, 10, QLatin1Char('0')).arg(i % 59, 2, 10, QLatin1Char('0'));
    info.size = QIAnyUtil::size2String(1000000ULL + i * 977ULL);
    info.createTime = QStringLiteral("07-12-2026 09:%1").arg(i % 60, 2, 10, QLatin1Char('0'));
    info.format = QStringLiteral("mp3");
    info.extend = QStringLiteral("mp3");
    info.title = QStringLiteral("Track title number %1 with some words").arg(n);
    info.artist = QStringLiteral("Artist %1").arg(i % 300);
    info.album = QStringLiteral("Album %1").arg(i % 1000);
    info.genre = QStringLiteral("Electronic");
    info.listNames = QStringList {QStringLiteral("Favourites"), QStringLiteral("Road trip"),
                                  QStringLiteral("List %1").arg(i % 20)};
    info.newFile = isNew;
    return info;
}

QByteArray entryBytes(const convertedInfo &r)
{
    auto attr = [](const char *name, const QString &value) {
        return QByteArray(" ") + name + "=\"" + value.toHtmlEscaped().toUtf8() + "\"";
    };
    QByteArray bytes = "    <Path_item" + attr("Converted_path_", r.convertedPath) + ">\n";
    bytes += "        <CONVERTED_INFO_" + attr("Img_path_", r.imgPath) + attr("Title_", r.title)
             + attr("Resolutin_", r.resolution) + attr("Time_", r.time) + attr("Size_", r.size)
             + attr("Create_time_", r.createTime) + attr("Format_", r.format) + attr("Extend_", r.extend)
             + attr("Artist_", r.artist) + attr("Album_", r.album) + attr("Genre_", r.genre)
             + attr("preferencePath_", r.preferencePath) + attr("Video_file", QStringLiteral("N"))
             + attr("New_file", r.newFile ? QStringLiteral("Y") : QStringLiteral("N")) + "/>\n";
    for (const QString &name : r.listNames)
        bytes += "        <List_name" + attr("ListName", name) + "/>\n";
    bytes += "    </Path_item>\n";
    return bytes;
}

QByteArray historyBytes(int count, bool isNew, const QString &folder)
{
    QByteArray bytes = "<ROOTITEM>\n";
    for (int i = 0; i < count; ++i)
        bytes += entryBytes(record(i, isNew, folder));
    bytes += "</ROOTITEM>\n";
    return bytes;
}

bool writeHistory(QIODevice &out, int count, const std::function<std::optional<convertedInfo>(int)> &recordAt)
{
    QByteArray chunk = "<ROOTITEM>\n";
    for (int i = 0; i < count; ++i) {
        const std::optional<convertedInfo> record = recordAt(i);
        if (!record)
            return false;
        chunk += entryBytes(*record);
        if (chunk.size() > (1 << 20)) {
            if (out.write(chunk) != chunk.size())
                return false;
            chunk.clear();
        }
    }
    chunk += "</ROOTITEM>\n";
    return out.write(chunk) == chunk.size();
}

bool writeHistory(QIODevice &out, int count, bool isNew, const QString &folder)
{
    return writeHistory(out, count,
                        [isNew, &folder](int i) { return std::optional(record(i, isNew, folder)); });
}

} // namespace BenchHistory
