#pragma once
// The recordings table's context menu: Play (or Pause), Rename, "Add to list"
// with the user playlists, Open File Location, Delete and Delete All. Rename
// and Open File Location act on the view; the others are handed on as
// signals. The playlists are read again once the panel changed them.

#include <QList>
#include <QModelIndex>
#include <QObject>
#include <QPoint>
#include <QPointer>

class QAction;
class QAudioFileTableView;
class QJXMenu;
class QLibraryRows;
class QWidget;

class QLibraryTableMenu : public QObject
{
    Q_OBJECT
public:
    QLibraryTableMenu(QLibraryRows &rows, QAudioFileTableView *view, QWidget *menuParent,
                      QObject *parent = nullptr);
    ~QLibraryTableMenu() override;

    // Null until the menu is first prepared.
    QJXMenu *menu() const { return m_pTableMenu; }
    // Prepares the menu for a request at pt (view coordinates); null when
    // none is shown there.
    QJXMenu *prepareTableMenu(const QPoint &pt);

signals:
    void playRequested(const QModelIndex &index);
    void addToListRequested(const QString &playlistName);
    void deleteRequested();
    void deleteAllRequested();

public slots:
    void OnPlayListsModified();
    void OnShowTableMenu(const QPoint &pt);

private:
    void InitMenu();
    void ReleaseMenu();
    void OnActRename();
    void OnActOpenDir();

    QLibraryRows &m_rows;
    QPointer<QAudioFileTableView> m_view;
    QPointer<QWidget> m_menuParent;
    bool m_bPlayListsModified = true;
    QJXMenu *m_pTableMenu = nullptr;
    QJXMenu *m_pAddToListMenu = nullptr;
    QList<QAction *> m_listAddToListActions;
    QPoint m_ptMenuPos;
    QAction *m_pActPlay = nullptr;
    QAction *m_pActRename = nullptr;
    QAction *m_pActDelete = nullptr;
    QAction *m_pActOpenDir = nullptr;
    QAction *m_pActDeleteAll = nullptr;
};
