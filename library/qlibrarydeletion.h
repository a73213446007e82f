#pragma once
// Taking recordings out of the shown entry, or off the disk: the table's
// Delete (menu, key, a row's button), "Delete All", and the panel's removal
// of the shown playlist's rows. Each asks Cancel, Remove or Delete first;
// the running recording is never taken.

#include <QModelIndex>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <vector>

class IBaseChunk;
class QAudioFileChunk;
class QAudioFileTableView;
class QLibraryRows;
class QWidget;

class QLibraryDeletion : public QObject
{
    Q_OBJECT
public:
    // Questions are asked over the owner.
    QLibraryDeletion(QLibraryRows &rows, QAudioFileTableView *view, QWidget *owner, QObject *parent = nullptr);

signals:
    void emitRemovePlayFiles(QStringList pathList);
    void emitRemoveAllPlayFiles();
    // 0: no entry plays any more.
    void emitPlayingList(quint64 entryId);

public slots:
    // The selected rows (menu and Delete key), one row (its button).
    void OnActDeleteFile();
    void OnDeleteItem(const QModelIndex &index);
    // Every row of the shown entry, after one question.
    void OnActDeleteAllFiles();
    void OnRemoveCurPlayList();
    void OnDeleteFilesOfCurList();
    // Every recording's file; connected nowhere.
    void OnDeleteAllFiles();

private:
    int showAskDlg(const QString &text);
    // Takes the shown entry's rows out of it (Remove) or out of the library
    // (Delete), with their records; then the rows go.
    void takeOut(const std::vector<QAudioFileChunk *> &rows, bool removeOnly);
    // Whether the row goes (false: it stays, as its record is gone).
    bool takeOutOne(QAudioFileChunk *row, bool removeOnly);
    // The shown rows are the shown entry's.
    void showEntryRows();
    // The shown entry lost its rows: the bar lets go of them when it plays it.
    void shownEntryEmptied();
    // The rows that may be taken, last first: all but the running recording.
    std::vector<QAudioFileChunk *> takeableRows(const std::vector<IBaseChunk *> &rows) const;
    static QStringList pathsOf(const std::vector<QAudioFileChunk *> &rows);

    QLibraryRows &m_rows;
    QPointer<QAudioFileTableView> m_view;
    QPointer<QWidget> m_owner;
};
