#include "library/qhistoryrepair.h"

#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "common/statefile.h"
#include "library/librarylog.h"
#include "library/librarytexts.h"
#include "library/qrecordingprobe.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

// Extensions of the files the recorder and the converter write.
bool isRecordingName(const QFileInfo &file)
{
    static const QSet<QString> extensions{
        QStringLiteral("mp3"), QStringLiteral("m4a"), QStringLiteral("m4r"), QStringLiteral("aac"),
        QStringLiteral("wav"), QStringLiteral("flac"), QStringLiteral("ogg"), QStringLiteral("oga"),
        QStringLiteral("opus"), QStringLiteral("wma"), QStringLiteral("aiff"), QStringLiteral("aif"),
        QStringLiteral("ac3"), QStringLiteral("mp2"), QStringLiteral("mka"), QStringLiteral("amr"),
        QStringLiteral("caf"), QStringLiteral("au")};
    return extensions.contains(file.suffix().toLower());
}

} // namespace

convertedInfo QHistoryRepair::recordOfFile(const QString &path)
{
    const QFileInfo file(path);
    const QRecordingProbe::Info probed = QRecordingProbe::probe(path);
    convertedInfo info;
    info.convertedPath = file.absoluteFilePath();
    info.title = file.completeBaseName();
    info.extend = file.suffix();
    info.format = QRecordingProbe::containerName(path);
    info.size = QIAnyUtil::size2String(quint64(file.size()));
    info.time = QRecordingProbe::durationText(probed.opened ? probed.microseconds : 0);
    info.createTime = LibraryTexts::createdText(file);
    return info;
}

QString QHistoryRepair::afterLoad(const std::function<QStringList()> &listedPaths,
                                  QList<convertedInfo> &records, const QString &outputFolder,
                                  const QSet<QString> &inRepair)
{
    const QList<StateFileNotices::Notice> notices = StateFileNotices::takeAll();
    if (notices.isEmpty())
        return QString();
    const QString history = QVideoSettingXml::historyFilePath();
    QStringList lines;
    for (const StateFileNotices::Notice &notice : notices) {
        const QString kept = notice.keptAs.isEmpty() ? tr("it could not be moved aside")
                                                     : tr("the damaged file was kept as %1").arg(notice.keptAs);
        if (notice.path != history) {
            lines << tr("The file %1 was damaged (%2); %3 entries could be read; %4.")
                         .arg(notice.path, notice.reason).arg(notice.entriesKept).arg(kept);
            continue;
        }
        // Recordings the lost records listed are still in the output folder.
        QSet<QString> listed = inRepair;
        for (const QString &path : listedPaths())
            listed.insert(QFileInfo(path).absoluteFilePath());
        for (const convertedInfo &info : records)
            listed.insert(QFileInfo(info.convertedPath).absoluteFilePath());
        QList<convertedInfo> found;
        const QDir folder(outputFolder);
        if (!outputFolder.isEmpty() && folder.exists()) {
            const QFileInfoList files = folder.entryInfoList(QDir::Files | QDir::NoSymLinks, QDir::Name);
            for (const QFileInfo &file : files) {
                if (!file.isFile() || !isRecordingName(file) || listed.contains(file.absoluteFilePath()))
                    continue;
                const QRecordingProbe::Info probed = QRecordingProbe::probe(file.absoluteFilePath());
                if (!probed.opened)
                    continue;
                found << recordOfFile(file.absoluteFilePath());
            }
        }
        if (!found.isEmpty() && !QVideoSettingXml::appendConvertedInfos(found))
            qCWarning(lcLibrary) << "the recordings found again could not be recorded in the history";
        records << found;
        qCInfo(lcLibrary) << "history damaged:" << notice.entriesKept << "records kept," << found.size()
                          << "recordings found again in" << outputFolder;
        const int recovered = notice.entriesKept + found.size();
        const QString count = recovered == 1 ? tr("1 recording was recovered")
                                             : tr("%1 recordings were recovered").arg(recovered);
        lines << tr("The recordings history was damaged (%1). %2 (%3 from the history, %4 found again in "
                    "the output folder); %5.")
                     .arg(notice.reason, count)
                     .arg(notice.entriesKept)
                     .arg(found.size())
                     .arg(kept);
    }
    return lines.join(QLatin1Char('\n'));
}
