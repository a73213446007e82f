#pragma once
// Playing rows of the recordings table: a row's play button, a double click
// or the panel's Play start the playback bar on the shown rows; the bar's
// file and play state come back and are shown on the playing row.

#include "controls/qplaylistpaths.h"

#include <QModelIndex>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <vector>

class QAudioFileChunk;
class QAudioFileSortModel;
class QAudioFileTableView;
class QLibraryRows;

class QLibraryPlayback : public QObject
{
    Q_OBJECT
public:
    QLibraryPlayback(QLibraryRows &rows, QAudioFileTableView *view, QAudioFileSortModel *sortModel,
                     QObject *parent = nullptr);

signals:
    // The entry the bar plays from; 0 for none.
    void emitPlayingList(quint64 entryId);
    void emitPlayFilePathList(const QPlayListPaths &playList);
    void emitPlayingFilePath(QString path);
    void emitPlayOrPause(bool bPlay);
    void emitPlayOrRecord(bool bPlay);

public slots:
    // Plays the row, or pauses or resumes it when it is the playing row.
    void OnPlayItem(const QModelIndex &index);
    void OnPauseItem(const QModelIndex &index);
    // The panel's Play: the entry's shown rows become the play list.
    void OnSetPlayingLibChunk(quint64 entryId);
    // The bar's file, state and the end of its list.
    void OnChangPlayingFile(QString playingFilePath);
    void OnSetPlayOrPauseState(bool bPlay);
    void OnFinishPlayList();

private:
    // The shown rows that can be played, as the view orders them; kept,
    // with the rows' ids, as the list the bar plays.
    QPlayListPaths playablePathsInViewOrder();
    // The playing entry's row of the file: looked for beside the row that
    // played last in the list the bar was given (the next or previous
    // track), and only then through the entry's rows.
    QAudioFileChunk *playingRowOf(const QString &path);
    // The row plays (or the old one stops): its state picture follows.
    void setPlaying(QAudioFileChunk *row, int state);

    QLibraryRows &m_rows;
    QPointer<QAudioFileTableView> m_view;
    QPointer<QAudioFileSortModel> m_sortModel;
    QPlayListPaths m_playList;
    std::vector<quint64> m_playIds; // the rows of m_playList, in its order
    int m_playingAt = -1;           // the playing row's place in them
};
