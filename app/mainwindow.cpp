#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/applog.h"
#include "app/qinitproject.h"
#include "app/qservernotice.h"
#include "common/historywriter.h"
#include "common/qconverteroperate.h"
#include "common/qconvertersetting.h"
#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "controls/qaudioschedulesettingdlg.h"
#include "controls/qplaycontrolwgt.h"
#include "controls/qrecordingwidget.h"
#include "controls/qscheduletime.h"
#include "controls/qtimeoptions.h"
#include "controls/selectrecordinputwgt.h"
#include "convert/qformatdlg.h"
#include "library/libraryconnections.h"
#include "library/qfilelistwgt.h"
#include "library/qlibraryplayback.h"
#include "library/qlibraryplaylistwgt.h"
#include "library/qrecordingrows.h"
#include "recorder/qrecordareainfo.h"
#include "recorder/qrecordaudioobject.h"
#include "recorder/qrecordobject.h"
#include "rzcodec/frame.h"
#include "rzcodec/module.h"
#include "rzcodec/setup.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxmessagebox.h"
#include "widgetkit/qjxpicturecache.h"
#include "widgetkit/qkitfonts.h"
#include "widgetkit/qprojectconfig.h"
#include "widgetkit/qwindowcompositing.h"
#include "widgetkit/qwindowplacement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDebug>
#include <QGuiApplication>
#include <QScreen>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QTimer>
#include <QtEndian>

#include <cstring>
#include <utility>

namespace {

const QString kTitle = QStringLiteral("Velmora Audio Recorder");
const QString kScheduleOff = QStringLiteral("/image/btn_schedule_off.png");
const QString kScheduleOn = QStringLiteral("/image/btn_schedule_on.png");
constexpr uint64_t kDayMicroseconds = 86400000000ULL;
// Level blocks: a 44-byte header whose bytes 40..43 give the sample bytes after it.
constexpr int kLevelHeader = 44;

QString resource(const QString &relative)
{
    return QIAnyUtil::getResourcePath() + relative;
}

QString scheduleTipText(qint64 seconds)
{
    return QObject::tr("%1s later, Velmora will start recording.").arg(seconds);
}

// The pictures the window first draws are decoded on workers while it is
// built, begun before its base class sets up the fonts: the GUI thread finds
// them decoded, or decodes what a worker has not begun. Not shown yet, the
// window draws at the primary screen's ratio.
QWidget *prefetchingStartPictures(QWidget *parent)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    QJXPictureCache::prefetch(MainWindow::startPictures(screen ? screen->devicePixelRatio() : 1.0));
    return parent;
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QJXMainWindow(prefetchingStartPictures(parent), DlgMainWindow)
    , ui(new Ui::MainWindow)
    , m_clock([] { return QDateTime::currentDateTime(); })
{
    // The message boxes take the application's font, as it is before the
    // window sets its own.
    QInitProject::InitProject(this);
    InitLook();
    // The library starts reading the history as it is made: first of the
    // window, so that the read goes on while the rest is made. The panes
    // stand above the form's central widget, as when they were made after it.
    InitLibraryPanes();
    ui->setupUi(this);
    m_libraryList->raise();
    m_fileList->raise();
    Init();
    setGlobalFunction();
    connect(&HistoryWriter::instance(), &HistoryWriter::writeFailed, this, &MainWindow::OnHistoryWriteFailed,
            Qt::QueuedConnection);
    // The rest comes in the next turn of the event loop, before the window
    // is first painted: no single turn builds the whole window.
    QTimer::singleShot(0, this, &MainWindow::InitCtrl);
}

MainWindow::~MainWindow()
{
    // Before any pane goes: the table completes the recording's row.
    finishRecordingBeforeClosing();
    QInitProject::releseProject();
    delete m_fileList;
    m_fileList = nullptr;
    delete m_libraryList;
    m_libraryList = nullptr;
    if (m_formatDlg) {
        QFormatDlg::releaseFormatWgt();
        m_formatDlg = nullptr;
    }
    // The input selector gives the previous output back when it goes.
    delete m_selectInput;
    m_selectInput = nullptr;
    delete m_recordObject;
    m_recordObject = nullptr;
    delete m_playControl;
    m_playControl = nullptr;
    delete m_btnCancelSchedule;
    m_btnCancelSchedule = nullptr;
    delete m_recordingWgt;
    m_recordingWgt = nullptr;
    delete m_scheduleTip;
    m_scheduleTip = nullptr;
    delete m_serverNotice;
    m_serverNotice = nullptr;
    delete ui;
}

// ---- construction --------------------------------------------------------------

// The font and text colour every pane takes from the window.
void MainWindow::InitLook()
{
    QKitFonts::ensureSubstitutions();
    QFont windowFont = font();
    windowFont.setFamily(QStringLiteral("Tahoma"));
    windowFont.setPixelSize(13);
    setFont(windowFont);
    QPalette pal = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setBrush(group, QPalette::WindowText, QColor(250, 237, 237));
    setPalette(pal);
}

void MainWindow::Init()
{
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint);
    setMouseTracking(true);
    ui->centralWidget->setMouseTracking(true);
    setAttribute(Qt::WA_TranslucentBackground);

    setTransparentW(8);
    setStretchPolicy(StretchAll);
    const QJXPictureCache::Wanted background = backgroundPicture(devicePixelRatioF());
    setBackgroundImage(background.path, true, int(background.devicePixelRatio));
    setDlgTitle(kTitle);
    setWindowTitle(kTitle);
    setTitleRect(QRect(0, 8, 0, 0));
    setAlignment(Qt::AlignCenter);
    InitLogInfo();
    InitAppInfo();

    QString defaultFolder = QIAnyUtil::getDocumentPath() + QStringLiteral("/Converted/");
    if (!QFileInfo(defaultFolder).isDir())
        QDir().mkdir(defaultFolder);
    defaultFolder.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QConverterOperate::setDefaultOutPath(defaultFolder);
    SetOutPath(QVideoSettingXml::GetItemValue(QStringLiteral("OutPut_path"), QStringLiteral("path_value"),
                                              defaultFolder, QString()));

    QConverterSetting::InitSetting();
    // Recordings need the resolved format from the start; the dialog (many
    // pictures) is made when first asked for.
    QFormatDlg::InitSetting();
    QConverterSetting::m_attributeSetting = QConverterSetting::m_audioSetting;

    m_scheduleTimer = new QTimer(this);
    connect(m_scheduleTimer, &QTimer::timeout, this, &MainWindow::OnTimer);
}

QJXPictureCache::Wanted MainWindow::backgroundPicture(qreal screenRatio)
{
    // At the screen's resolution: the single-resolution copy decodes in a
    // quarter of the time and is drawn without scaling.
    if (screenRatio > 1.0)
        return {resource(QStringLiteral("/image/background.png")), 2};
    return {resource(QStringLiteral("/image/background_1x.png")), 1};
}

QVector<QJXPictureCache::Wanted> MainWindow::startPictures() const
{
    return startPictures(devicePixelRatioF());
}

QVector<QJXPictureCache::Wanted> MainWindow::startPictures(qreal screenRatio)
{
    // The largest first: the window's own background is drawn from it.
    QVector<QJXPictureCache::Wanted> pictures{backgroundPicture(screenRatio)};
    const auto add = [&pictures](qreal ratio, std::initializer_list<const char *> names) {
        for (const char *name : names)
            pictures.append({resource(QLatin1String(name)), ratio});
    };
    // Title bar and band: the recording buttons, the input selector's button.
    add(2, {"/image/btn_start_record.png", "/image/btn_schedule_off.png", "/image/btn_format.png",
            "/image/btn_cut.png", "/image/btn_close.png", "/image/btn_min.png", "/image/btn_max.png",
            "/image/btn_device_system.png"});
    // The recordings table: its rows' buttons and the search field.
    add(2, {"/image/FileList/btn_play.png", "/image/FileList/btn_pause.png", "/image/FileList/btn_edit.png",
            "/image/FileList/btn_delete.png", "/image/common/search.png"});
    // The library panel.
    add(2, {"/image/Library/btn_add.png"});
    add(1, {"/image/Library/icon_list_big.png", "/image/Library/icon_list.png"});
    // The recording pane's background (the playback bar's too) and volume
    // button, and what the sliders and the microphone list keep from the
    // start, shown or not.
    add(2, {"/image/common/bg_gradual.png", "/image/BottomWidget/btn_volume_little.png",
            "/image/slider_bottom.png", "/image/slider_top.png", "/image/BottomWidget/slider_play_bottom.png",
            "/image/BottomWidget/slider_play_top.png", "/image/common/cmb_common.png"});
    return pictures;
}

void MainWindow::InitCtrl()
{
    if (m_bCtrlReady)
        return;
    InitBandPanes();
    InitButtons();
    InitMenu();
    m_bCtrlReady = true;
    resetControlLocation();
    emit controlsReady();
}

void MainWindow::InitLibraryPanes()
{
    // The table starts reading the history as it is made: before the panel.
    m_fileList = new QFileListWgt(this);
    m_libraryList = new QLibraryPlayListWgt(this);
    LibraryConnections::connectPanelAndTable(m_libraryList, m_fileList);
    connect(m_fileList->playback(), &QLibraryPlayback::emitPlayOrRecord, this, &MainWindow::OnChangeBottomWgt);
    m_libraryList->SetTBViewCurrentIndex(QLibraryPlayListWgt::RowAll);
}

void MainWindow::InitBandPanes()
{
    // Creating the selector makes the loop-back device the default output.
    m_selectInput = new SelectRecordInputWgt(this);
    m_selectInput->show();

    m_playControl = new QPlayControlWgt(this);
    m_playControl->hide();
    LibraryConnections::connectTableAndPlayBar(m_fileList, m_playControl, m_libraryList);

    m_recordingWgt = new QRecordingWidget(this);
    m_recordingWgt->setBackgrounColor(QColor(50, 50, 50));
    m_recordingWgt->show();
    connect(m_recordingWgt, &QRecordingWidget::emitSplitSilence, this, &MainWindow::OnCutRecord);
    connect(m_recordingWgt, &QRecordingWidget::emitIsRecordingAlwaysSilence, m_fileList->recordings(),
            &QRecordingRows::OnSetRecordingIsSilent);
    connect(m_recordingWgt, &QRecordingWidget::emitVolumeChange, m_selectInput,
            &SelectRecordInputWgt::OnRecorderVolumeChange);
    connect(m_selectInput, &SelectRecordInputWgt::emitSetVolumeValue, m_recordingWgt,
            &QRecordingWidget::OnSetVolume);

    m_serverNotice = new QServerNotice(this);
    connect(m_selectInput, &SelectRecordInputWgt::emitServerReachable, this, &MainWindow::OnServerReachable);
}

void MainWindow::OnServerReachable(bool reachable)
{
    // Start stays: it tries the server itself, and says why when it cannot record.
    m_serverNotice->setVisible(!reachable);
    m_serverNotice->raise();
}

void MainWindow::InitButtons()
{
    initButton(ui->m_btnClose, QStringLiteral("/image/btn_close.png"), QString());
    initButton(ui->m_btnMin, QStringLiteral("/image/btn_min.png"), QString());
    initButton(ui->m_btnMax, QStringLiteral("/image/btn_max.png"), QString());
    initButton(ui->m_btnRestore, QStringLiteral("/image/btn_restore.png"), QString());
    ui->m_btnRestore->hide();
    // The title-bar buttons show pictures only: names for assistive technology.
    ui->m_btnClose->setAccessibleName(tr("Close"));
    ui->m_btnMin->setAccessibleName(tr("Minimize"));
    ui->m_btnMax->setAccessibleName(tr("Maximize"));
    ui->m_btnRestore->setAccessibleName(tr("Restore"));
    ui->m_btnMenu->hide();
    connect(ui->m_btnClose, &QAbstractButton::clicked, this, &MainWindow::OnClose);
    connect(ui->m_btnMin, &QAbstractButton::clicked, this, &MainWindow::OnShowMin);
    connect(ui->m_btnMax, &QAbstractButton::clicked, this, &MainWindow::OnShowMax);
    connect(ui->m_btnRestore, &QAbstractButton::clicked, this, &MainWindow::OnShowRestored);

    initButton(ui->m_btnFormat, QStringLiteral("/image/btn_format.png"), tr("Format"));
    connect(ui->m_btnFormat, &QAbstractButton::clicked, this, &MainWindow::OnFormatDlg);
    setScheduleImage(kScheduleOff);
    ui->m_btnSchedule->setToolTip(tr("Schedule"));
    ui->m_btnSchedule->installEventFilter(this);
    initButton(ui->m_btnStartRecord, QStringLiteral("/image/btn_start_record.png"), tr("Start Recording"));
    initButton(ui->m_btnStopRecord, QStringLiteral("/image/btn_stop_record.png"), tr("Stop Recording"));
    ui->m_btnStopRecord->hide();
    initButton(ui->m_btnCut, QStringLiteral("/image/btn_cut.png"), tr("Cut Recording"));
    ui->m_btnCut->setEnabled(false);
    connect(ui->m_btnSchedule, &QAbstractButton::clicked, this, &MainWindow::OnShowScheduleDlg);
    connect(ui->m_btnStartRecord, &QAbstractButton::clicked, this, &MainWindow::OnBtnStart);
    connect(ui->m_btnStopRecord, &QAbstractButton::clicked, this, [this] { OnBtnStop(true); });
    connect(ui->m_btnCut, &QAbstractButton::clicked, this, &MainWindow::OnCutRecord);

    m_btnCancelSchedule = new QJXBaseButton(ui->m_btnSchedule);
    initButton(m_btnCancelSchedule, QStringLiteral("/image/btn_schedule_cancel.png"), QString());
    m_btnCancelSchedule->hide();
    connect(m_btnCancelSchedule, &QAbstractButton::clicked, this, &MainWindow::OnBtnCancelSchedule);
}

void MainWindow::InitScheduleTip()
{
    if (m_scheduleTip)
        return;
    m_scheduleTip = new QJXMessageBox(nullptr);
    m_scheduleTip->setMessageIcon(QJXMessageBox::Warning);
    m_scheduleTip->setButtonStyle(QJXMessageBox::OkButton);
    m_scheduleTip->setMessage(scheduleTipText(60));
    m_scheduleTip->hide();
    connect(m_scheduleTip, &QDialog::finished, this, &MainWindow::OnCloseScheduleTip);
}

void MainWindow::initButton(QJXBaseButton *button, const QString &image, const QString &toolTip)
{
    button->setButtonImage(resource(image), true);
    if (!toolTip.isEmpty())
        button->setToolTip(toolTip);
}

void MainWindow::setScheduleImage(const QString &image)
{
    m_scheduleImage = image;
    ui->m_btnSchedule->setButtonImage(resource(image), true);
}

namespace {

// Runs where the codec layer is loaded, before any other call into it goes on.
void configureCodecLayer()
{
    rz_setup_log(1, 1);
    rz_setup_log(0, 1);
    rz_setup_log_sink(forwardCodecLine);
    rz_setup_decoding(0, 1);
    rz_setup_hardware(0);
    rz_setup_network(0);
    rz_setup_work_folder(QIAnyUtil::getAppDataPath().toUtf8().constData());
    const uint32_t formats[] = {RZ_PIXFMT_YUV420P, RZ_PIXFMT_BGRA};
    rz_setup_frame_formats(formats, 2);
}

} // namespace

void MainWindow::setGlobalFunction()
{
    rz_module_set_init(configureCodecLayer);
}

void MainWindow::SetOutPath(const QString &path)
{
    QConverterOperate::setConverterPath(path);
    QVideoSettingXml::SetItemValue(QStringLiteral("OutPut_path"), QStringLiteral("path_value"), path, QString());
}

void MainWindow::setClock(Clock clock)
{
    m_clock = clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); });
}

// ---- layout and window events ------------------------------------------------------

void MainWindow::resetControlLocation()
{
    if (!m_bCtrlReady)
        return;
    const int W = width();
    const int H = height();
    ui->m_btnClose->move(13, 13);
    ui->m_btnMin->move(33, 13);
    ui->m_btnMax->move(53, 13);
    ui->m_btnRestore->move(53, 13);
    ui->m_btnMenu->move(88, 13);
    ui->m_btnMenu->hide();

    m_libraryList->setGeometry(QRect(QPoint(10, 30), QPoint(182, H - 89)));
    const int L = m_libraryList->width();
    const int B = m_libraryList->geometry().bottom();
    m_fileList->setGeometry(QRect(QPoint(183, 30), QPoint(W - 10, B)));
    const int right = m_fileList->x();

    QJXBaseButton *format = ui->m_btnFormat;
    QJXBaseButton *schedule = ui->m_btnSchedule;
    const int g1 = (L - 2 * format->width()) / 3;
    const int leftY = B + (80 - format->height()) / 2;
    format->move(g1 + 8, leftY);
    schedule->move(format->x() + format->width() - 1 + g1, leftY);
    m_btnCancelSchedule->move(schedule->width() - m_btnCancelSchedule->width(), 0);

    QJXBaseButton *cut = ui->m_btnCut;
    QJXBaseButton *start = ui->m_btnStartRecord;
    const int g2 = (L + 13 - cut->width() - start->width() - m_selectInput->width()) / 4;
    const auto bandY = [B](int height) { return B + 1 + (80 - height) / 2; };
    cut->move(W - 8 - cut->width() - g2, bandY(cut->height()));
    start->move(cut->x() - g2 - start->width(), bandY(start->height()));
    ui->m_btnStopRecord->move(start->x(), bandY(start->height()));
    m_selectInput->move(start->x() - g2 - m_selectInput->width(), bandY(m_selectInput->height()));

    const QRect bottom(QPoint(right, B + 1), QPoint(m_selectInput->x() - g2 - 1, B + 80));
    m_recordingWgt->setGeometry(bottom);
    m_playControl->setGeometry(bottom);
    m_serverNotice->setGeometry(bottom);
}

void MainWindow::OnShowMin()
{
    showMinimized();
}

void MainWindow::OnShowMax()
{
    QBaseDrawWidget::OnBtnMax();
    showMaxOrRestore();
}

void MainWindow::OnShowRestored()
{
    QBaseDrawWidget::OnBtnMax();
    showMaxOrRestore();
}

void MainWindow::showMaxOrRestore()
{
    const bool max = isMaxSize();
    ui->m_btnMax->setVisible(!max);
    ui->m_btnRestore->setVisible(max);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    finishRecordingBeforeClosing();
    QJXMainWindow::closeEvent(event);
}

void MainWindow::finishRecordingBeforeClosing()
{
    if (m_bRecording)
        OnBtnStop(true);
    // The window goes: the file is completed now, and its row with it.
    if (m_recordObject)
        m_recordObject->waitForFinish();
}

void MainWindow::OnTerminationRequested()
{
    m_terminating = true;
    finishRecordingBeforeClosing();
    hide();
    QCoreApplication::quit();
}

void MainWindow::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QPoint pos = event->localPos().toPoint();
    const QRect titleStrip(QPoint(8, 8), QPoint(width() - 9, 29));
    if (event->button() == Qt::RightButton || !titleStrip.contains(pos))
        return;
    QWidget::mouseDoubleClickEvent(event);
    QBaseDrawWidget::mouseDoubleClickEvent(event);
    showMaxOrRestore();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->m_btnSchedule && m_btnCancelSchedule) {
        if (event->type() == QEvent::Leave) {
            if (m_btnCancelSchedule->isVisible())
                m_btnCancelSchedule->hide();
            return false;
        }
        if (event->type() == QEvent::Enter) {
            if (m_bScheduleSet && ui->m_btnSchedule->isEnabled())
                m_btnCancelSchedule->show();
            return false;
        }
    }
    return QJXMainWindow::eventFilter(watched, event);
}

void MainWindow::OnChangeBottomWgt(bool bPlay)
{
    if (!m_playControl || !m_recordingWgt)
        return;
    m_playControl->setVisible(bPlay);
    m_recordingWgt->setVisible(!bPlay);
}

void MainWindow::centreDialog(QDialog &dialog)
{
    if (windowFlags() & Qt::WindowStaysOnTopHint)
        dialog.setWindowFlags(dialog.windowFlags() | Qt::WindowStaysOnTopHint);
    CenterDlg(dialog);
}

void MainWindow::OnFormatDlg()
{
    // Made once, on first use; each opening shows the stored choice again.
    if (!m_formatDlg)
        m_formatDlg = QFormatDlg::getFormatWidget(nullptr);
    centreDialog(*m_formatDlg);
    m_formatDlg->showFormat(false);
    // The dialog applies the chosen format itself.
    m_formatDlg->exec();
}

// ---- recording -------------------------------------------------------------------

void MainWindow::SetCtrlState(bool recording)
{
    ui->m_btnStartRecord->setVisible(!recording);
    ui->m_btnStopRecord->setVisible(recording);
    ui->m_btnCut->setEnabled(recording);
    ui->m_btnFormat->setEnabled(!recording);
    ui->m_btnSchedule->setEnabled(!recording);
    if (m_libraryList)
        m_libraryList->SetIsRecording(recording);
    if (m_selectInput)
        m_selectInput->OnSetCtrlEnabled(!recording);
}

QString MainWindow::getRecordOutpath()
{
    QString folder = QConverterOperate::getConverterPath();
    if (!QFileInfo(folder).isDir())
        QDir().mkpath(folder);
    // A folder stored without its trailing separator still takes the file.
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    const QString stem = QStringLiteral("REC_") + m_clock().toString(QStringLiteral("yyyyMMddhhmmsszzz"));
    const QString extension = QConverterSetting::m_attributeSetting
                                  ? QConverterSetting::m_attributeSetting->extension
                                  : QString();
    QString path = QString(folder + stem + QLatin1Char('.') + extension).replace(QStringLiteral("//"), QStringLiteral("/"));
    for (int counter = 1; QFileInfo::exists(path); ++counter)
        path = QString(folder + QStringLiteral("%1(%2).%3").arg(stem).arg(counter).arg(extension))
                   .replace(QStringLiteral("//"), QStringLiteral("/"));
    return path;
}

void MainWindow::OnBtnStart()
{
    const QRecordAreaInfo *options = QRecordAreaInfo::getAreaInfo();
    if (options->getScheduleAble() && options->getScheduleStartTime() != options->getScheduleEndTime())
        CancelSchedule();
    SetCtrlState(true);
    m_recordingSince = m_clock();
    if (m_playControl && m_recordingWgt) {
        m_playControl->hide();
        m_recordingWgt->show();
    }
    if (m_fileList)
        m_fileList->playback()->OnSetPlayOrPauseState(false);
    if (m_playControl)
        m_playControl->OnPlayOrPause(false);
    OnStartRecord();
}

void MainWindow::CreateRecordObject()
{
    m_recordObject = new QRecordObject(this);
    if (m_fileList) {
        // Emitted on the capture thread: queued to the table, which shows
        // the name planned for the file; the recording object writes the
        // tags and gives the name once the file is complete. System sound
        // only: a recognised song names the recording, never the voice of
        // the microphone.
        connect(m_recordObject->m_track1, &QRecordAudioObject::emitRecognizedAudioTagInfo,
                m_fileList->recordings(), &QRecordingRows::OnSetRecordingTagInfo);
        connect(m_recordObject, &QRecordObject::emitTagsNotWritten, m_fileList->recordings(),
                &QRecordingRows::OnRecordingTagsNotWritten);
    }
    if (m_recordingWgt)
        connect(m_recordObject, &QRecordObject::emitRecordTime, m_recordingWgt, &QRecordingWidget::OnSetRecordTime);
    // The recording object reuses the block's room for the next one.
    connect(m_recordObject, &QRecordObject::emitAudioData, this, &MainWindow::OnRecordLevelBlock,
            Qt::DirectConnection);
    connect(m_recordObject, &QRecordObject::emitRecordTime, this, &MainWindow::OnRecordTimeOperate);
    connect(m_recordObject, &QRecordObject::emitRecordError, this, &MainWindow::OnRecordError);
    connect(m_recordObject, &QRecordObject::emitRecordingCompleted, this, &MainWindow::OnRecordingCompleted);
}

void MainWindow::OnRecordError(const QString &message)
{
    // The recording object has stored the file already; the row and the
    // controls follow as after Stop. A failure found by a stop itself comes
    // when they have already, perhaps with the next recording of a cut running.
    if (m_bRecording && !(m_recordObject && m_recordObject->isRecording()))
        OnBtnStop(true);
    QJXMessageBox::ShowMessage(this, message, QString(), QJXMessageBox::NoIcon,
                               QJXMessageBox::OkButton);
}

void MainWindow::OnHistoryWriteFailed(const QString &path, const QString &reason)
{
    showHistoryFailure(path, reason, tr("It is saved again with the next change."));
}

bool MainWindow::waitForLibraryAtExit()
{
    finishRecordingBeforeClosing();
    QString reason;
    if (QVideoSettingXml::waitForHistory(&reason))
        return true;
    const QString path = QVideoSettingXml::historyFilePath();
    qCCritical(lcApp).noquote() << "The recordings library's last changes are lost:" << path << reason;
    showHistoryFailure(path, reason, tr("Its latest changes are lost."));
    return false;
}

void MainWindow::showHistoryFailure(const QString &path, const QString &reason, const QString &consequence)
{
    // The writes that fail while the message shows would say the same. Asked
    // to end, the program shows nothing that waits for a click: the writer
    // has logged the reason already.
    if (m_historyFailureShown || m_terminating)
        return;
    m_historyFailureShown = true;
    const QString message = tr("The recordings library could not be saved: %1 %2.\n%3")
                                .arg(QDir::toNativeSeparators(path), reason, consequence);
    QJXMessageBox::ShowMessage(this, message, QString(), QJXMessageBox::NoIcon, QJXMessageBox::OkButton);
    m_historyFailureShown = false;
}

void MainWindow::OnRecordLevelBlock(unsigned char *samples, int sps)
{
    if (!samples) {
        m_levelBlock.clear();
        if (m_recordingWgt)
            m_recordingWgt->OnSetAudioData(nullptr, sps);
        return;
    }
    const quint32 bytes = qFromLittleEndian<quint32>(samples + 40);
    // Blocks come 20 times a second, all of one size: the copy reuses the
    // room of the last one.
    const int size = kLevelHeader + int(bytes);
    if (m_levelBlock.size() != size)
        m_levelBlock.resize(size);
    std::memcpy(m_levelBlock.data(), samples, size_t(size));
    if (m_recordingWgt)
        m_recordingWgt->OnSetAudioData(reinterpret_cast<unsigned char *>(m_levelBlock.data()), sps);
}

void MainWindow::OnStartRecord()
{
    m_bRecording = true;
    if (!m_recordObject)
        CreateRecordObject();
    // Named by the moment asked for: a cut's next file holds the sound from
    // then on, however long the last file takes to complete.
    const QString path = getRecordOutpath();
    if (m_recordObject->isFinishing()) {
        // The recorder is free once the last file is complete; a cut's
        // sources keep what they take for it meanwhile.
        m_pathAfterFinish = path;
        return;
    }
    startRecordingInto(path);
}

void MainWindow::startRecordingInto(const QString &path)
{
    if (m_recordObject->startRecorder(path, 100.0f, false)) {
        if (m_recordingWgt)
            m_recordingWgt->SetRecordState(true);
        if (m_fileList) {
            m_fileList->recordings()->AddAudioFile(path, true);
            // Silent until the panel hears sound.
            m_fileList->recordings()->OnSetRecordingIsSilent(true);
        }
        return;
    }
    // The reason goes with the message: a program started from a menu has no other place to say it.
    QString message = tr("Recording failed!");
    if (!m_recordObject->errorString().isEmpty())
        message += QLatin1Char('\n') + m_recordObject->errorString();
    OnBtnStop(false);
    QJXMessageBox::ShowMessage(this, message, QString(), QJXMessageBox::NoIcon, QJXMessageBox::OkButton);
}

void MainWindow::OnBtnStop(bool bSuccess)
{
    SetCtrlState(false);
    OnStopRecord(bSuccess);
    switchStoredScheduleOff();
}

void MainWindow::switchStoredScheduleOff()
{
    // No dialog is built for it: that alone took a stop 10 ms or more.
    QTimeOptions::switchScheduleOff();
}

void MainWindow::OnStopRecord(bool bSuccess)
{
    finishRecording(bSuccess, QRecordObject::StopSources);
}

void MainWindow::finishRecording(bool bSuccess, QRecordObject::SourcesAfterStop sources)
{
    // A start still waiting for the last file is dropped by a stop.
    m_pathAfterFinish.clear();
    if (m_recordObject)
        m_recordObject->stopRecorder(sources);
    m_bRecording = false;
    if (m_recordingWgt)
        m_recordingWgt->SetRecordState(false);
    if (m_recordObject && m_recordObject->isFinishing()) {
        // The row follows once the file is complete.
        m_rowWaitsForFinish = true;
        m_keepFinishedRow = bSuccess;
        return;
    }
    convertedInfo info;
    if (m_recordObject && m_fileList)
        m_recordObject->getConvertedInfo(info);
    completeRecordingRow(info, bSuccess && QFileInfo::exists(info.convertedPath));
}

void MainWindow::completeRecordingRow(const convertedInfo &info, bool keep, qint64 fileBytes)
{
    // A file gone with its folder leaves no row behind.
    if (m_recordObject && m_fileList)
        m_fileList->recordings()->SupplyRecordingChunkInfo(convertedInfo(info), keep, fileBytes);
    if (m_libraryList)
        m_libraryList->SetTBViewCurrentIndex(QLibraryPlayListWgt::RowAll);
}

void MainWindow::OnRecordingCompleted(const convertedInfo &info, bool fileKept, qint64 fileBytes)
{
    if (!m_rowWaitsForFinish)
        return;
    m_rowWaitsForFinish = false;
    completeRecordingRow(info, m_keepFinishedRow && fileKept, fileBytes);
    if (!m_pathAfterFinish.isEmpty() && m_recordObject)
        startRecordingInto(std::exchange(m_pathAfterFinish, QString()));
}

void MainWindow::OnCutRecord()
{
    if (!m_recordObject || !m_bRecording)
        return;
    // No new file past the schedule's end: the split ends the recording there.
    if (scheduleWindowPassed(m_recordObject->recordedTime())) {
        OnBtnStop(true);
        return;
    }
    // The sources go on through the cut: the next file begins where this one ends.
    finishRecording(true, QRecordObject::KeepSourcesForNextStart);
    OnStartRecord();
}

// ---- schedule ----------------------------------------------------------------------

void MainWindow::OnShowScheduleDlg()
{
    QAudioScheduleSettingDlg dialog(this);
    dialog.resize(330, 220);
    connect(&dialog, &QAudioScheduleSettingDlg::emitSetSchedule, this, &MainWindow::OnSetSchedule);
    if (m_bFirstSchedule) {
        dialog.CloseSchedule(true);
        m_bFirstSchedule = false;
    }
    centreDialog(dialog);
    dialog.exec();
}

void MainWindow::OnSetSchedule()
{
    const QRecordAreaInfo *options = QRecordAreaInfo::getAreaInfo();
    // Only a schedule that is on counts down to a start.
    if (!options->getScheduleAble()) {
        CancelSchedule();
        return;
    }
    setScheduleImage(kScheduleOn);
    m_nextStart = QScheduleTime::nextStart(options->getScheduleStartTime(), m_clock());
    qCDebug(lcApp) << "next scheduled start" << m_nextStart;
    m_bScheduleSet = true;
    m_bTipAllowed = true;
    m_scheduleTimer->start(300);
}

void MainWindow::OnTimer()
{
    const QDateTime now = m_clock();
    const qint64 secs = now.secsTo(m_nextStart);
    if (secs < 61 && m_bTipAllowed) {
        // Made the first time a countdown reaches its last minute.
        InitScheduleTip();
        m_scheduleTip->setMessage(scheduleTipText(secs));
        m_scheduleTip->show();
        // In the corner of the free part of the screen; its shadow band may
        // reach past it only while a compositor makes the band see-through.
        const QMargins seeThrough = QWindowCompositing::isRunning()
                                        ? QProjectConfig::getProjectConfig()->getTransparentMargins()
                                        : QMargins();
        m_scheduleTip->move(QWindowPlacement::bottomRightIn(
            QGuiApplication::primaryScreen()->availableGeometry(), m_scheduleTip->size(), seeThrough));
        m_scheduleTip->update();
    }
    if (now.msecsTo(m_nextStart) < 1) {
        m_scheduleTimer->stop();
        OnBtnStart();
        if (m_scheduleTip)
            m_scheduleTip->hide();
        m_bTipAllowed = false;
    }
}

void MainWindow::OnCloseScheduleTip(int result)
{
    qCDebug(lcApp) << "schedule tip closed" << result;
    m_bTipAllowed = false;
}

void MainWindow::CancelSchedule()
{
    if (m_btnCancelSchedule)
        m_btnCancelSchedule->hide();
    setScheduleImage(kScheduleOff);
    if (m_scheduleTimer) {
        m_scheduleTimer->stop();
        if (m_scheduleTip) {
            m_scheduleTip->hide();
            m_bTipAllowed = false;
        }
        m_bScheduleSet = false;
        ui->m_btnSchedule->update();
    }
}

void MainWindow::OnBtnCancelSchedule()
{
    CancelSchedule();
    switchStoredScheduleOff();
}

bool MainWindow::scheduleWindowPassed(uint64_t fileTime) const
{
    const QRecordAreaInfo *options = QRecordAreaInfo::getAreaInfo();
    if (!options->getScheduleAble())
        return false;
    const uint64_t window = (kDayMicroseconds - options->getScheduleStartTime() + options->getScheduleEndTime())
                            % kDayMicroseconds;
    if (window == 0)
        return false;
    // Split files each start at 0: the time since Start counts as well.
    const qint64 sinceMs = m_recordingSince.isValid() ? m_recordingSince.msecsTo(m_clock()) : 0;
    return window < fileTime || (sinceMs > 0 && window < uint64_t(sinceMs) * 1000ULL);
}

void MainWindow::OnRecordTimeOperate(uint64_t time)
{
    if (m_bRecording && scheduleWindowPassed(time))
        OnBtnStop(true);
}
