#pragma once
// The in-cell controls of the recordings table (Play and Pause in the state
// column, Edit and Delete in the last one) and the rows made with them: a row
// names the buttons its cells draw, so every row is made here. Rows of the
// history can also be made without controls, on any thread, and get them
// later on the GUI thread.

#include "common/convertedinfo.h"
#include "common/historydocument.h"
#include "widgetkit/views/qchunkcontrol.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QStringList>

#include <memory>
#include <string>

class IBaseChunk;
class QAudioFileChunk;
class QDelegateControl;
class QJXStyleButton;

class QRowControls
{
public:
    QRowControls();
    ~QRowControls();
    QRowControls(const QRowControls &) = delete;
    QRowControls &operator=(const QRowControls &) = delete;

    QJXStyleButton *playButton() const { return m_play.get(); }
    QJXStyleButton *pauseButton() const { return m_pause.get(); }
    QJXStyleButton *editButton() const { return m_edit.get(); }
    QJXStyleButton *deleteButton() const { return m_delete.get(); }
    // The Edit and Delete group the delegate draws in the last column.
    QDelegateControl *operateControl() const { return m_operate.get(); }

    QAudioFileChunk *newRow() const;
    // A copy for another library entry (QAudioFileChunk's copy), with controls.
    QAudioFileChunk *copyOf(QAudioFileChunk *master) const;
    // The row of a record; `bytes` is the file's size when already measured.
    QAudioFileChunk *rowOf(const convertedInfo &info, qint64 bytes = -1) const;
    // Gives a row made without them its controls: a set every row shares
    // until one of its records changes.
    void addControls(IBaseChunk *row) const;
    // The button is neither drawn nor clicked on that row.
    static void setHidden(IBaseChunk *row, QJXStyleButton *button, bool hidden);

    // Playlist names as rows keep them, made once per set of names: the
    // rows of one set share them.
    using ListNames = QHash<QStringList, QList<std::string>>;
    // The same as rowOf without controls, on any thread; `shared` holds the
    // names made for earlier rows (used by one thread at a time).
    static QAudioFileChunk *recordRow(const convertedInfo &info, qint64 bytes = -1, ListNames *shared = nullptr,
                                      const HistoryDocument::Entry *entry = nullptr);
    // Video records and recordings still being repaired get no row.
    static bool takesRow(const convertedInfo &info, const QSet<QString> &inRepair);
    // What recordRow takes from the program's folder, looked up on the
    // calling thread before a worker makes rows (also before the
    // application object).
    static void prepareRecordRows();

private:
    static QAudioFileChunk *bareRow();

    std::unique_ptr<QJXStyleButton> m_play;
    std::unique_ptr<QJXStyleButton> m_pause;
    std::unique_ptr<QJXStyleButton> m_edit;
    std::unique_ptr<QJXStyleButton> m_delete;
    std::unique_ptr<QDelegateControl> m_playControl;
    std::unique_ptr<QDelegateControl> m_operate;
    // Edit and Delete, shown: what every row's records start as.
    std::shared_ptr<QChunkControl::Records> m_records;
};
