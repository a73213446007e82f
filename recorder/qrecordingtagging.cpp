#include "recorder/qrecordingtagging.h"
#include "recorder/recorderlog.h"

#include "common/qfilenamerules.h"
#include "common/qrecordingmarker.h"
#include "media/jxtagfileaccess.h"

#include <QDebug>

#include <cerrno>

namespace {
QString stemOf(const QString &fileName)
{
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? fileName : fileName.left(dot);
}

QString extensionOf(const QString &fileName)
{
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : fileName.mid(dot + 1);
}
} // namespace

QRecordingTagging::Result QRecordingTagging::apply(const QString &path, const JXRecognizerAudioTagInfo &tags,
                                                   Mode mode)
{
    Result result;
    result.path = path;
    if (!tags.namesSomething() || JXTagFileAccess::formatCode(path.toStdString()) == -1)
        return result;
    result.title = QString::fromUtf8(tags.title);
    result.artist = QString::fromUtf8(tags.artist);
    result.album = QString::fromUtf8(tags.album);
    result.genre = QString::fromUtf8(tags.genre);
    // Written under the recording's own name, which its mark still guards.
    if (mode == NameOnly) {
        result.tagsNotWritten = true;
    } else if (!JXTagFileAccess::write(path.toStdString(), tags.tagInfo(), JXTagFileAccess::AllFields)) {
        qCWarning(lcRecorder) << "recognised tags not written:" << path;
        result.tagsNotWritten = true;
    }
    // The title names the file only as a plain name inside its folder.
    const QString stem = QFileNameRules::cleanedName(result.title);
    if (stem.isEmpty())
        return result;
    const QString fileName = QFileNameRules::fileNameOf(path);
    const QString target = QFileNameRules::firstFreePath(QFileNameRules::folderOf(path), stem, extensionOf(fileName), path);
    if (target == path)
        return result;
    // A crash after the move finds the file by its mark: the mark names the
    // new name first.
    if (!QRecordingMarker::copyTo(path, target)) {
        qCWarning(lcRecorder) << "recording not renamed to" << target << ": its mark cannot name it";
        result.title = stemOf(fileName);
        return result;
    }
    if (QFileNameRules::moveWithoutReplacing(path, target)) {
        result.path = target;
        QRecordingMarker::remove(path);
    } else {
        // The file keeps its name, and its record shows that name.
        const int why = errno;
        QRecordingMarker::remove(target);
        qCWarning(lcRecorder) << "recording not renamed to" << target << ":" << qt_error_string(why);
        result.title = stemOf(fileName);
    }
    return result;
}
