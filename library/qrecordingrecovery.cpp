#include "library/qrecordingrecovery.h"

#include "common/qianyutil.h"
#include "common/qrecordingmarker.h"
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
    for (const QRecordingMarker::Entry &e : QRecordingMarker::pending()) {
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
        // A crash after the record was stored but before the mark went away
        // must not list the file twice.
        if (!QVideoSettingXml::GetConvertedInfo(path)) {
            convertedInfo info = e.info;
            const QRecordingProbe::Info probed = QRecordingProbe::probe(path);
            info.time = QRecordingProbe::durationText(probed.microseconds);
            info.size = QIAnyUtil::size2String(quint64(QFileInfo(path).size()));
            info.newFile = true;
            if (!QVideoSettingXml::SaveConvertedInfo(info)) {
                qCWarning(lcLibrary) << "interrupted recording" << path << "repaired but not recorded in the history";
                continue;
            }
        }
        QFile::remove(e.markerPath);
        qCInfo(lcLibrary) << "interrupted recording" << path << "repaired";
        recovered << path;
    }
    return recovered;
}
