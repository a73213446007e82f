#include "media/jxmediafileread.h"

#include "common/jxcommoninterface.h"
#include "media/jxinfoclass.h"
#include "media/jxinfomanager.h"
#include "rzcodec/player.h"
#include "rzcodec/tagfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace {

QString text(const char *source)
{
    return QCoreApplication::translate("JXMediaFileRead", source);
}

// Why the file cannot be read at all; empty when it can.
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
    result.error = unreadable(request.path);
    if (!result.ok())
        return result;

    JXInfoManager reader;
    reader.createrPlayer();
    reader.setMediaFile(request.path, 0, false);
    const JXInfoClass *info = reader.getInfoClass();
    result.width = request.width ? request.width : (info ? info->GetVideoWidth_Info() : 0);
    result.height = request.height ? request.height : (info ? info->GetVideoHeight_Info() : 0);
    const bool playable = info && (info->HasAudio_Info() || info->HasVideo_Info());
    result.thumbnail = reader.getThumbnail(request.thumbnailSize);
    result.tags = reader.getAudioTagInfo();
    result.chapters = reader.getChapterInfo();
    result.tagFormat = tagFormatOf(request.path);

    void *player = nullptr;
    bool opened = playable;
    if (request.openPlayer) {
        player = rz_player_create(request.playerWithAudio ? RZ_PLAYER_DEFAULT : RZ_PLAYER_PLAIN);
        const QByteArray utf8 = request.path.toUtf8();
        opened = player && rz_player_open_ex(player, utf8.constData(), result.width, result.height, 0, 0);
        if (player && !opened) {
            rz_player_release(player);
            player = nullptr;
        }
    }
    result.media = JXOpenedMedia(player, reader.getInfoClass() ? reader.getInfoClass()->Take_Info() : nullptr);
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
