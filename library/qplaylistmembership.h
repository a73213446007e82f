#pragma once
// Which user playlists hold each recording: rows added to a playlist (the
// table's "Add to list" menu, recordings dropped on the panel), a playlist
// given a new name, every playlist removed. Membership is kept in the master
// row, the copies and the History.xml record alike.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

class QAudioFileTableView;
class QLibraryRows;

class QPlaylistMembership : public QObject
{
    Q_OBJECT
public:
    QPlaylistMembership(QLibraryRows &rows, QAudioFileTableView *view, QObject *parent = nullptr);

signals:
    void emitAppendPlayFiles(QStringList pathList);
    void emitRemoveAllPlayFiles();
    // 0: no entry plays any more.
    void emitPlayingList(quint64 entryId);

public slots:
    // The rows by id; rows that are gone by now are passed over.
    void OnAddToList(QString playlistName, QList<quint64> rowIds);
    // The selected rows join the playlist.
    void OnAddSelectedToList(const QString &playlistName);
    void OnChangeLibraryListName(QString oldName, QString newName);
    void OnRemoveAllPlayLists();

private:
    QLibraryRows &m_rows;
    QPointer<QAudioFileTableView> m_view;
};
