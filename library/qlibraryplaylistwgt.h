#pragma once
// The library panel: the fixed entries "All Recordings" and "Latest
// Recordings" under their headers, then the user playlists kept in
// "CustomedLists.xml". It tells the recordings table which list to show and
// what to do with a list's recordings; it never touches files or history.

#include "library/libraryitemids.h"
#include "library/librarymetatypes.h"
#include "library/qlibrarychunk.h"
#include "widgetkit/qjxwidget.h"

#include <QList>
#include <QModelIndex>
#include <QPoint>

#include <vector>

class IBaseChunk;
class QAction;
class QDelegateControl;
class QJXMenu;
class QJXScrollBar;
class QJXStyleButton;
class QLibraryChunk;
class QLibraryDelegate;
class QLibraryModel;
class QLibrarySortModel;
class QLibraryTableView;

class QLibraryPlayListWgt : public QJXWidget
{
    Q_OBJECT
public:
    enum FixedRow { RowLibrary = 0, RowAll = 1, RowLatest = 2, RowSpace = 3, RowPlayList = 4 };

    explicit QLibraryPlayListWgt(QWidget *parent = nullptr);
    ~QLibraryPlayListWgt() override;

    void SetTBViewCurrentIndex(int row);
    void SetIsRecording(bool recording) { m_bIsRecording = recording; }
    void ReleaseDatas();

    // Read access for the main window and tests.
    QLibraryTableView *tableView() const { return m_tbViewLibrary; }
    QLibraryChunk *entryAt(int row) const;
    int entryCount() const { return int(m_vecLibDatas.size()); }
    QLibraryChunk *playingEntry() const { return m_pPlayingLibChunk.get(); }
    QJXMenu *fixedListMenu() const { return m_pFixedListMenu; }
    QJXMenu *playListMenu() const { return m_pPlayListMenu; }
    // Prepares the menu that a request at pt would show; null for none.
    QJXMenu *menuFor(const QPoint &pt);

signals:
    // Entries and rows travel by id: an id names nothing once its item is gone.
    void emitCurrentListChanged(quint64 entryId);
    void emitPlayListsModified();
    void emitDeleteFilesOfCurList();
    void emitDeleteFilesOfAllLists();
    void emitRemoveCurPlayList();
    void emitRemoveAllPlayLists();
    void emitAddAudioToList(QString listName, QList<quint64> rowIds);
    void emitChangePlayListName(QString oldName, QString newName);
    void emitPlayingLibChunk(quint64 entryId);

public slots:
    void OnFinishPlayList();
    void OnPlayOldList();
    // 0, or an entry that is not one of the panel's: none plays.
    void OnSetPlayingList(quint64 entryId);
    void OnAddNewList();
    void OnAddNewList(const QModelIndex &index);
    void OnActDeleteList();
    void OnActDeleteAllLists();
    void OnActPlayThisList();
    void OnActRenameList();
    void OnRename(const QModelIndex &index, QString newTitle);

private slots:
    void OnCurrentChanged(const QModelIndex &index);
    void OnShowTableMenu(const QPoint &pt);

protected:
    void keyReleaseEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resetControlLocation() override;

private:
    void initMenus();
    void initView();
    void InitListsData();
    QLibraryChunk *newEntry(const QString &title, int type, const QString &icon,
                            const QString &playingIcon);
    void refreshModel();
    void ChangeListName(const QString &oldName, const QString &newName);
    void deleteList(QLibraryChunk *entry);
    QLibraryChunk *entryOfIndex(const QModelIndex &index) const;
    QLibraryChunk *entryOfId(quint64 id) const;
    bool holds(QLibraryChunk *entry) const;

    QLibraryTableView *m_tbViewLibrary = nullptr;
    std::vector<IBaseChunk *> m_vecLibDatas;
    QLibraryModel *m_pLibModel = nullptr;
    QLibrarySortModel *m_pLibSortModel = nullptr;
    QLibraryDelegate *m_pLibDelegate = nullptr;
    QJXScrollBar *m_pHScrollBar = nullptr;
    QJXScrollBar *m_pVScrollBar = nullptr;
    QJXStyleButton *m_pBtnAddList = nullptr;
    QDelegateControl *m_pAddListControl = nullptr;
    QPoint m_ptMenuPos{-1, -1};
    QJXMenu *m_pFixedListMenu = nullptr;
    QJXMenu *m_pPlayListMenu = nullptr;
    QAction *m_pActDelete = nullptr;
    QAction *m_pActDeleteAll = nullptr;
    QAction *m_pActPlay = nullptr;
    QAction *m_pActRename = nullptr;
    QAction *m_pActAddList = nullptr;
    // Read null once the entry is gone, by whatever road.
    LibraryItemRef<QLibraryChunk> m_pPlayingLibChunk;
    bool m_bIsRecording = false;
};
