#include "library/qaudiofilechunk.h"

#include "library/libraryitemids.h"

QAudioFileChunk::QAudioFileChunk()
    : m_itemId(LibraryItemIds::add(this))
{
    setVideoType(false);
}

QAudioFileChunk::QAudioFileChunk(QAudioFileChunk *other)
    : QAudioFileChunk()
{
    if (!other)
        return;
    m_lists = other->m_lists;
    m_recordingIcon = other->m_recordingIcon;
    m_noFileIcon = other->m_noFileIcon;
    m_playingIcon = other->m_playingIcon;
    SetFilePath(other->GetFilePath());
    SetFileName(other->GetFileName());
    SetTitle(other->GetTitle());
    setArtist(other->GetArtist());
    setAlbum(other->GetAlbum());
    setGenre(other->GetGenre());
    setPlayTime(other->getPlayTime());
    SetFileSize(other->GetFileSize());
    SetCreateTime(other->GetCreateTime());
    SetResolution(other->GetResolution());
    SetFileExent(other->GetFileExent());
    SetFileFormat(other->GetFileFormat());
    setVideoType(other->getVideoType());
    setNewAdd(other->isNewAdd());
    setImage(other->GetImage());
    // The bytes on disk are the file's, whichever entry shows it.
    SetFileBytes(other->GetFileBytes());
}

QAudioFileChunk::~QAudioFileChunk()
{
    LibraryItemIds::remove(m_itemId, this);
}

void QAudioFileChunk::setStateIcons(const QString &recording, const QString &playing, const QString &noFile)
{
    m_recordingIcon = recording;
    m_playingIcon = playing;
    m_noFileIcon = noFile;
}

bool QAudioFileChunk::RemoveList(const std::string &name)
{
    const int at = m_lists.lastIndexOf(name);
    if (at < 0)
        return false;
    m_lists.removeAt(at);
    return true;
}

bool QAudioFileChunk::RemoveList(int index)
{
    if (index < 0 || index >= m_lists.size())
        return false;
    m_lists.removeAt(index);
    return true;
}
