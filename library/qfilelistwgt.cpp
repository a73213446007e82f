#include "library/qfilelistwgt.h"

#include "common/qconverteroperate.h"
#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "library/librarylog.h"
#include "library/librarytexts.h"
#include "library/qaudiofilechunk.h"
#include "library/qaudiofiledelegate.h"
#include "library/qaudiofilemimedata.h"
#include "library/qaudiofilemodel.h"
#include "library/qaudiofilesortmodel.h"
#include "library/qaudiofiletableview.h"
#include "library/qaudiolistheader.h"
#include "library/qformatfilljob.h"
#include "library/qhistoryloadjob.h"
#include "library/qhistoryrepair.h"
#include "library/librarylog.h"
#include "library/qlibrarychunk.h"
#include "library/qlibraryquestions.h"
#include "library/qrecordingprobe.h"
#include "library/qrecordingrecoveryjob.h"
#include "widgetkit/qinitctrlstyle.h"
#include "widgetkit/qjxlineedit.h"
#include "widgetkit/qjxmenu.h"
#include "widgetkit/qjxscrollbar.h"
#include "widgetkit/views/qchunkcontrol.h"
#include "widgetkit/views/qdelegatecontrol.h"
#include "widgetkit/views/qfilereveal.h"
#include "widgetkit/views/qjxstylebutton.h"

#include <QAction>
#include <QCursor>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <unordered_map>
#include <utility>


QAudioFileChunk *QFileListWgt::asRow(IBaseChunk *item)
{
    return dynamic_cast<QAudioFileChunk *>(item);
}

QString QFileListWgt::resource(const char *name)
{
    return QIAnyUtil::getResourcePath() + QLatin1String(name);
}

QFileListWgt::QFileListWgt(QWidget *parent)
    : QJXWidget(parent, DlgPane)
{
    LibraryMetaTypes::registerAll();
    JXRecognizerAudioTagInfo::registerMetaType();
    qRegisterMetaType<VEAudioTagInfo>("VEAudioTagInfo");
    setObjectName(QStringLiteral("QFileListWgt"));
    resize(532, 390);
    setWindowTitle(QStringLiteral("Form"));
    m_tbViewFile = new QAudioFileTableView(this);
    m_tbViewFile->setDragEnabled(true);
    m_tbViewFile->setDragDropMode(QAbstractItemView::DragOnly);
    m_tbViewFile->setLibraryMembership(this);
    m_lblListInfo = new QLabel(QStringLiteral("TextLabel"), this);
    m_leSearch = new QJXLineEdit(this);
    InitCtrl();
    InitMenu();
    InitView();
    InitData();
    m_listConvertFiles.clear();
    setMouseTracking(true);
}

QFileListWgt::~QFileListWgt()
{
    // Master rows belong to the "All Recordings" entry's owner; the view
    // must let go of the model before the rows can go.
    m_tbViewFile->setModel(nullptr);
    // Rows still being made from the history never joined any list.
    m_joining.rows.clear();
    delete m_pDelegate;
    delete m_pSortModel;
    delete m_pAudioModel;
    delete m_pPlayControl;
    delete m_pOperateControl;
    delete m_pBtnPlay;
    delete m_pBtnPause;
    delete m_pBtnEdit;
    delete m_pBtnDelete;
    ReleaseMenu();
}

void QFileListWgt::InitCtrl()
{
    QInitCtrlStyle::InitFont(m_lblListInfo, 12);
    QInitCtrlStyle::InitPalette(m_lblListInfo, QPalette::WindowText, QColor(91, 91, 91));
    m_lblListInfo->setText(tr("0 Audios, 0 B, 0 Seconds"));
    m_lblListInfo->adjustSize();
    QInitCtrlStyle::InitSearchEdit(m_leSearch);
    m_leSearch->setPlaceholderText(tr("Search"));
    connect(m_leSearch, &QLineEdit::textChanged, this, &QFileListWgt::OnSearchTextChange);
    m_pHScrollBar = new QJXScrollBar(Qt::Horizontal, this);
    m_pVScrollBar = new QJXScrollBar(Qt::Vertical, this);
    for (QJXScrollBar *bar : {m_pHScrollBar, m_pVScrollBar}) {
        QInitCtrlStyle::InitJxScrollBar(bar);
        QJXScrollBarStyleAttribute attribute = bar->styleAttribute();
        attribute.extent = 12;
        bar->setStyleAttribute(attribute);
    }
}

void QFileListWgt::InitMenu()
{
    m_pTableMenu = new QJXMenu(this);
    m_pAddToListMenu = new QJXMenu(m_pTableMenu);
    QInitCtrlStyle::InitJxMenu(m_pTableMenu);
    QInitCtrlStyle::InitJxMenu(m_pAddToListMenu);
    m_pAddToListMenu->setTitle(QStringLiteral("Add to list"));
    const std::string shown = m_rows.currentEntry() ? m_rows.currentEntry()->GetTitle() : std::string();
    for (const QString &name : QVideoSettingXml::GetAllPlayLists()) {
        if (m_rows.currentEntry() && name.toStdString() == shown)
            continue;
        auto *action = new QAction(name, m_pAddToListMenu);
        action->setData(name);
        connect(action, &QAction::triggered, this, &QFileListWgt::OnActAddToList);
        m_pAddToListMenu->addAction(action);
        m_listAddToListActions << action;
    }
    m_pActPlay = new QAction(tr("Play"), this);
    m_pActRename = new QAction(tr("Rename"), this);
    m_pActDelete = new QAction(tr("Delete"), this);
    m_pActDeleteAll = new QAction(tr("Delete All"), this);
    m_pActOpenDir = new QAction(tr("Open File Location"), this);
    connect(m_pActPlay, &QAction::triggered, this, &QFileListWgt::OnActPlayPause);
    connect(m_pActRename, &QAction::triggered, this, &QFileListWgt::OnActRename);
    connect(m_pActDelete, &QAction::triggered, this, &QFileListWgt::OnActDeleteFile);
    connect(m_pActOpenDir, &QAction::triggered, this, &QFileListWgt::OnActOpenDir);
    connect(m_pActDeleteAll, &QAction::triggered, this, &QFileListWgt::OnActDeleteAllFiles);
    m_pTableMenu->addAction(m_pActPlay);
    m_pTableMenu->addAction(m_pActRename);
    m_pTableMenu->addSeparator();
    m_pTableMenu->addMenu(m_pAddToListMenu);
    m_pTableMenu->addAction(m_pActOpenDir);
    m_pTableMenu->addSeparator();
    m_pTableMenu->addAction(m_pActDelete);
    m_pTableMenu->addAction(m_pActDeleteAll);
}

void QFileListWgt::ReleaseMenu()
{
    qDeleteAll(m_listAddToListActions);
    m_listAddToListActions.clear();
    for (QAction *&action : {std::ref(m_pActPlay), std::ref(m_pActRename), std::ref(m_pActDelete),
                             std::ref(m_pActDeleteAll), std::ref(m_pActOpenDir)}) {
        delete action;
        action = nullptr;
    }
    delete m_pAddToListMenu;
    m_pAddToListMenu = nullptr;
    delete m_pTableMenu;
    m_pTableMenu = nullptr;
}

void QFileListWgt::InitView()
{
    m_pAudioModel = new QAudioFileModel;
    m_pAudioModel->setHeaderList({QString(), QStringLiteral("File Name"), QStringLiteral("Format"),
                                  QStringLiteral("Artist"), QStringLiteral("Album"),
                                  QStringLiteral("Duration"), QStringLiteral("Created Time"), QString()});
    m_pAudioModel->setDatas(&m_rows.shown());

    m_pSortModel = new QAudioFileSortModel(m_tbViewFile);
    m_pSortModel->setSourceModel(m_pAudioModel);
    m_pSortModel->setDynamicSortFilter(true);
    m_pSortModel->setFilterKeyColumn(-1);
    m_pSortModel->setItemBgColor(QColor(44, 44, 44), QColor(44, 44, 44));
    m_pSortModel->setHoverBgColor(QColor(52, 52, 52), QColor(250, 237, 237));
    m_pSortModel->setItemTextColor(QColor(250, 237, 237), QColor(250, 237, 237));
    m_tbViewFile->setModel(m_pSortModel);
    m_tbViewFile->setSourceModel(m_pAudioModel);
    m_tbViewFile->setSortModel(m_pSortModel);

    m_pDelegate = new QAudioFileDelegate(m_tbViewFile);
    m_pDelegate->setSelectedTextColor(QColor(250, 237, 237));
    m_pDelegate->setSelectedBackgroundColor(QColor(72, 68, 67));
    m_pDelegate->setBottomLineColor(QColor(20, 20, 20));
    connect(m_pDelegate, &QAudioFileDelegate::emitChangeName, this, &QFileListWgt::OnRenameFile);
    m_tbViewFile->setStyleDelegate(m_pDelegate);
    m_tbViewFile->setItemDelegate(m_pDelegate);

    // Play and Pause are kept for their clicks only: rows show their state
    // through the state column's picture.
    m_pPlayControl = new QDelegateControl(0);
    m_pBtnPlay = new QJXStyleButton;
    m_pBtnPlay->setToolTip(tr("Play"));
    m_pBtnPlay->setButtonImage(resource("/image/FileList/btn_play.png"));
    connect(m_pBtnPlay, &QJXStyleButton::emitClickIndex, this, &QFileListWgt::OnPlayItem);
    m_pBtnPause = new QJXStyleButton;
    m_pBtnPause->setToolTip(tr("Pause"));
    m_pBtnPause->setButtonImage(resource("/image/FileList/btn_pause.png"));
    connect(m_pBtnPause, &QJXStyleButton::emitClickIndex, this, &QFileListWgt::OnPauseItem);
    m_pPlayControl->addButton(m_pBtnPlay);
    m_pPlayControl->addButton(m_pBtnPause);
    m_pPlayControl->setDrawWidth(m_pBtnPause->width());
    m_pPlayControl->setDrawHeight(m_pBtnPause->height());
    m_pPlayControl->setHoverShow(false);

    m_pOperateControl = new QDelegateControl(7);
    m_pBtnEdit = new QJXStyleButton;
    m_pBtnEdit->setToolTip(tr("Edit"));
    m_pBtnEdit->setButtonImage(resource("/image/FileList/btn_edit.png"));
    m_pBtnDelete = new QJXStyleButton;
    m_pBtnDelete->setToolTip(tr("Delete"));
    m_pBtnDelete->setButtonImage(resource("/image/FileList/btn_delete.png"));
    connect(m_pBtnDelete, &QJXStyleButton::emitClickIndex, this, &QFileListWgt::OnDeleteItem);
    connect(m_pBtnEdit, &QJXStyleButton::emitClickIndex, this, &QFileListWgt::OnEditItem);
    m_pOperateControl->addButton(m_pBtnEdit);
    m_pOperateControl->addButton(m_pBtnDelete);
    m_pOperateControl->setDrawWidth(m_pBtnDelete->width());
    m_pOperateControl->setDrawHeight(m_pBtnDelete->height());
    m_pOperateControl->setDrawSpacing(12);
    m_pDelegate->addButtonWidget(m_pOperateControl);

    m_pHeader = new QAudioListHeader(Qt::Horizontal, this);
    m_pHeader->setMouseTracking(true);
    m_pHeader->setBackgroundImage(resource("/image/FileList/header_bg.png"));
    m_pHeader->setSlipImage(resource("/image/FileList/header_slip.png"));
    m_pHeader->setSelBackgroundImage(resource("/image/FileList/header_select_bg.png"));
    m_pHeader->setOrderFlagsImage(resource("/image/FileList/order_flag_up.png"));
    m_pHeader->setFixedHeight(26);
    m_pHeader->setTextColor(QColor(250, 237, 237));
    m_pHeader->setSectionsClickable(true);
    m_pHeader->setCheckVisable(false);
    m_pHeader->setStretchLastSection(true);
    m_pHeader->setFont(m_tbViewFile->font());
    m_tbViewFile->setHorizontalHeader(m_pHeader);
    m_pHeader->setDefaultSectionSize(25);

    const int widths[8] = {30, 180, 60, 60, 60, 60, 120, 60};
    for (int c = 0; c < 8; ++c)
        m_tbViewFile->setColumnWidth(c, widths[c]);
    m_tbViewFile->setTextElideMode(Qt::ElideRight);
    m_tbViewFile->setSortingEnabled(true);
    m_tbViewFile->sortByColumn(QAudioFileModel::ColumnCreated, Qt::DescendingOrder);
    m_pHeader->setSectionResizeMode(0, QHeaderView::Fixed);
    m_pHeader->setMinimumSectionSize(30);
    m_tbViewFile->verticalHeader()->setDefaultSectionSize(26);
    m_tbViewFile->verticalHeader()->hide();
    m_tbViewFile->setShowGrid(false);
    m_tbViewFile->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tbViewFile->setHorizontalScrollBar(m_pHScrollBar);
    m_tbViewFile->setVerticalScrollBar(m_pVScrollBar);
    m_tbViewFile->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_tbViewFile->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_tbViewFile->setEditTriggers(QAbstractItemView::SelectedClicked);
    m_tbViewFile->setStyleSheet(
        QStringLiteral("QTableView{border:none;background:%1;}").arg(QColor(44, 44, 44).name()));

    // The info line follows whatever the table shows.
    connect(m_pSortModel, &QAbstractItemModel::modelReset, this, &QFileListWgt::DisplayListInfo);
    connect(m_pSortModel, &QAbstractItemModel::rowsInserted, this, &QFileListWgt::DisplayListInfo);
    connect(m_pSortModel, &QAbstractItemModel::rowsRemoved, this, &QFileListWgt::DisplayListInfo);
    connect(m_tbViewFile, &QWidget::customContextMenuRequested, this, &QFileListWgt::OnShowTableMenu);
    connect(m_tbViewFile, &QAbstractItemView::doubleClicked, this, &QFileListWgt::OnPlayItem);
    connect(m_tbViewFile, &QAbstractItemView::clicked, this, &QFileListWgt::OnClickItem);
    connect(m_tbViewFile, &QAbstractItemView::entered, this, &QFileListWgt::OnHoverItem);
}

void QFileListWgt::InitData()
{
    m_listLoadedLists.clear();
    m_rows.all().clear();
    m_rows.shown().clear();
    AnalyXmlToList();
}

QAudioFileChunk *QFileListWgt::bareRow()
{
    // Worked out once: a large history makes many rows.
    static const auto icons = std::make_shared<const QAudioFileChunk::StateIcons>(QAudioFileChunk::StateIcons {
        resource("/image/FileList/icon_recording.png"), resource("/image/FileList/icon_playing.png"),
        resource("/image/FileList/icon_nofile.png")});
    auto *row = new QAudioFileChunk;
    row->setStateIcons(icons);
    return row;
}

QAudioFileChunk *QFileListWgt::newRow() const
{
    QAudioFileChunk *row = bareRow();
    AddControlToNewChunk(row);
    return row;
}

void QFileListWgt::AddControlToNewChunk(IBaseChunk *chunk) const
{
    if (!chunk || !m_pBtnPlay || !m_pBtnPause || !m_pBtnEdit || !m_pBtnDelete)
        return;
    chunk->getChunkControl()->addControl(m_pBtnEdit, controlTypeButton);
    chunk->getChunkControl()->addControl(m_pBtnDelete, controlTypeButton);
}

void QFileListWgt::AnalyXmlToList()
{
    // Recordings cut short by a crash are repaired on a worker and join the
    // table once whole; until then no row offers them, nor does the search
    // of the output folder below take them for lost ones.
    auto *recovery = new QRecordingRecoveryJob(this);
    connect(recovery, &QRecordingRecoveryJob::recovered, this, &QFileListWgt::OnRecordingsRecovered);
    const QList<QRecordingMarker::Entry> marked = QRecordingMarker::pending();
    for (const QRecordingMarker::Entry &e : marked)
        m_inRepair.insert(QFileInfo(e.info.convertedPath).absoluteFilePath());
    recovery->start(marked);
    // The history is read on a worker: the window shows at once, and the
    // rows join in one go when read (see OnHistoryLoaded).
    m_tbViewFile->setRowsComplete(false);
    m_historyJob = new QHistoryLoadJob(this);
    connect(m_historyJob, &QHistoryLoadJob::loaded, this, &QFileListWgt::OnHistoryLoaded);
    // Rows are made on the worker as records are read; their controls, which
    // name this widget's buttons, are added here.
    auto names = std::make_shared<RowListNames>();
    m_historyJob->start([inRepair = m_inRepair, names](const convertedInfo &info, qint64 bytes) -> IBaseChunk * {
        return takesRow(info, inRepair) ? recordRow(info, bytes, names.get()) : nullptr;
    });
    DisplayListInfo();
}

void QFileListWgt::OnHistoryLoaded()
{
    if (!m_historyJob)
        return;
    QHistoryLoadJob::Result loaded = m_historyJob->takeResult();
    m_historyJob->deleteLater();
    m_historyJob = nullptr;
    // The pass's changes go to the history as it is now: a recording saved
    // while it was read stays.
    if (!QVideoSettingXml::applyHistoryStartChanges(loaded.changes))
        qCWarning(lcLibrary, "History: the changes of the start-up pass could not be saved");
    QString outputFolder = QConverterOperate::getConverterPath();
    if (outputFolder.isEmpty())
        outputFolder = QVideoSettingXml::GetItemValue(QStringLiteral("OutPut_path"), QStringLiteral("path_value"),
                                                      QString());
    QList<convertedInfo> found;
    const auto listed = [&loaded] {
        QStringList paths = loaded.rowless;
        for (const std::unique_ptr<IBaseChunk> &item : loaded.rows)
            if (QAudioFileChunk *row = asRow(item.get()))
                paths << row->qtext(QRowTexts::FilePath);
        return paths;
    };
    const QString damage = QHistoryRepair::afterLoad(listed, found, outputFolder, m_inRepair);
    if (!damage.isEmpty())
        QTimer::singleShot(0, this, [this, damage] { QLibraryQuestions::tell(this, damage); });
    // Rows join the newest record first: those found again, then the read
    // ones from the end of the file.
    m_joining.rows.reserve(size_t(found.size()) + loaded.rows.size());
    for (int n = found.size() - 1; n >= 0; --n) {
        const convertedInfo &info = found.at(n);
        if (takesRow(info, m_inRepair))
            m_joining.rows.emplace_back(recordRow(info));
    }
    for (auto row = loaded.rows.rbegin(); row != loaded.rows.rend(); ++row)
        m_joining.rows.push_back(std::move(*row));
    m_joining.formatsToFill = std::move(loaded.formatsToFill);
    m_joining.next = 0;
    makeJoiningRows();
}

void QFileListWgt::makeJoiningRows()
{
    // A slice of rows per turn of the event loop: the window answers while
    // a large history's rows get their controls.
    constexpr size_t kRowsPerTurn = 2000;
    const size_t stop = std::min(m_joining.rows.size(), m_joining.next + kRowsPerTurn);
    for (; m_joining.next < stop; ++m_joining.next)
        AddControlToNewChunk(m_joining.rows[m_joining.next].get());
    if (m_joining.next < m_joining.rows.size()) {
        QTimer::singleShot(0, this, &QFileListWgt::makeJoiningRows);
        return;
    }
    joinHistoryRows();
}

void QFileListWgt::joinHistoryRows()
{
    // Rows made while the history was read (a recording started at once)
    // keep their place; their records are not added twice.
    QSet<QString> present;
    for (IBaseChunk *item : m_rows.all())
        if (QAudioFileChunk *row = asRow(item))
            present.insert(row->qtext(QRowTexts::FilePath));
    std::vector<IBaseChunk *> rows;
    rows.reserve(m_joining.rows.size() + m_rows.all().size());
    for (std::unique_ptr<IBaseChunk> &item : m_joining.rows) {
        QAudioFileChunk *row = asRow(item.get());
        // A record already shown goes with the joining list below.
        if (present.isEmpty() || !row || !present.contains(row->qtext(QRowTexts::FilePath)))
            rows.push_back(item.release());
    }
    // Read from the files once the rows are painted (see paintEvent).
    m_formatsToFill = std::move(m_joining.formatsToFill);
    m_joining = Joining();
    rows.insert(rows.end(), m_rows.all().begin(), m_rows.all().end());
    m_rows.all() = std::move(rows);
    m_historyLoaded = true;
    m_tbViewFile->setRowsComplete(true);
    QLibraryChunk *entry = m_rows.currentEntry();
    if (entry && !showingAllRecordings()) {
        // A playlist chosen while the history was read is made again with its rows.
        m_bListsChanged = true;
        OnChangeList(entry->itemId());
    } else {
        showJoinedRows();
    }
    emit emitHistoryLoaded();
}

void QFileListWgt::showJoinedRows()
{
    const std::vector<IBaseChunk *> before = m_rows.shown();
    syncAllEntry();
    m_bListsChanged = true;
    if (m_rows.currentEntry())
        m_rows.shown() = m_rows.currentEntry()->GetAudioDatasList();
    else
        m_rows.shown() = m_rows.all();
    announceShownRows(before);
    DisplayListInfo();
}

void QFileListWgt::announceShownRows(const std::vector<IBaseChunk *> &before)
{
    const std::vector<IBaseChunk *> &now = m_rows.shown();
    // A reset would sort and lay out the whole table again and drop the
    // selection; rows that join take their sorted places alone. Into an empty
    // table (the read history joining) one reset sorts them all at once.
    if (!before.empty() && now.size() > before.size() && std::equal(before.begin(), before.end(), now.begin()))
        m_pAudioModel->insertRefreshLastRows(int(now.size() - before.size()));
    else
        m_pAudioModel->refresh();
}

void QFileListWgt::refreshShownRow(IBaseChunk *row)
{
    const std::vector<IBaseChunk *> &shown = m_rows.shown();
    const auto at = std::find(shown.begin(), shown.end(), row);
    if (at != shown.end())
        m_pAudioModel->refeshRow(int(at - shown.begin()));
}

QAudioFileChunk *QFileListWgt::rowOfRecord(const convertedInfo &info, qint64 bytes) const
{
    QAudioFileChunk *row = recordRow(info, bytes);
    AddControlToNewChunk(row);
    return row;
}

bool QFileListWgt::takesRow(const convertedInfo &info, const QSet<QString> &inRepair)
{
    return !info.videoFile
           && (inRepair.isEmpty() || !inRepair.contains(QFileInfo(info.convertedPath).absoluteFilePath()));
}

QAudioFileChunk *QFileListWgt::recordRow(const convertedInfo &info, qint64 bytes, RowListNames *shared)
{
    QAudioFileChunk *row = bareRow();
    row->setFromRecord(info);
    row->SetFileBytes(std::max<qint64>(0, bytes < 0 ? LibraryTexts::fileBytes(info.convertedPath) : bytes));
    const auto made = shared ? shared->constFind(info.listNames) : RowListNames::const_iterator();
    if (shared && made != shared->cend()) {
        row->SetListsBelong(made.value());
        return row;
    }
    QList<std::string> names;
    names.reserve(info.listNames.size());
    for (const QString &name : info.listNames)
        names << name.toStdString();
    if (shared)
        shared->insert(info.listNames, names);
    row->SetListsBelong(std::move(names));
    return row;
}

void QFileListWgt::OnFormatsFilled(const QList<QPair<QString, QString>> &formats)
{
    if (formats.isEmpty())
        return;
    std::unordered_multimap<std::string, QAudioFileChunk *> rowsByPath;
    for (IBaseChunk *item : m_rows.all())
        if (QAudioFileChunk *row = asRow(item))
            rowsByPath.emplace(row->GetFilePath(), row);
    for (const auto &[path, format] : formats) {
        const auto [first, last] = rowsByPath.equal_range(path.toStdString());
        for (auto it = first; it != last; ++it)
            it->second->SetFileFormat(format.toStdString());
        if (!QVideoSettingXml::changeConvertedInfoValue(path, QStringLiteral("Format_"), format))
            qCWarning(lcLibrary) << "cannot store the format of" << path << "in the history";
    }
    m_pAudioModel->refresh();
}

void QFileListWgt::OnRecordingsRecovered(const QList<convertedInfo> &records)
{
    QStringList paths;
    for (const convertedInfo &info : records) {
        const qint64 bytes = info.videoFile ? -1 : LibraryTexts::fileBytes(info.convertedPath);
        if (bytes < 0)
            continue;
        m_rows.all().push_back(rowOfRecord(info, bytes));
        paths << info.convertedPath;
    }
    if (paths.isEmpty())
        return;
    showJoinedRows();
    QStringList names;
    for (const QString &path : paths)
        names << QFileInfo(path).fileName();
    QLibraryQuestions::inform(this, paths.size() == 1
                                        ? tr("A recording that was cut short was repaired and added to the "
                                             "library: %1.").arg(names.first())
                                        : tr("%1 recordings that were cut short were repaired and added to the "
                                             "library: %2.").arg(paths.size()).arg(names.join(QStringLiteral(", "))));
    emit emitRecoveredRecordings(paths);
}

// ---- Master list ----

QAudioFileChunk *QFileListWgt::masterOf(const QAudioFileChunk *row) const
{
    if (!row)
        return nullptr;
    // Two recordings may share a file name in different folders.
    const std::string_view path = row->textView(QRowTexts::FilePath);
    for (IBaseChunk *item : m_rows.all()) {
        QAudioFileChunk *master = asRow(item);
        if (master && master->textView(QRowTexts::FilePath) == path)
            return master;
    }
    return nullptr;
}

void QFileListWgt::SetDeletedChunkInAllDatas(const QAudioFileChunk *row, bool deleted)
{
    if (QAudioFileChunk *master = masterOf(row)) {
        master->setIsDeleted(deleted);
        master->SetAudioState(deleted ? QAudioFileChunk::AudioNoFile : QAudioFileChunk::AudioNormal);
    }
}

void QFileListWgt::SetChunkNewAdd(const QAudioFileChunk *row, bool isNew)
{
    if (QAudioFileChunk *master = masterOf(row))
        master->setNewAdd(isNew);
}

void QFileListWgt::SetControlAttrOfPlayingChunk(bool bPlay)
{
    if (!m_pBtnPlay || !m_pBtnPause || !m_rows.playingRow())
        return;
    QChunkControl *controls = m_rows.playingRow()->getChunkControl();
    if (ControlAttribute *play = controls->getControlAttribute(m_pBtnPlay))
        play->hidden = bPlay;
    if (ControlAttribute *pause = controls->getControlAttribute(m_pBtnPause))
        pause->hidden = !bPlay;
}

void QFileListWgt::ReleaseDatas()
{
    std::vector<IBaseChunk *> rows;
    rows.swap(m_rows.all());
    m_rows.shown().clear();
    m_pAudioModel->refresh();
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        delete *it;
}

bool QFileListWgt::holdsRow(quint64 id) const
{
    return m_rows.rowOfId(id) != nullptr;
}

bool QFileListWgt::shownEntryIs(const QString &title) const
{
    return m_rows.currentEntry() && m_rows.currentEntry()->GetTitle() == title.toStdString();
}

bool QFileListWgt::showingAllRecordings() const
{
    return m_rows.currentEntry() && m_rows.currentEntry()->GetListType() == QLibraryChunk::ListAll
           && shownEntryIs(tr("All Recordings"));
}

void QFileListWgt::refreshShownList()
{
    std::vector<IBaseChunk *> rows = m_rows.currentEntry() ? m_rows.currentEntry()->GetAudioDatasList() : m_rows.shown();
    // The same rows need no new sort, only a repaint.
    if (rows == m_rows.shown()) {
        m_tbViewFile->viewport()->update();
        return;
    }
    m_rows.shown() = std::move(rows);
    m_pAudioModel->refresh();
}

void QFileListWgt::DisplayListInfo()
{
    if (!m_historyLoaded) {
        m_lblListInfo->setText(tr("Loading recordings..."));
        m_lblListInfo->adjustSize();
        return;
    }
    qint64 bytes = 0;
    qint64 seconds = 0;
    const int rows = m_pSortModel->rowCount();
    const std::vector<IBaseChunk *> &shown = m_rows.shown();
    for (int r = 0; r < rows; ++r) {
        const int source = m_pSortModel->mapToSource(m_pSortModel->index(r, 0)).row();
        QAudioFileChunk *row =
            source >= 0 && size_t(source) < shown.size() ? asRow(shown[size_t(source)]) : nullptr;
        if (!row)
            continue;
        // Bytes as read from the disk: the size texts come in two kinds.
        bytes += row->GetFileBytes();
        seconds += row->playSeconds();
    }
    m_lblListInfo->setText(QString::number(rows) + tr(" Audios, ") + LibraryTexts::sizeText(bytes)
                           + QStringLiteral(", ") + LibraryTexts::timeText(seconds));
    m_lblListInfo->adjustSize();
}

QStringList QFileListWgt::playablePathsInViewOrder() const
{
    QStringList paths;
    for (int r = 0; r < m_pSortModel->rowCount(); ++r) {
        QAudioFileChunk *row = QAudioFileModel::rowItem(m_pSortModel->index(r, 0));
        if (row && row->GetAudioState() == QAudioFileChunk::AudioNormal)
            paths << row->qtext(QRowTexts::FilePath);
    }
    return paths;
}

// ---- Switching the shown list ----

void QFileListWgt::OnChangeList(quint64 entryId)
{
    // Only a live entry: a signal may name one that is gone.
    QLibraryChunk *entry = LibraryItemIds::itemOf<QLibraryChunk>(entryId);
    if (!entry)
        return;
    m_leSearch->clear();
    m_rows.setCurrentEntry(entry);
    if (m_bListsChanged) {
        m_listLoadedLists.clear();
        m_bListsChanged = false;
    }
    const std::string title = entry->GetTitle();
    if (!m_listLoadedLists.contains(title)) {
        QString playingPath;
        QAudioFileChunk::AudioState playingState = QAudioFileChunk::AudioNormal;
        // Kept as an id: a purge below may take the row.
        LibraryItemRef<QAudioFileChunk> playingRow;
        if (entry == m_rows.playingEntry() && m_rows.playingRow()) {
            playingPath = QString::fromStdString(m_rows.playingRow()->GetFilePath());
            playingState = m_rows.playingRow()->GetAudioState();
            playingRow = m_rows.playingRow();
            m_rows.setPlayingRow(nullptr);
        }
        m_listLoadedLists.append(title);
        const bool allEntry =
            entry->GetListType() == QLibraryChunk::ListAll && title == tr("All Recordings").toStdString();
        std::vector<IBaseChunk *> purged;
        std::vector<IBaseChunk *> kept;
        if (allEntry) {
            for (IBaseChunk *item : m_rows.all()) {
                QAudioFileChunk *row = asRow(item);
                const int state = row ? row->GetAudioState() : 0;
                if (row && row->isDeleted() && (state < 1 || state > 3))
                    purged.push_back(item);
                else
                    kept.push_back(item);
            }
        }
        // The model lets go of the rows before any of them goes. When
        // "All Recordings" loses none, it keeps them, sorted as they are:
        // a large library is not sorted twice at start.
        if (!m_rows.shown().empty() && (!allEntry || !purged.empty())) {
            m_rows.shown().clear();
            m_pAudioModel->refresh();
        }
        // Copies for an entry; the playing file keeps its state in the copy.
        auto copyInto = [&](QAudioFileChunk *master) {
            auto *copy = new QAudioFileChunk(master);
            AddControlToNewChunk(copy);
            entry->AddAudioChunk(copy);
            if (entry == m_rows.playingEntry() && !playingPath.isEmpty()
                && copy->qtext(QRowTexts::FilePath) == playingPath) {
                copy->SetAudioState(playingState);
                m_rows.setPlayingRow(copy);
            }
        };
        if (allEntry) {
            m_rows.all() = std::move(kept);
            m_rows.syncAllEntry();
            for (IBaseChunk *item : purged) {
                QVideoSettingXml::removeConvertedInfo(QString::fromStdString(asRow(item)->GetFilePath()));
                m_rows.forgetRow(item);
                delete item;
            }
            if (playingRow.get() && entry == m_rows.playingEntry())
                m_rows.setPlayingRow(playingRow.get());
            m_rows.setAllEntry(entry);
            syncAllEntry();
        } else if (entry->GetListType() == QLibraryChunk::ListAll) {
            entry->ClearAudioDatasList();
            for (IBaseChunk *item : m_rows.all()) {
                QAudioFileChunk *row = asRow(item);
                if (row && row->isNewAdd() && row->GetAudioState() != QAudioFileChunk::AudioRecording
                    && row->GetAudioState() != QAudioFileChunk::AudioNoFile)
                    copyInto(row);
            }
        } else if (entry->GetListType() == QLibraryChunk::ListCustom) {
            entry->ClearAudioDatasList();
            for (IBaseChunk *item : m_rows.all()) {
                QAudioFileChunk *row = asRow(item);
                if (row && row->GetListNamePos(title) >= 0
                    && row->GetAudioState() != QAudioFileChunk::AudioNoFile)
                    copyInto(row);
            }
        }
    }
    refreshShownList();
    DisplayListInfo();
}

// ---- Playing ----

void QFileListWgt::OnSetPlayingLibChunk(quint64 entryId)
{
    QLibraryChunk *entry = LibraryItemIds::itemOf<QLibraryChunk>(entryId);
    if (!entry)
        return;
    if (entry == m_rows.playingEntry() && m_rows.playingRow()) {
        if (m_rows.playingRow()->GetAudioState() == QAudioFileChunk::AudioPause) {
            m_rows.playingRow()->SetAudioState(QAudioFileChunk::AudioPlaying);
            emit emitPlayOrPause(true);
            emit emitPlayOrRecord(true);
            m_pHeader->viewport()->update();
        }
        return;
    }
    if (entry->GetAudioDatasList().empty())
        return;
    // The play list is what the table shows; with nothing playable shown,
    // nothing is played.
    const QStringList list = playablePathsInViewOrder();
    if (list.isEmpty())
        return;
    m_rows.setPlayingEntry(entry);
    OnChangPlayingFile(list.first());
    emit emitPlayFilePathList(list);
    emit emitPlayingFilePath(list.first());
    emit emitPlayOrPause(true);
    emit emitPlayOrRecord(true);
}

void QFileListWgt::OnChangPlayingFile(QString playingFilePath)
{
    if (!m_rows.playingEntry() || !QFileInfo::exists(playingFilePath))
        return;
    const std::vector<IBaseChunk *> rows = m_rows.playingEntry()->GetAudioDatasList();
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        QAudioFileChunk *row = asRow(*it);
        if (!row || row->qtext(QRowTexts::FilePath) != playingFilePath)
            continue;
        if (m_rows.playingRow() && m_rows.playingRow() != row)
            m_rows.playingRow()->SetAudioState(QAudioFileChunk::AudioNormal);
        row->SetAudioState(QAudioFileChunk::AudioPlaying);
        m_rows.setPlayingRow(row);
        emit emitPlayingList(m_rows.playingEntry()->itemId());
        break;
    }
    m_pSortModel->invalidate();
}

void QFileListWgt::OnSetPlayOrPauseState(bool bPlay)
{
    if (!m_rows.playingRow())
        return;
    m_pHeader->viewport()->update();
    m_rows.playingRow()->SetAudioState(bPlay ? QAudioFileChunk::AudioPlaying : QAudioFileChunk::AudioPause);
    m_pAudioModel->refreshColumn(0);
}

void QFileListWgt::OnFinishPlayList()
{
    if (!m_rows.playingRow())
        return;
    m_rows.playingRow()->SetAudioState(QAudioFileChunk::AudioNormal);
    m_rows.setPlayingRow(nullptr);
    m_pSortModel->invalidate();
}

void QFileListWgt::OnPlayItem(const QModelIndex &index)
{
    if (m_rows.shown().empty() || !m_rows.currentEntry() || m_rows.recordingRow())
        return;
    QAudioFileChunk *item = QAudioFileModel::rowItem(index);
    if (!item || item->isDeleted() || !QFileInfo::exists(item->qtext(QRowTexts::FilePath)))
        return;
    if (m_rows.currentEntry() != m_rows.playingEntry()) {
        emit emitPlayFilePathList(playablePathsInViewOrder());
        m_rows.setPlayingEntry(m_rows.currentEntry());
    }
    emit emitPlayingList(m_rows.playingEntry()->itemId());
    const QAudioFileChunk::AudioState state = item->GetAudioState();
    if (state == QAudioFileChunk::AudioRecording || state == QAudioFileChunk::AudioNoFile)
        return;
    bool play = true;
    if (item != m_rows.playingRow()) {
        if (m_rows.playingRow())
            m_rows.playingRow()->SetAudioState(QAudioFileChunk::AudioNormal);
        item->SetAudioState(QAudioFileChunk::AudioPlaying);
        m_rows.setPlayingRow(item);
        emit emitPlayingFilePath(item->qtext(QRowTexts::FilePath));
    } else if (state == QAudioFileChunk::AudioPlaying) {
        item->SetAudioState(QAudioFileChunk::AudioPause);
        play = false;
    } else if (state == QAudioFileChunk::AudioPause) {
        item->SetAudioState(QAudioFileChunk::AudioPlaying);
    } else {
        emit emitPlayOrRecord(true);
        m_pAudioModel->refreshColumn(0);
        m_tbViewFile->selectRow(index.row());
        return;
    }
    emit emitPlayOrPause(play);
    emit emitPlayOrRecord(true);
    m_pAudioModel->refreshColumn(0);
    m_tbViewFile->selectRow(index.row());
}

void QFileListWgt::OnPauseItem(const QModelIndex &index)
{
    QAudioFileChunk *item = QAudioFileModel::rowItem(index);
    if (!item)
        return;
    if (item == m_rows.playingRow()) {
        item->SetAudioState(QAudioFileChunk::AudioPause);
        emit emitPlayOrPause(false);
    }
    m_pAudioModel->refreshColumn(0);
}

void QFileListWgt::OnActPlayPause()
{
    OnPlayItem(m_tbViewFile->indexAt(m_ptMenuPos));
}

// ---- Clicks, hover, search ----

void QFileListWgt::setButtonHidden(IBaseChunk *row, QJXStyleButton *button, bool hidden)
{
    if (!row || !button)
        return;
    if (ControlAttribute *attribute = row->getChunkControl()->getControlAttribute(button))
        attribute->hidden = hidden;
}

void QFileListWgt::OnClickItem(const QModelIndex &index)
{
    QAudioFileChunk *item = QAudioFileModel::rowItem(index);
    if (!item || item == m_rows.recordingRow() || !item->getEnable())
        return;
    const bool exists = QFileInfo::exists(item->qtext(QRowTexts::FilePath));
    item->setIsDeleted(!exists);
    if (!exists) {
        item->setEnable(false);
        item->SetAudioState(QAudioFileChunk::AudioNoFile);
        m_bListsChanged = true;
        setButtonHidden(item, m_pBtnEdit, true);
        SetDeletedChunkInAllDatas(item, true);
    } else if (item->GetAudioState() == QAudioFileChunk::AudioNoFile) {
        item->setEnable(true);
        item->SetAudioState(QAudioFileChunk::AudioNormal);
        m_bListsChanged = false;
        setButtonHidden(item, m_pBtnEdit, false);
        SetDeletedChunkInAllDatas(item, false);
    }
    m_pAudioModel->refeshRow(m_pSortModel->mapToSource(index).row());
}

void QFileListWgt::OnHoverItem(const QModelIndex &index)
{
    QAudioFileChunk *item = QAudioFileModel::rowItem(index);
    if (!item || item == m_rows.recordingRow() || item->GetAudioState() == QAudioFileChunk::AudioNoFile)
        return;
    setButtonHidden(item, m_pBtnEdit, m_rows.recordingRow() != nullptr);
}

void QFileListWgt::OnSearchTextChange(QString str)
{
    // The text is looked for as it is typed, never read as a pattern.
    m_pSortModel->setFilterRegExp(QRegExp(str, Qt::CaseInsensitive, QRegExp::FixedString));
    DisplayListInfo();
}

// ---- Context menu ----

void QFileListWgt::OnPlayListsModified()
{
    m_bPlayListsModified = true;
}

QJXMenu *QFileListWgt::prepareTableMenu(const QPoint &pt)
{
    if (m_bPlayListsModified) {
        ReleaseMenu();
        InitMenu();
        m_bPlayListsModified = false;
    }
    m_ptMenuPos = pt;
    const QModelIndex index = m_tbViewFile->indexAt(pt);
    const bool onRow = index.isValid();
    m_pActPlay->setEnabled(onRow && !m_rows.recordingRow());
    m_pActRename->setEnabled(onRow);
    m_pActDelete->setEnabled(onRow);
    m_pActOpenDir->setEnabled(onRow);
    m_pAddToListMenu->setEnabled(onRow);
    m_pActDeleteAll->setEnabled(true);
    if (onRow) {
        m_tbViewFile->updateRow(index.row());
        QAudioFileChunk *item = QAudioFileModel::rowItem(index);
        if (!item || !item->getEnable() || item == m_rows.recordingRow())
            return nullptr;
        if (item != m_rows.playingRow() || item->GetAudioState() == QAudioFileChunk::AudioPause)
            m_pActPlay->setText(tr("Play"));
        else if (item->GetAudioState() == QAudioFileChunk::AudioPlaying)
            m_pActPlay->setText(tr("Pause"));
    }
    return m_pTableMenu;
}

void QFileListWgt::OnShowTableMenu(const QPoint &pt)
{
    if (QJXMenu *menu = prepareTableMenu(pt))
        menu->popup(QCursor::pos());
}

void QFileListWgt::OnActRename()
{
    const QModelIndex index = m_tbViewFile->indexAt(m_ptMenuPos);
    if (!index.isValid())
        return;
    const QModelIndex name = m_pSortModel->index(index.row(), QAudioFileModel::ColumnName);
    if (name.isValid())
        m_tbViewFile->edit(name);
}

void QFileListWgt::OnActOpenDir()
{
    QAudioFileChunk *item = QAudioFileModel::rowItem(m_tbViewFile->indexAt(m_ptMenuPos));
    if (item)
        QFileReveal::reveal(item->qtext(QRowTexts::FilePath));
}

// ---- Layout and events ----

void QFileListWgt::resetControlLocation()
{
    const int band = 25;
    m_tbViewFile->setGeometry(0, 0, width(), qMax(0, height() - band));
    const int top = height() - band;
    m_lblListInfo->move(15, top + (band - m_lblListInfo->height()) / 2);
    m_leSearch->move(width() - 15 - m_leSearch->width(), top + (band - m_leSearch->height()) / 2 + 2);
    ResetColumesWidth();
}

void QFileListWgt::ResetColumesWidth()
{
    const int u = width() / 25;
    int widths[7] = {u, 6 * u, 2 * u + 5, 2 * u, 5 * u, 3 * u, 4 * u};
    // Every header shows its whole title; what that takes comes out of the
    // album column, then the name column, while their own titles still fit.
    int extra = 0;
    for (int c = 2; c < 7; ++c) {
        const int need = m_pHeader->sectionTextWidth(c);
        if (widths[c] < need) {
            extra += need - widths[c];
            widths[c] = need;
        }
    }
    for (int c : {int(QAudioFileModel::ColumnAlbum), int(QAudioFileModel::ColumnName)}) {
        const int spare = qMax(0, widths[c] - m_pHeader->sectionTextWidth(c));
        const int taken = qMin(spare, extra);
        widths[c] -= taken;
        extra -= taken;
    }
    for (int c = 0; c < 7; ++c)
        m_tbViewFile->setColumnWidth(c, widths[c]);
}

void QFileListWgt::paintEvent(QPaintEvent *event)
{
    QJXWidget::paintEvent(event);
    if (!m_formatsToFill.isEmpty()) {
        // Once this paint pass is over, the table's rows included.
        QTimer::singleShot(0, this, [this, paths = std::exchange(m_formatsToFill, {})] {
            auto *job = new QFormatFillJob(this);
            connect(job, &QFormatFillJob::filled, this, &QFileListWgt::OnFormatsFilled);
            connect(job, &QFormatFillJob::finished, job, &QObject::deleteLater);
            job->start(paths);
        });
    }
    QPainter painter(this);
    painter.fillRect(QRect(m_tbViewFile->x(), m_tbViewFile->geometry().bottom() + 1,
                           width() - m_tbViewFile->x(), 25),
                     QColor(13, 13, 13));
}

void QFileListWgt::focusInEvent(QFocusEvent *event)
{
    QJXWidget::focusInEvent(event);
    m_pAudioModel->refresh();
}

void QFileListWgt::keyReleaseEvent(QKeyEvent *event)
{
    QJXWidget::keyReleaseEvent(event);
    if (event->key() == Qt::Key_Delete)
        OnActDeleteFile();
}

// ---- Texts ----

qint64 QFileListWgt::ChangeSizeToNumber(const QString &text)
{
    return LibraryTexts::sizeFromText(text);
}

qint64 QFileListWgt::ChangeTimeToSeconds(const QString &text)
{
    return LibraryTexts::secondsFromText(text);
}

QString QFileListWgt::GetSizeStr(qint64 bytes)
{
    return LibraryTexts::sizeText(bytes);
}

QString QFileListWgt::GetTimeStr(qint64 seconds)
{
    return LibraryTexts::timeText(seconds);
}
