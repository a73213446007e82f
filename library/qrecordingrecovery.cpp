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
    QStringList recovered;
    for (const convertedInfo &info : record(repair(QRecordingMarker::pending())))
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

QList<convertedInfo> QRecordingRecovery::record(const QList<Repaired> &repaired)
{
    QList<convertedInfo> listed;
    QList<convertedInfo> toAdd;
    QStringList marks;
    for (const Repaired &r : repaired) {
        // A crash after the record was stored but before the mark went away
        // must not list the file twice.
        if (const auto existing = QVideoSettingXml::GetConvertedInfo(r.info.convertedPath)) {
            listed << *existing;
            marks << r.markerPath;
        } else {
            toAdd << r.info;
        }
    }
    if (!toAdd.isEmpty()) {
        if (QVideoSettingXml::appendConvertedInfos(toAdd)) {
            listed << toAdd;
            for (const Repaired &r : repaired)
                if (!marks.contains(r.markerPath))
                    marks << r.markerPath;
        } else {
            for (const convertedInfo &info : toAdd)
                qCWarning(lcLibrary) << "interrupted recording" << info.convertedPath
                                     << "repaired but not recorded in the history";
        }
    }
    for (const QString &mark : marks)
        QFile::remove(mark);
    for (const convertedInfo &info : listed)
        qCInfo(lcLibrary) << "interrupted recording" << info.convertedPath << "repaired";
    return listed;
}
