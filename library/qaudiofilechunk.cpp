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
    m_icons = other->m_icons;
    copyRecordOf(*other);
}

QAudioFileChunk::~QAudioFileChunk()
{
    LibraryItemIds::remove(m_itemId, this);
}

const QAudioFileChunk::StateIcons &QAudioFileChunk::icons() const
{
    static const StateIcons none;
    return m_icons ? *m_icons : none;
}

QAudioFileChunk::StateIcons &QAudioFileChunk::ownIcons()
{
    // Rows share their set: one row's change makes a set of its own.
    auto own = std::make_shared<StateIcons>(icons());
    m_icons = own;
    return *own;
}

void QAudioFileChunk::SetRecordingIcon(const std::string &path)
{
    ownIcons().recording = QString::fromStdString(path);
}

void QAudioFileChunk::SetNoFileIcon(const std::string &path)
{
    ownIcons().noFile = QString::fromStdString(path);
}

void QAudioFileChunk::SetPlayingIcon(const std::string &path)
{
    ownIcons().playing = QString::fromStdString(path);
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
