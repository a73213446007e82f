#pragma once
// One row of the recordings table: a history record, the playlists holding
// it, its play state and the pictures of its state column.

#include "library/qhistorychunk.h"

#include <QList>
#include <QString>

#include <memory>
#include <string>

class QAudioFileChunk : public QHistoryChunk
{
public:
    enum AudioState : quint8 {
        AudioNormal = 0,
        AudioRecording = 1,
        AudioPlaying = 2,
        AudioPause = 3,
        AudioNoFile = 4,
    };

    QAudioFileChunk();
    // A copy for another library entry: the record, names and pictures, but
    // neither the play state nor the fixed flag nor any per-view state.
    explicit QAudioFileChunk(QAudioFileChunk *other);
    ~QAudioFileChunk() override;

    // Serial id of this row, never given to another (library/libraryitemids.h).
    quint64 itemId() const { return m_itemId; }

    void SetListsBelong(QList<std::string> names) { m_lists = std::move(names); }
    QList<std::string> GetListsBelong() const { return m_lists; }
    // Appends even when the name is there already.
    void AppendList(const std::string &name) { m_lists.append(name); }
    // First equal name, -1 when absent.
    int GetListNamePos(const std::string &name) const { return m_lists.indexOf(name); }
    std::string GetListName(int index) const { return m_lists.value(index); }
    // Removes the last equal name.
    bool RemoveList(const std::string &name);
    bool RemoveList(int index);
    void RemoveAllLists() { m_lists.clear(); }

    void SetAudioState(AudioState state) { m_state = state; }
    AudioState GetAudioState() const { return m_state; }
    // The state pictures' paths, one set shared by the rows that show the
    // same pictures: every row of a large library names the same three files.
    void SetRecordingIcon(const std::string &path);
    std::string GetRecordingIcon() const { return recordingIcon().toStdString(); }
    void SetNoFileIcon(const std::string &path);
    std::string GetNoFileIcon() const { return noFileIcon().toStdString(); }
    void SetPlayingIcon(const std::string &path);
    std::string GetPlayingIcon() const { return playingIcon().toStdString(); }
    struct StateIcons
    {
        QString recording;
        QString playing;
        QString noFile;
    };
    void setStateIcons(std::shared_ptr<const StateIcons> icons) { m_icons = std::move(icons); }
    const QString &recordingIcon() const { return icons().recording; }
    const QString &playingIcon() const { return icons().playing; }
    const QString &noFileIcon() const { return icons().noFile; }

private:
    const StateIcons &icons() const;
    StateIcons &ownIcons();

    // First, so that it packs behind the record's last fields.
    AudioState m_state = AudioNormal;
    quint64 m_itemId = 0;
    QList<std::string> m_lists;
    std::shared_ptr<const StateIcons> m_icons;
};
