#include "library/qrecordingrecovery.h"

#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "library/librarylog.h"
#include "library/qrecordingprobe.h"
#include "rzcodec/recorder.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

QStringList QRecordingRecovery::recoverAll()
{
    const Recorded recorded = record(repair(QRecordingMarker::pending()));
    QString reason;
    const bool written = QVideoSettingXml::waitForHistory(&reason);
    settle(recorded, written, reason);
    QStringList recovered;
    for (const convertedInfo &info : recorded.listed)
        recovered << info.convertedPath;
    return recovered;
}

QList<QRecordingRecovery::Repaired> QRecordingRecovery::repair(const QList<QRecordingMarker::Entry> &marked)
{
    QList<Repaired> repaired;
    for (const QRecordingMarker::Entry &e : marked) {
        const QString path = e.info.convertedPath;
        const QFileInfo file(path);
        if (!file.exists() || file.size() == 0) {
            qCWarning(lcLibrary) << "interrupted recording" << path << "left no audio";
            QFile::remove(e.markerPath);
            continue;
        }
        if (!rz_recorder_repair(path.toUtf8().constData(), e.muxer.toUtf8().constData())) {
            qCWarning(lcLibrary) << "interrupted recording" << path << "cannot be repaired; it is left as it is";
            continue;
        }
        Repaired done;
        done.markerPath = e.markerPath;
        done.info = e.info;
        const QRecordingProbe::Info probed = QRecordingProbe::probe(path);
        done.info.time = QRecordingProbe::durationText(probed.microseconds);
        done.info.size = QIAnyUtil::size2String(quint64(QFileInfo(path).size()));
        done.info.newFile = true;
        repaired << done;
    }
    return repaired;
}

QRecordingRecovery::Recorded QRecordingRecovery::record(const QList<Repaired> &repaired)
{
    Recorded recorded;
    QList<convertedInfo> toAdd;
    for (const Repaired &r : repaired) {
        // A crash after the record was stored but before the mark went away
        // must not list the file twice.
        if (const auto existing = QVideoSettingXml::GetConvertedInfo(r.info.convertedPath)) {
            recorded.listed << *existing;
            recorded.marks << r.markerPath;
        } else {
            toAdd << r.info;
        }
    }
    if (!toAdd.isEmpty()) {
        if (QVideoSettingXml::appendConvertedInfos(toAdd)) {
            recorded.listed << toAdd;
            for (const Repaired &r : repaired)
                if (!recorded.marks.contains(r.markerPath))
                    recorded.marks << r.markerPath;
        } else {
            for (const convertedInfo &info : toAdd)
                qCWarning(lcLibrary) << "interrupted recording" << info.convertedPath
                                     << "repaired but not recorded in the history";
        }
    }
    for (const convertedInfo &info : recorded.listed)
        qCInfo(lcLibrary) << "interrupted recording" << info.convertedPath << "repaired";
    return recorded;
}

void QRecordingRecovery::settle(const Recorded &recorded, bool written, const QString &reason)
{
    if (!written) {
        for (const convertedInfo &info : recorded.listed)
            qCWarning(lcLibrary).noquote()
                << "interrupted recording" << info.convertedPath
                << "is not in the history file yet (" + reason + "); it is recovered again at the next start";
        return;
    }
    for (const QString &mark : recorded.marks)
        QFile::remove(mark);
}
