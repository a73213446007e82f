#include "library/qfilelistwgt.h"

#include "common/qianyutil.h"
#include "editor/qvideoeditingdlg.h"
#include "library/librarymetatypes.h"
#include "library/qaudiofiledelegate.h"
#include "library/qaudiofilemodel.h"
#include "library/qaudiofilesortmodel.h"
#include "library/qaudiofiletableview.h"
#include "library/qaudiolistheader.h"
#include "library/qlibrarydeletion.h"
#include "library/qlibraryediting.h"
#include "library/qlibraryloader.h"
#include "library/qlibraryplayback.h"
#include "library/qlibraryrenaming.h"
#include "library/qlibrarytablecontroller.h"
#include "library/qlibrarytablemenu.h"
#include "library/qplaylistmembership.h"
#include "library/qrecordingrows.h"
#include "media/jxrecognizeraudiotaginfo.h"
#include "media/veaudiotaginfo.h"
#include "widgetkit/qinitctrlstyle.h"
#include "widgetkit/qjxlineedit.h"
#include "widgetkit/qjxscrollbar.h"
#include "widgetkit/views/qjxstylebutton.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>

namespace {
QString resource(const char *name)
{
    return QIAnyUtil::getResourcePath() + QLatin1String(name);
}
} // namespace

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
    m_tbViewFile->setLibraryMembership(&m_rows);
    m_lblListInfo = new QLabel(QStringLiteral("TextLabel"), this);
    m_leSearch = new QJXLineEdit(this);
    InitCtrl();
    InitView();
    InitHeader();

    m_controller = new QLibraryTableController(m_rows, m_controls, m_tbViewFile, m_pSortModel, m_lblListInfo,
                                               m_leSearch, this);
    m_menu = new QLibraryTableMenu(m_rows, m_tbViewFile, this, this);
    m_loader = new QLibraryLoader(m_rows, m_controls, this, this);
    m_recordings = new QRecordingRows(m_rows, m_controls, this, this);
    m_deletion = new QLibraryDeletion(m_rows, m_tbViewFile, this, this);
    m_membership = new QPlaylistMembership(m_rows, m_tbViewFile, this);
    m_playback = new QLibraryPlayback(m_rows, m_tbViewFile, m_pSortModel, this);
    m_editing = new QLibraryEditing(m_rows, m_controls, m_tbViewFile, m_pSortModel, this, this);
    m_renaming = new QLibraryRenaming(m_rows, this);
    connectParts();

    // The history is read on a worker: the window shows at once, and the
    // rows join in one go when read.
    m_tbViewFile->setRowsComplete(false);
    m_loader->start();
    m_controller->DisplayListInfo();
    setMouseTracking(true);
}

QFileListWgt::~QFileListWgt()
{
    // The parts go while the rows they act on are still here; the view lets
    // go of the model before the model goes.
    delete m_loader;
    delete m_editing;
    delete m_menu;
    for (QObject *part : std::initializer_list<QObject *>{m_controller, m_recordings, m_deletion,
                                                          m_membership, m_playback, m_renaming})
        delete part;
    m_tbViewFile->setModel(nullptr);
    delete m_pDelegate;
    delete m_pSortModel;
    m_rows.setModel(nullptr);
    m_pAudioModel.reset();
}

void QFileListWgt::InitCtrl()
{
    QInitCtrlStyle::InitFont(m_lblListInfo, 12);
    QInitCtrlStyle::InitPalette(m_lblListInfo, QPalette::WindowText, QColor(91, 91, 91));
    m_lblListInfo->setText(tr("0 Audios, 0 B, 0 Seconds"));
    m_lblListInfo->adjustSize();
    QInitCtrlStyle::InitSearchEdit(m_leSearch);
    m_leSearch->setPlaceholderText(tr("Search"));
    m_pHScrollBar = new QJXScrollBar(Qt::Horizontal, this);
    m_pVScrollBar = new QJXScrollBar(Qt::Vertical, this);
    for (QJXScrollBar *bar : {m_pHScrollBar, m_pVScrollBar}) {
        QInitCtrlStyle::InitJxScrollBar(bar);
        QJXScrollBarStyleAttribute attribute = bar->styleAttribute();
        attribute.extent = 12;
        bar->setStyleAttribute(attribute);
    }
}

void QFileListWgt::InitView()
{
    m_pAudioModel = std::make_unique<QAudioFileModel>();
    m_pAudioModel->setHeaderList({QString(), QStringLiteral("File Name"), QStringLiteral("Format"),
                                  QStringLiteral("Artist"), QStringLiteral("Album"),
                                  QStringLiteral("Duration"), QStringLiteral("Created Time"), QString()});
    m_rows.setModel(m_pAudioModel.get());

    m_pSortModel = new QAudioFileSortModel(m_tbViewFile);
    m_pSortModel->setSourceModel(m_pAudioModel.get());
    m_pSortModel->setDynamicSortFilter(true);
    m_pSortModel->setFilterKeyColumn(-1);
    m_pSortModel->setItemBgColor(QColor(44, 44, 44), QColor(44, 44, 44));
    m_pSortModel->setHoverBgColor(QColor(52, 52, 52), QColor(250, 237, 237));
    m_pSortModel->setItemTextColor(QColor(250, 237, 237), QColor(250, 237, 237));
    m_tbViewFile->setModel(m_pSortModel);
    m_tbViewFile->setSourceModel(m_pAudioModel.get());
    m_tbViewFile->setSortModel(m_pSortModel);

    m_pDelegate = new QAudioFileDelegate(m_tbViewFile);
    m_pDelegate->setSelectedTextColor(QColor(250, 237, 237));
    m_pDelegate->setSelectedBackgroundColor(QColor(72, 68, 67));
    m_pDelegate->setBottomLineColor(QColor(20, 20, 20));
    m_pDelegate->addButtonWidget(m_controls.operateControl());
    m_tbViewFile->setStyleDelegate(m_pDelegate);
    m_tbViewFile->setItemDelegate(m_pDelegate);
}

void QFileListWgt::InitHeader()
{
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
    // The rows are kept in this order from the start: the header only shows it.
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
}

void QFileListWgt::connectParts()
{
    // The rows' own controls and the view.
    connect(m_controls.playButton(), &QJXStyleButton::emitClickIndex, m_playback,
            &QLibraryPlayback::OnPlayItem);
    connect(m_controls.pauseButton(), &QJXStyleButton::emitClickIndex, m_playback,
            &QLibraryPlayback::OnPauseItem);
    connect(m_controls.deleteButton(), &QJXStyleButton::emitClickIndex, m_deletion,
            &QLibraryDeletion::OnDeleteItem);
    connect(m_controls.editButton(), &QJXStyleButton::emitClickIndex, m_editing, &QLibraryEditing::OnEditItem);
    connect(m_tbViewFile, &QAbstractItemView::doubleClicked, m_playback, &QLibraryPlayback::OnPlayItem);
    connect(m_pDelegate, &QAudioFileDelegate::emitChangeName, m_renaming, &QLibraryRenaming::OnRenameFile);

    // The context menu.
    connect(m_menu, &QLibraryTableMenu::playRequested, m_playback, &QLibraryPlayback::OnPlayItem);
    connect(m_menu, &QLibraryTableMenu::addToListRequested, m_membership,
            &QPlaylistMembership::OnAddSelectedToList);
    connect(m_menu, &QLibraryTableMenu::deleteRequested, m_deletion, &QLibraryDeletion::OnActDeleteFile);
    connect(m_menu, &QLibraryTableMenu::deleteAllRequested, m_deletion, &QLibraryDeletion::OnActDeleteAllFiles);

    // What the edit dialog produced: its tags, the segments it kept (while
    // the dialog's row is still the edited one).
    connect(m_editing, &QLibraryEditing::emitAudioTagChange, m_renaming, &QLibraryRenaming::OnAudioTagChange,
            Qt::DirectConnection);
    connect(m_editing, &QLibraryEditing::filesKept, m_recordings, &QRecordingRows::addFinishedFiles,
            Qt::DirectConnection);

    // The running recording's rows paint apart; the history joining.
    connect(m_recordings, &QRecordingRows::recordingChanged, this, [this](bool running) {
        m_pDelegate->SetIsRecording(running);
        // The playing row is painted apart while a recording runs.
        m_tbViewFile->viewport()->update();
    });
    connect(m_loader, &QLibraryLoader::historyJoined, m_controller, &QLibraryTableController::OnHistoryJoined);
    connect(m_loader, &QLibraryLoader::historyJoined, this, [this] { m_tbViewFile->setRowsComplete(true); });
    connect(m_loader, &QLibraryLoader::rowsJoined, m_controller, &QLibraryTableController::OnRowsJoined);
}

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
    m_loader->afterPaint();
    // Once the rows are painted, the editor's pictures are decoded on a
    // worker: opening it then builds its controls only.
    if (m_loader->historyLoaded())
        QVideoEditingDlg::preparePictures();
    QPainter painter(this);
    painter.fillRect(
        QRect(m_tbViewFile->x(), m_tbViewFile->geometry().bottom() + 1, width() - m_tbViewFile->x(), 25),
        QColor(13, 13, 13));
}

void QFileListWgt::focusInEvent(QFocusEvent *event)
{
    QJXWidget::focusInEvent(event);
    // The cells are read from the rows as they are painted: a repaint shows
    // them as they are now.
    m_tbViewFile->viewport()->update();
}

void QFileListWgt::keyReleaseEvent(QKeyEvent *event)
{
    QJXWidget::keyReleaseEvent(event);
    if (event->key() == Qt::Key_Delete)
        m_deletion->OnActDeleteFile();
}
