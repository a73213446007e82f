#include "media/jxmediafileread.h"

#include "common/jxcommoninterface.h"
#include "media/jxinfoclass.h"
#include "media/jxinfomanager.h"
#include "media/jxplayerclass.h"
#include "rzcodec/tagfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace {

QString text(const char *source)
{
    return QCoreApplication::translate("JXMediaFileRead", source);
}

// Why the file cannot be read at all; empty when it can. Asked only once
// the codec layer could not read the file: one that reads is not opened
// again to be checked.
QString unreadable(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return text("The file does not exist.");
    if (info.isDir())
        return text("It is a folder, not a file.");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return text("The file cannot be read: %1.").arg(file.errorString());
    if (file.size() == 0)
        return text("The file is empty.");
    return QString();
}

} // namespace

JXMediaFileRead JXMediaFileRead::read(const Request &request)
{
    JXMediaFileRead result;
    result.path = request.path;

    JXInfoManager reader;
    reader.createrPlayer();
    reader.setMediaFile(request.path, 0, false);
    const JXInfoClass *info = reader.getInfoClass();
    const bool playable = info && (info->HasAudio_Info() || info->HasVideo_Info());
    if (!playable) {
        result.error = unreadable(request.path);
        if (!result.ok())
            return result;
    }
    result.width = request.width ? request.width : (info ? info->GetVideoWidth_Info() : 0);
    result.height = request.height ? request.height : (info ? info->GetVideoHeight_Info() : 0);
    result.thumbnail = reader.getThumbnail(request.thumbnailSize);
    result.tags = reader.getAudioTagInfo();
    result.chapters = reader.getChapterInfo();
    result.tagFormat = tagFormatOf(request.path);

    // A player that did not open is released with its holder.
    JXPlayerClass player;
    bool opened = playable;
    if (request.openPlayer) {
        player.Create_Player(request.playerWithAudio);
        opened = player.OpenEx_Player(request.path.toUtf8().constData(), result.width, result.height, 0, 0);
    }
    result.media = JXOpenedMedia(opened ? player.Take_Player() : nullptr,
                                 reader.getInfoClass() ? reader.getInfoClass()->Take_Info() : nullptr);
    if (!opened)
        result.error = text("The file holds no sound or picture that can be played.");
    return result;
}

int JXMediaFileRead::tagFormatOf(const QString &path)
{
    if (!QFileInfo::exists(path))
        return 0;
    void *tagFile = rz_tagfile_create();
    const std::optional<std::u32string> wide = JxCommonInterface::ConvertCharToUtft32(path.toUtf8().constData());
    int result = -1;
    if (tagFile && wide && rz_tagfile_open(tagFile, reinterpret_cast<const uint32_t *>(wide->c_str())) == 0) {
        result = rz_tagfile_format(tagFile);
        rz_tagfile_close(tagFile);
    }
    if (tagFile)
        rz_tagfile_release(tagFile);
    return result;
}
