#include "library/qlibrarytablemenu.h"

#include "common/qvideosettingxml.h"
#include "library/qaudiofilechunk.h"
#include "library/qaudiofilemodel.h"
#include "library/qaudiofiletableview.h"
#include "library/qlibrarychunk.h"
#include "library/qlibraryrows.h"
#include "widgetkit/qinitctrlstyle.h"
#include "widgetkit/qjxmenu.h"
#include "widgetkit/views/qfilereveal.h"

#include <QAction>
#include <QCursor>

#include <functional>

QLibraryTableMenu::QLibraryTableMenu(QLibraryRows &rows, QAudioFileTableView *view, QWidget *menuParent,
                                     QObject *parent)
    : QObject(parent)
    , m_rows(rows)
    , m_view(view)
    , m_menuParent(menuParent)
{
    // The menu is made when first asked for (the playlists count as changed
    // until then): the table's construction reads no playlists for it.
    connect(view, &QWidget::customContextMenuRequested, this, &QLibraryTableMenu::OnShowTableMenu);
}

QLibraryTableMenu::~QLibraryTableMenu()
{
    ReleaseMenu();
}

void QLibraryTableMenu::InitMenu()
{
    m_pTableMenu = new QJXMenu(m_menuParent);
    m_pAddToListMenu = new QJXMenu(m_pTableMenu);
    QInitCtrlStyle::InitJxMenu(m_pTableMenu);
    QInitCtrlStyle::InitJxMenu(m_pAddToListMenu);
    m_pAddToListMenu->setTitle(QStringLiteral("Add to list"));
    QLibraryChunk *shown = m_rows.current().shownEntry();
    const std::string shownTitle = shown ? shown->GetTitle() : std::string();
    for (const QString &name : QVideoSettingXml::GetAllPlayLists()) {
        if (shown && name.toStdString() == shownTitle)
            continue;
        auto *action = new QAction(name, m_pAddToListMenu);
        action->setData(name);
        connect(action, &QAction::triggered, this, [this, name] { emit addToListRequested(name); });
        m_pAddToListMenu->addAction(action);
        m_listAddToListActions << action;
    }
    m_pActPlay = new QAction(tr("Play"), m_pTableMenu);
    m_pActRename = new QAction(tr("Rename"), m_pTableMenu);
    m_pActDelete = new QAction(tr("Delete"), m_pTableMenu);
    m_pActDeleteAll = new QAction(tr("Delete All"), m_pTableMenu);
    m_pActOpenDir = new QAction(tr("Open File Location"), m_pTableMenu);
    connect(m_pActPlay, &QAction::triggered, this,
            [this] { emit playRequested(m_view->indexAt(m_ptMenuPos)); });
    connect(m_pActRename, &QAction::triggered, this, &QLibraryTableMenu::OnActRename);
    connect(m_pActDelete, &QAction::triggered, this, &QLibraryTableMenu::deleteRequested);
    connect(m_pActOpenDir, &QAction::triggered, this, &QLibraryTableMenu::OnActOpenDir);
    connect(m_pActDeleteAll, &QAction::triggered, this, &QLibraryTableMenu::deleteAllRequested);
    m_pTableMenu->addAction(m_pActPlay);
    m_pTableMenu->addAction(m_pActRename);
    m_pTableMenu->addSeparator();
    m_pTableMenu->addMenu(m_pAddToListMenu);
    m_pTableMenu->addAction(m_pActOpenDir);
    m_pTableMenu->addSeparator();
    m_pTableMenu->addAction(m_pActDelete);
    m_pTableMenu->addAction(m_pActDeleteAll);
}

void QLibraryTableMenu::ReleaseMenu()
{
    // The actions and the submenu are the menu's children.
    m_listAddToListActions.clear();
    delete m_pTableMenu;
    m_pTableMenu = nullptr;
    m_pAddToListMenu = nullptr;
    m_pActPlay = m_pActRename = m_pActDelete = m_pActDeleteAll = m_pActOpenDir = nullptr;
}

void QLibraryTableMenu::OnPlayListsModified()
{
    m_bPlayListsModified = true;
}

QJXMenu *QLibraryTableMenu::prepareTableMenu(const QPoint &pt)
{
    if (m_bPlayListsModified) {
        ReleaseMenu();
        InitMenu();
        m_bPlayListsModified = false;
    }
    m_ptMenuPos = pt;
    const QModelIndex index = m_view->indexAt(pt);
    const bool onRow = index.isValid();
    QAudioFileChunk *recording = m_rows.current().recordingRow();
    m_pActPlay->setEnabled(onRow && !recording);
    m_pActRename->setEnabled(onRow);
    m_pActDelete->setEnabled(onRow);
    m_pActOpenDir->setEnabled(onRow);
    m_pAddToListMenu->setEnabled(onRow);
    m_pActDeleteAll->setEnabled(true);
    if (onRow) {
        m_view->updateRow(index.row());
        QAudioFileChunk *item = QAudioFileModel::rowItem(index);
        if (!item || !item->getEnable() || item == recording)
            return nullptr;
        if (item != m_rows.current().playingRow() || item->GetAudioState() == QAudioFileChunk::AudioPause)
            m_pActPlay->setText(tr("Play"));
        else if (item->GetAudioState() == QAudioFileChunk::AudioPlaying)
            m_pActPlay->setText(tr("Pause"));
    }
    return m_pTableMenu;
}

void QLibraryTableMenu::OnShowTableMenu(const QPoint &pt)
{
    if (QJXMenu *menu = prepareTableMenu(pt))
        menu->popup(QCursor::pos());
}

void QLibraryTableMenu::OnActRename()
{
    const QModelIndex index = m_view->indexAt(m_ptMenuPos);
    if (!index.isValid() || !index.model())
        return;
    const QModelIndex name = index.model()->index(index.row(), QAudioFileModel::ColumnName);
    if (name.isValid())
        m_view->edit(name);
}

void QLibraryTableMenu::OnActOpenDir()
{
    if (QAudioFileChunk *item = QAudioFileModel::rowItem(m_view->indexAt(m_ptMenuPos)))
        QFileReveal::reveal(item->qtext(QRowTexts::FilePath));
}
