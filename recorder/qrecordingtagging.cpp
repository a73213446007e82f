#include "recorder/qrecordingtagging.h"
#include "recorder/recorderlog.h"

#include "common/qfilenamerules.h"
#include "media/jxtagfileaccess.h"

#include <QDebug>

#include <cerrno>

namespace {
QString folderOf(const QString &path)
{
    return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString fileNameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

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

bool QRecordingTagging::namesSomething(const JXRecognizerAudioTagInfo &tags)
{
    return !tags.title.isEmpty() || !tags.artist.isEmpty() || !tags.album.isEmpty();
}

VEAudioTagInfo QRecordingTagging::tagRecord(const JXRecognizerAudioTagInfo &r)
{
    VEAudioTagInfo tags;
    tags.title = r.title.toStdString();
    tags.artist = r.artist.toStdString();
    tags.album_artist = r.album_artist.toStdString();
    tags.composer = r.composer.toStdString();
    tags.album = r.album.toStdString();
    tags.genre = r.genre.toStdString();
    tags.track = r.track.toStdString();
    tags.year = r.year.toStdString();
    tags.date = r.date.toStdString();
    tags.grouping = r.grouping.toStdString();
    tags.comment = r.comment.toStdString();
    tags.disc = r.disc.toStdString();
    tags.copyright = r.copyright.toStdString();
    tags.cover_image = r.cover_image.toStdString();
    tags.coverSize = r.coverLength;
    return tags;
}

QRecordingTagging::Result QRecordingTagging::apply(const QString &path, const JXRecognizerAudioTagInfo &tags)
{
    Result result;
    result.path = path;
    if (!namesSomething(tags) || JXTagFileAccess::formatCode(path.toStdString()) == -1)
        return result;
    result.title = QString::fromUtf8(tags.title);
    result.artist = QString::fromUtf8(tags.artist);
    result.album = QString::fromUtf8(tags.album);
    result.genre = QString::fromUtf8(tags.genre);
    // Written under the recording's own name, which its mark still guards.
    if (!JXTagFileAccess::write(path.toStdString(), tagRecord(tags), JXTagFileAccess::AllFields)) {
        qCWarning(lcRecorder) << "recognised tags not written:" << path;
        result.tagsNotWritten = true;
    }
    // The title names the file only as a plain name inside its folder.
    const QString stem = QFileNameRules::cleanedName(result.title);
    if (stem.isEmpty())
        return result;
    const QString fileName = fileNameOf(path);
    const QString target = QFileNameRules::firstFreePath(folderOf(path), stem, extensionOf(fileName), path);
    if (target == path)
        return result;
    if (QFileNameRules::moveWithoutReplacing(path, target)) {
        result.path = target;
    } else {
        // The file keeps its name, and its record shows that name.
        qCWarning(lcRecorder) << "recording not renamed to" << target << ":" << qt_error_string(errno);
        result.title = stemOf(fileName);
    }
    return result;
}
