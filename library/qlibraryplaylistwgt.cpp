#include "library/qlibraryplaylistwgt.h"

#include "common/qfilenamerules.h"
#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "library/qlibrarychunk.h"
#include "library/qlibrarydelegate.h"
#include "library/qlibrarymodel.h"
#include "library/qlibraryquestions.h"
#include "library/qlibrarytableview.h"
#include "widgetkit/qinitctrlstyle.h"
#include "widgetkit/qjxmenu.h"
#include "widgetkit/qjxscrollbar.h"
#include "widgetkit/views/qchunkcontrol.h"
#include "widgetkit/views/qdelegatecontrol.h"
#include "widgetkit/views/qjxitemroles.h"
#include "widgetkit/views/qjxstylebutton.h"

#include <QAction>
#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>

namespace {
const char *const kFixedIndexKey = "LIB_KEY_FIXED_INDEX";

QString resource(const char *name)
{
    return QIAnyUtil::getResourcePath() + QLatin1String(name);
}
} // namespace

QLibraryPlayListWgt::QLibraryPlayListWgt(QWidget *parent)
    : QJXWidget(parent, DlgPane)
{
    LibraryMetaTypes::registerAll();
    setObjectName(QStringLiteral("QLibraryPlayListWgt"));
    resize(243, 282);
    setWindowTitle(QStringLiteral("Form"));
    m_tbViewLibrary = new QLibraryTableView(this);
    m_tbViewLibrary->setObjectName(QStringLiteral("m_tbViewLibrary"));
    m_tbViewLibrary->setGeometry(20, 30, 191, 211);
    initMenus();

    m_pHScrollBar = new QJXScrollBar(Qt::Horizontal, this);
    m_pVScrollBar = new QJXScrollBar(Qt::Vertical, this);
    QInitCtrlStyle::InitJxScrollBar(m_pHScrollBar);
    QInitCtrlStyle::InitJxScrollBar(m_pVScrollBar);
    QJXScrollBarStyleAttribute bar = m_pVScrollBar->styleAttribute();
    bar.grooveColor = QColor(31, 31, 31);
    bar.lineColor = QColor(31, 31, 31);
    bar.extent = 12;
    m_pVScrollBar->setStyleAttribute(bar);

    initView();
    InitListsData();
    connect(m_tbViewLibrary, &QJXTableView::emitCurrentChanged, this,
            &QLibraryPlayListWgt::OnCurrentChanged);
    setMouseTracking(true);
}

QLibraryPlayListWgt::~QLibraryPlayListWgt()
{
    // The view goes before the entries its models point at.
    m_tbViewLibrary->setModel(nullptr);
    delete m_pLibDelegate;
    delete m_pLibSortModel;
    delete m_pLibModel;
    m_pLibModel = nullptr;
    delete m_pAddListControl;
    delete m_pBtnAddList;
    ReleaseDatas();
}

void QLibraryPlayListWgt::initMenus()
{
    m_pActDelete = new QAction(tr("&Delete"), this);
    m_pActDeleteAll = new QAction(tr("Delete All"), this);
    m_pActPlay = new QAction(tr("Play"), this);
    m_pActRename = new QAction(tr("Rename"), this);
    m_pActAddList = new QAction(tr("Add New Playist"), this);
    m_pFixedListMenu = new QJXMenu(this);
    QInitCtrlStyle::InitJxMenu(m_pFixedListMenu);
    m_pFixedListMenu->setItemWidth(80);
    m_pFixedListMenu->setItemHeight(18);
    m_pFixedListMenu->addAction(m_pActPlay);
    m_pPlayListMenu = new QJXMenu(this);
    QInitCtrlStyle::InitJxMenu(m_pPlayListMenu);
    m_pPlayListMenu->addAction(m_pActPlay);
    m_pPlayListMenu->addAction(m_pActRename);
    m_pPlayListMenu->addAction(m_pActAddList);
    m_pPlayListMenu->addAction(m_pActDelete);
    connect(m_pActDelete, &QAction::triggered, this, &QLibraryPlayListWgt::OnActDeleteList);
    connect(m_pActDeleteAll, &QAction::triggered, this, &QLibraryPlayListWgt::OnActDeleteAllLists);
    connect(m_pActPlay, &QAction::triggered, this, &QLibraryPlayListWgt::OnActPlayThisList);
    connect(m_pActRename, &QAction::triggered, this, &QLibraryPlayListWgt::OnActRenameList);
    connect(m_pActAddList, &QAction::triggered, this, qOverload<>(&QLibraryPlayListWgt::OnAddNewList));
}

void QLibraryPlayListWgt::initView()
{
    m_pLibModel = new QLibraryModel;
    m_pLibModel->setHeaderList({QString(), QString()});
    m_pLibModel->setCheckInColumn(-1);
    m_pLibModel->setDatas(&m_vecLibDatas);
    m_pLibSortModel = new QLibrarySortModel;
    m_pLibSortModel->setSourceModel(m_pLibModel);
    m_pLibSortModel->setItemBgColor(QColor(31, 31, 31), QColor(31, 31, 31));
    m_pLibSortModel->setHoverBgColor(QColor(31, 31, 31), QColor(250, 237, 237));
    m_pLibSortModel->setItemTextColor(QColor(250, 237, 237), QColor(250, 237, 237));
    m_pLibSortModel->setDynamicSortFilter(false);
    m_pLibSortModel->setFilterKeyColumn(-1);
    m_tbViewLibrary->setModel(m_pLibSortModel);
    m_tbViewLibrary->setSourceModel(m_pLibModel);
    m_tbViewLibrary->setSortModel(m_pLibSortModel);
    m_tbViewLibrary->setSortingEnabled(false);

    m_pLibDelegate = new QLibraryDelegate;
    m_pLibDelegate->setBottomLineColor(QColor(31, 31, 31));
    m_pLibDelegate->setSelectedBackgroundColor(QColor(52, 52, 52));
    m_pLibDelegate->setSelectedTextColor(QColor(250, 237, 237));
    m_tbViewLibrary->setItemDelegate(m_pLibDelegate);
    m_tbViewLibrary->setStyleDelegate(m_pLibDelegate);
    connect(m_pLibDelegate, &QLibraryDelegate::emitChangListName, this, &QLibraryPlayListWgt::OnRename);

    m_tbViewLibrary->setEditTriggers(QAbstractItemView::SelectedClicked);
    m_tbViewLibrary->setTextElideMode(Qt::ElideRight);
    m_tbViewLibrary->setAutoScroll(false);

    m_pBtnAddList = new QJXStyleButton;
    m_pBtnAddList->setToolTip(tr("Add New List"));
    m_pBtnAddList->setButtonImage(resource("/image/Library/btn_add.png"));
    m_pAddListControl = new QDelegateControl(1);
    m_pAddListControl->addButton(m_pBtnAddList);
    m_pAddListControl->setHoverShow(false);
    m_pAddListControl->setDrawAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_pAddListControl->setDrawWidth(m_pBtnAddList->width());
    m_pAddListControl->setDrawHeight(m_pBtnAddList->height());
    m_pLibDelegate->addButtonWidget(m_pAddListControl);
    connect(m_pBtnAddList, &QJXStyleButton::emitClickIndex, this,
            qOverload<const QModelIndex &>(&QLibraryPlayListWgt::OnAddNewList));

    m_tbViewLibrary->setStyleSheet(
        QStringLiteral("QTableView{border:none;background:%1;}").arg(QColor(31, 31, 31).name()));
    m_tbViewLibrary->setColumnWidth(0, 143);
    m_tbViewLibrary->setColumnWidth(1, 30);
    m_tbViewLibrary->horizontalHeader()->setStretchLastSection(false);
    m_tbViewLibrary->horizontalHeader()->hide();
    m_tbViewLibrary->verticalHeader()->hide();
    m_tbViewLibrary->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tbViewLibrary->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tbViewLibrary->setAcceptDrops(true);
    m_tbViewLibrary->setDragDropMode(QAbstractItemView::DragDrop);
    m_tbViewLibrary->verticalHeader()->setDefaultSectionSize(26);
    m_tbViewLibrary->setShowGrid(false);
    m_tbViewLibrary->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tbViewLibrary->setHorizontalScrollBar(m_pHScrollBar);
    m_tbViewLibrary->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_tbViewLibrary->setVerticalScrollBar(m_pVScrollBar);
    m_tbViewLibrary->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(m_tbViewLibrary, &QWidget::customContextMenuRequested, this,
            &QLibraryPlayListWgt::OnShowTableMenu);
    connect(m_tbViewLibrary, &QLibraryTableView::emitAddToList, this,
            &QLibraryPlayListWgt::emitAddAudioToList);
}

QLibraryChunk *QLibraryPlayListWgt::newEntry(const QString &title, int type, const QString &icon,
                                             const QString &playingIcon)
{
    auto *entry = new QLibraryChunk;
    entry->SetTitle(title.toStdString());
    entry->SetListType(QLibraryChunk::listType(type));
    entry->SetIcon(icon.toStdString());
    entry->SetPlayingIcon(playingIcon.toStdString());
    m_vecLibDatas.push_back(entry);
    return entry;
}

void QLibraryPlayListWgt::InitListsData()
{
    const QString big = resource("/image/Library/icon_list_big.png");
    const QString list = resource("/image/Library/icon_list.png");
    const QString playing = resource("/image/Library/icon_playing.png");
    struct Fixed {
        QString title;
        int type;
        bool enabled;
        QString icon;
        QString playingIcon;
    };
    const Fixed fixed[] = {
        {QStringLiteral("LIBRARY"), QLibraryChunk::ListLibraryTitle, false, big, QString()},
        {tr("All Recordings"), QLibraryChunk::ListAll, true, list, playing},
        {tr("Latest Recordings"), QLibraryChunk::ListAll, true, list, playing},
        {QString(), QLibraryChunk::ListSpace, false, QString(), QString()},
        {QStringLiteral("PLAYLIST"), QLibraryChunk::ListPlayListTitle, false, big, QString()},
    };
    for (int row = 0; row < 5; ++row) {
        QLibraryChunk *entry = newEntry(fixed[row].title, fixed[row].type, fixed[row].icon,
                                        fixed[row].playingIcon);
        entry->setEnable(fixed[row].enabled);
        entry->setFixedItem(true);
        entry->setIntValue(kFixedIndexKey, row);
        if (row == RowPlayList)
            entry->getChunkControl()->addControl(m_pBtnAddList, controlTypeButton);
    }
    for (const QString &name : QVideoSettingXml::GetAllPlayLists())
        newEntry(name, QLibraryChunk::ListCustom, list, playing);
    m_pLibModel->refresh();
}

void QLibraryPlayListWgt::refreshModel()
{
    m_pLibModel->refresh();
}

QLibraryChunk *QLibraryPlayListWgt::entryAt(int row) const
{
    if (row < 0 || row >= int(m_vecLibDatas.size()))
        return nullptr;
    return static_cast<QLibraryChunk *>(m_vecLibDatas[size_t(row)]);
}

QLibraryChunk *QLibraryPlayListWgt::entryOfIndex(const QModelIndex &index) const
{
    QLibraryChunk *entry = QLibraryModel::entryAt(index);
    return holds(entry) ? entry : nullptr;
}

QLibraryChunk *QLibraryPlayListWgt::entryOfId(quint64 id) const
{
    QLibraryChunk *entry = LibraryItemIds::itemOf<QLibraryChunk>(id);
    return holds(entry) ? entry : nullptr;
}

bool QLibraryPlayListWgt::holds(QLibraryChunk *entry) const
{
    return entry && std::find(m_vecLibDatas.begin(), m_vecLibDatas.end(), entry) != m_vecLibDatas.end();
}

void QLibraryPlayListWgt::SetTBViewCurrentIndex(int row)
{
    if (m_vecLibDatas.empty() || row < 0 || row >= m_pLibSortModel->rowCount())
        return;
    m_tbViewLibrary->selectRow(row);
    m_tbViewLibrary->setCurrentIndex(m_pLibSortModel->index(row, 0));
}

void QLibraryPlayListWgt::ReleaseDatas()
{
    std::vector<IBaseChunk *> entries;
    entries.swap(m_vecLibDatas);
    if (m_pLibModel)
        m_pLibModel->refresh();
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        delete *it;
    m_pPlayingLibChunk.clear();
}

void QLibraryPlayListWgt::OnCurrentChanged(const QModelIndex &index)
{
    if (QLibraryChunk *entry = QLibraryModel::entryAt(index))
        emit emitCurrentListChanged(entry->itemId());
}

void QLibraryPlayListWgt::OnAddNewList()
{
    QString name;
    for (qint64 n = 0;; ++n) {
        name = QStringLiteral("New PlayList_%1").arg(n, 2, 10, QLatin1Char('0'));
        const bool taken = std::any_of(m_vecLibDatas.begin(), m_vecLibDatas.end(), [&](IBaseChunk *e) {
            return QString::fromStdString(e->GetTitle()) == name;
        });
        if (!taken)
            break;
    }
    newEntry(name, QLibraryChunk::ListCustom, resource("/image/Library/icon_list.png"),
             resource("/image/Library/icon_playing.png"));
    const int current = m_tbViewLibrary->currentIndex().row();
    refreshModel();
    if (current >= 0)
        m_tbViewLibrary->selectRow(current);
    QVideoSettingXml::AppendPlayList(name);
    emit emitPlayListsModified();
}

void QLibraryPlayListWgt::OnAddNewList(const QModelIndex &index)
{
    if (index.isValid() && index.row() == RowPlayList && index.column() == 1)
        OnAddNewList();
}

void QLibraryPlayListWgt::OnActRenameList()
{
    const QModelIndex index = m_tbViewLibrary->indexAt(m_ptMenuPos);
    if (!index.isValid())
        return;
    m_tbViewLibrary->edit(index);
    emit emitPlayListsModified();
}

void QLibraryPlayListWgt::OnRename(const QModelIndex &index, QString newTitle)
{
    QLibraryChunk *entry = entryOfIndex(index);
    if (!entry || entry->GetListType() != QLibraryChunk::ListCustom || newTitle.isEmpty()
        || QFileNameRules::hasRefusedCharacter(newTitle))
        return;
    QString candidate = newTitle;
    int k = 1;
    for (bool clash = true; clash;) {
        clash = false;
        for (auto it = m_vecLibDatas.rbegin(); it != m_vecLibDatas.rend(); ++it) {
            if (QString::fromStdString((*it)->GetTitle()) != candidate)
                continue;
            if (*it == entry)
                break;
            candidate = QStringLiteral("%1(%2)").arg(newTitle).arg(k++);
            clash = true;
            break;
        }
    }
    const QString oldName = QString::fromStdString(entry->GetTitle());
    entry->SetTitle(candidate.toStdString());
    ChangeListName(oldName, candidate);
}

void QLibraryPlayListWgt::ChangeListName(const QString &oldName, const QString &newName)
{
    QVideoSettingXml::SetPlayListName(oldName, newName);
    emit emitChangePlayListName(oldName, newName);
    m_pLibSortModel->invalidate();
    emit emitPlayListsModified();
}

void QLibraryPlayListWgt::OnActDeleteList()
{
    QLibraryChunk *entry = nullptr;
    if (sender() == m_pActDelete) {
        entry = entryOfIndex(m_tbViewLibrary->indexAt(m_ptMenuPos));
        if (!entry)
            entry = entryOfIndex(m_tbViewLibrary->currentIndex());
    } else {
        entry = entryOfIndex(m_tbViewLibrary->currentIndex());
    }
    if (!entry || entry->GetListType() != QLibraryChunk::ListCustom)
        return;
    deleteList(entry);
}

void QLibraryPlayListWgt::deleteList(QLibraryChunk *entry)
{
    const int answer = QLibraryQuestions::askRemoveOrDelete(
        this, tr("Do you want to delete all files or just remove the \nlist?"));
    if (answer == 1)
        emit emitRemoveCurPlayList();
    else if (answer == 2)
        emit emitDeleteFilesOfCurList();
    else
        return;
    emit emitPlayListsModified();
    QVideoSettingXml::RemovePlayList(QString::fromStdString(entry->GetTitle()));
    if (entry == m_pPlayingLibChunk.get())
        m_pPlayingLibChunk.clear();
    auto it = std::find(m_vecLibDatas.begin(), m_vecLibDatas.end(), entry);
    const int row = int(it - m_vecLibDatas.begin());
    m_vecLibDatas.erase(it);
    refreshModel();
    delete entry;
    const int select = row - 1 < 5 ? int(RowAll) : row - 1;
    SetTBViewCurrentIndex(select);
}

void QLibraryPlayListWgt::OnActDeleteAllLists()
{
    if (!QLibraryQuestions::confirm(this, tr("Would you want to remove all play lists?")))
        return;
    emit emitRemoveAllPlayLists();
    std::vector<IBaseChunk *> removed;
    auto keep = std::stable_partition(m_vecLibDatas.begin(), m_vecLibDatas.end(), [](IBaseChunk *e) {
        return static_cast<QLibraryChunk *>(e)->GetListType() != QLibraryChunk::ListCustom;
    });
    removed.assign(keep, m_vecLibDatas.end());
    m_vecLibDatas.erase(keep, m_vecLibDatas.end());
    if (std::find(removed.begin(), removed.end(), m_pPlayingLibChunk.get()) != removed.end())
        m_pPlayingLibChunk.clear();
    emit emitPlayListsModified();
    refreshModel();
    for (IBaseChunk *e : removed)
        delete e;
    QVideoSettingXml::RemoveAllPlayLists();
    SetTBViewCurrentIndex(RowAll);
}

void QLibraryPlayListWgt::OnActPlayThisList()
{
    QLibraryChunk *entry = entryOfIndex(m_tbViewLibrary->indexAt(m_ptMenuPos));
    if (!entry || entry->GetAudioDatasList().empty())
        return;
    if (m_pPlayingLibChunk.get())
        m_pPlayingLibChunk.get()->SetIsPlaying(false);
    entry->SetIsPlaying(true);
    m_pPlayingLibChunk = entry;
    emit emitPlayingLibChunk(entry->itemId());
}

void QLibraryPlayListWgt::OnSetPlayingList(quint64 entryId)
{
    if (m_pPlayingLibChunk.get())
        m_pPlayingLibChunk.get()->SetIsPlaying(false);
    if (QLibraryChunk *entry = entryOfId(entryId)) {
        entry->SetIsPlaying(true);
        m_pPlayingLibChunk = entry;
    }
    m_pLibModel->refreshColumn(1);
}

void QLibraryPlayListWgt::OnFinishPlayList()
{
    if (!m_pPlayingLibChunk.get())
        return;
    m_pPlayingLibChunk.get()->SetIsPlaying(false);
    m_pPlayingLibChunk.clear();
    m_pLibSortModel->invalidate();
}

void QLibraryPlayListWgt::OnPlayOldList()
{
    if (m_pPlayingLibChunk.get() && !m_pPlayingLibChunk.get()->GetIsPlaying())
        m_pPlayingLibChunk.get()->SetIsPlaying(true);
}

QJXMenu *QLibraryPlayListWgt::menuFor(const QPoint &pt)
{
    m_ptMenuPos = pt;
    const QModelIndex index = m_tbViewLibrary->indexAt(pt);
    QLibraryChunk *entry = entryOfIndex(index);
    if (!entry) {
        if (index.isValid())
            return nullptr;
        m_pActPlay->setEnabled(false);
        m_pActRename->setEnabled(false);
        m_pActDelete->setEnabled(false);
        return m_pPlayListMenu;
    }
    if (!entry->getEnable())
        return nullptr;
    m_pActPlay->setEnabled(!m_bIsRecording && !entry->GetAudioDatasList().empty());
    m_pActRename->setEnabled(true);
    m_pActDelete->setEnabled(true);
    if (entry->GetListType() == QLibraryChunk::ListCustom)
        return m_pPlayListMenu;
    if (entry->GetListType() == QLibraryChunk::ListAll)
        return m_pFixedListMenu;
    return nullptr;
}

void QLibraryPlayListWgt::OnShowTableMenu(const QPoint &pt)
{
    if (QJXMenu *menu = menuFor(pt))
        menu->popup(QCursor::pos());
}

void QLibraryPlayListWgt::keyReleaseEvent(QKeyEvent *event)
{
    QJXWidget::keyReleaseEvent(event);
    if (event->key() == Qt::Key_Delete)
        OnActDeleteList();
}

bool QLibraryPlayListWgt::eventFilter(QObject *, QEvent *)
{
    return true;
}

void QLibraryPlayListWgt::resetControlLocation()
{
    m_tbViewLibrary->setGeometry(0, 0, width(), height());
}
