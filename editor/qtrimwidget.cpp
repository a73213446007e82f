#include "editor/qtrimwidget.h"

#include "editor/editorlog.h"

#include "editor/qtrimitemlist.h"
#include "common/qianyutil.h"
#include "media/jxplaytimetext.h"
#include "media/qvideoeditingsettings.h"
#include "rzcodec/player.h"
#include "widgetkit/qinitctrlstyle.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxmessagebox.h"
#include "widgetkit/qjxscrollbar.h"
#include "widgetkit/views/qaudiowavewidget.h"
#include "widgetkit/views/qcheckheaderview.h"
#include "widgetkit/views/qchunkcontrol.h"
#include "widgetkit/views/qdelegatecontrol.h"
#include "widgetkit/views/qedittimeex.h"
#include "widgetkit/views/qjxitemroles.h"
#include "widgetkit/views/qjxstylebutton.h"
#include "widgetkit/views/qjxtableview.h"
#include "widgetkit/views/qvedualslider.h"

#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <QtEndian>

#include <algorithm>

namespace {

QString res(const char *relative)
{
    return QIAnyUtil::getResourcePath() + QLatin1String(relative);
}

QJXBaseButton *imageButton(QWidget *parent, const char *image, const QString &tip)
{
    auto *b = new QJXBaseButton(parent);
    b->setButtonImage(res(image), true);
    b->setToolTip(tip);
    return b;
}

void styleLabel(QLabel *label, int pixelSize, const QColor &colour)
{
    QFont font = label->font();
    font.setFamily(QStringLiteral("helvetica neue"));
    font.setPixelSize(pixelSize);
    label->setFont(font);
    QPalette p = label->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(group, QPalette::WindowText, colour);
    label->setPalette(p);
}

const QColor kLabelText(251, 251, 251);
const QColor kLight(250, 237, 237);

} // namespace

QTrimWidget::QTrimWidget(QWidget *parent)
    : QWidget(parent)
{
    resize(584, 412);
    InitDlg();
    initControls();
    InitView();
}

QTrimWidget::~QTrimWidget()
{
    emit emitSaveFile(m_savedFiles);
    if (m_player)
        onTrimStop();
    // The borrowed player belongs to the preview engine, which closes it.
    m_player = nullptr;
    if (m_ownPlayer) {
        rz_player_stop(m_ownPlayer);
        rz_player_close(m_ownPlayer);
        rz_player_release(m_ownPlayer);
        m_ownPlayer = nullptr;
    }
    m_positionTimer->stop();
    m_waveTimer->stop();
    ReleaseData();
    // The view goes with its children (sort model, delegate, header, scroll
    // bars) before the parts it draws with.
    delete m_tableView;
    delete m_model;
    delete m_btnDelete;
    delete m_deleteControl;
}

// ------------------------------------------------------------------ set-up

void QTrimWidget::InitDlg()
{
    m_ownPlayer = rz_player_create(RZ_PLAYER_DEFAULT);
    m_positionTimer = new QTimer(this);
    connect(m_positionTimer, &QTimer::timeout, this, &QTrimWidget::updateTime);
    m_waveTimer = new QTimer(this);
    connect(m_waveTimer, &QTimer::timeout, this, &QTrimWidget::onAudioDataTime);
}

void QTrimWidget::initControls()
{
    m_btnPlay = imageButton(this, "/image/EditDlg/btn_play.png", tr("Play"));
    connect(m_btnPlay, &QAbstractButton::clicked, this, &QTrimWidget::onPlay);
    m_btnPause = imageButton(this, "/image/EditDlg/btn_Pause.png", tr("Pause"));
    m_btnPause->hide();
    connect(m_btnPause, &QAbstractButton::clicked, this, &QTrimWidget::onPause);

    m_slider = new QVEDualSlider(this);
    m_slider->setBottomImage(res("/image/EditDlg/slider_background_bottom.png"));
    m_slider->setTopImage(res("/image/EditDlg/slider_background_up.png"));
    m_slider->setStartBtnImage(res("/image/EditDlg/slider_btn.png"), -5);
    m_slider->setEndBtnImage(res("/image/EditDlg/slider_btn.png"));
    m_slider->setProgressBtnImage(res("/image/EditDlg/btn_slider_proess.png"), 10);
    m_slider->setCircle(true);
    m_slider->setCircleLenght(1);
    m_slider->setStartValue(0);
    m_slider->setEndValue(100);
    m_slider->setPlayValue(0, false);
    m_slider->setEnabled(false);
    m_slider->showPlayBtn(false);
    m_slider->resize(m_slider->width(), 24);
    connect(m_slider, &QVEDualSlider::sendProgressValue, this, &QTrimWidget::sliderStartValueChange);
    connect(m_slider, &QVEDualSlider::sendEndProgressValue, this, &QTrimWidget::sliderEndValueChange);
    connect(m_slider, &QVEDualSlider::sendPlayProValue, this, &QTrimWidget::sliderSendPlayProToPlay);

    m_labCurrent = new QLabel(QStringLiteral("00:00:00:000"), this);
    m_labCurrent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_labSeparator = new QLabel(QStringLiteral("/"), this);
    m_labSeparator->setAlignment(Qt::AlignCenter);
    m_labTotal = new QLabel(QStringLiteral("00:00:00:000"), this);
    for (QLabel *l : {m_labCurrent, m_labSeparator, m_labTotal})
        styleLabel(l, 10, kLabelText);

    m_btnStartSet = imageButton(this, "/image/EditDlg/btn_trimstartset.png", tr("Start Set"));
    connect(m_btnStartSet, &QAbstractButton::clicked, this, &QTrimWidget::onStartSet);
    m_btnEndSet = imageButton(this, "/image/EditDlg/btn_trimendset.png", tr("End Set"));
    connect(m_btnEndSet, &QAbstractButton::clicked, this, &QTrimWidget::onEndSet);
    m_btnTrimPlay = imageButton(this, "/image/EditDlg/btn_trimplay.png", tr("Play Segment"));
    connect(m_btnTrimPlay, &QAbstractButton::clicked, this, &QTrimWidget::onTrimPlay);
    m_btnTrimStop = imageButton(this, "/image/EditDlg/btn_trimstop.png", tr("Stop Segment"));
    connect(m_btnTrimStop, &QAbstractButton::clicked, this, &QTrimWidget::onTrimStop);
    m_btnTrimPause = imageButton(this, "/image/EditDlg/btn_Pause.png", tr("Pause Segment"));
    m_btnTrimPause->hide();
    connect(m_btnTrimPause, &QAbstractButton::clicked, this, &QTrimWidget::onTrimPause);

    m_labStart = new QLabel(tr("Start Time:"), this);
    m_labEnd = new QLabel(tr("End Time:"), this);
    m_editStart = new QEditTimeEx(this);
    m_editEnd = new QEditTimeEx(this);
    for (QLabel *l : {m_labStart, m_labEnd}) {
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        styleLabel(l, 11, kLight);
        l->adjustSize();
    }
    for (QEditTimeEx *e : {m_editStart, m_editEnd}) {
        e->setDisplayFormat(QStringLiteral("HH:mm:ss.zzz"));
        e->setBackgroundImage(res("/image/EditDlg/time_rect.png"));
        e->setUpAndDownBtnImage(res("/image/EditDlg/btn_time_rect_up.png"),
                                res("/image/EditDlg/btn_time_rect_bottom.png"), true);
        e->setBtnMargins(87, 3, 4, 2);
        e->resize(100, 24);
        QFont font = e->font();
        font.setFamily(QStringLiteral("helvetica neue"));
        font.setPixelSize(11);
        e->setFont(font);
        QPalette p = e->palette();
        p.setColor(QPalette::Text, kLabelText);
        e->setPalette(p);
    }
    connect(m_editStart, &QEditTimeEx::emitTextEdited, this,
            [this](uint64_t t) { startTimeChanged(t, true); });
    connect(m_editEnd, &QEditTimeEx::emitTextEdited, this,
            [this](uint64_t t) { endTimeChanged(t, true); });

    m_btnAdd = new QJXBaseButton(this);
    m_btnAdd->setButtonImage(res("/image/common/btn_common.png"), true);
    m_btnAdd->setText(tr("Cut"));
    const QColor accent(255, 132, 65);
    m_btnAdd->setTextColor(accent, accent, accent, QColor(119, 115, 115));
    m_btnAdd->setEnabled(false);
    connect(m_btnAdd, &QAbstractButton::clicked, this, &QTrimWidget::OnBtnAdd);

    m_tableView = new QJXTableView(this);
    QFont listFont(QStringLiteral("Tahoma"));
    listFont.setPointSize(10);
    m_tableView->setFont(listFont);
}

// The name column keeps its width while the list has room, and gives up
// what the other columns need (down to its title) rather than scrolling:
// a name is cut in its middle and keeps its copy suffix.
void QTrimWidget::fitNameColumn()
{
    // The last column (the delete button) stretches; it needs its minimum.
    int others = m_header->minimumSectionSize();
    for (int c = 1; c < 4; ++c)
        others += m_tableView->columnWidth(c);
    // The list's own width: its viewport follows a resize only later.
    const int room = m_tableView->width() - 2 * m_tableView->frameWidth() - others;
    m_tableView->setColumnWidth(0, std::max(std::min(135, room), m_header->sectionTextWidth(0)));
}

void QTrimWidget::InitView()
{
    m_model = new QTrimItemModel(nullptr);
    m_model->setHeaderList({tr("File Name"), tr("Start Time"), tr("End Time"), tr("Duration"), QString()});
    m_model->setDatas(&m_items);

    m_sortModel = new QTrimItemSortModel(m_tableView);
    m_sortModel->setSourceModel(m_model);
    m_sortModel->setDynamicSortFilter(true);
    m_sortModel->setFilterKeyColumn(-1);
    const QColor panel(44, 44, 44);
    m_sortModel->setItemBgColor(panel, panel);
    m_sortModel->setHoverBgColor(QColor(52, 52, 52), kLight);
    m_sortModel->setItemTextColor(kLight, kLight);

    m_tableView->setModel(m_sortModel);
    m_tableView->setSortModel(m_sortModel);

    m_delegate = new QTrimItemDelegate(m_tableView);
    m_delegate->setSelectedBackgroundColor(QColor(72, 68, 67));
    m_delegate->setNameColumn(0);
    m_delegate->setSelectedTextColor(kLight);
    m_delegate->setBottomLineColor(QColor(20, 20, 20));
    m_tableView->setStyleDelegate(m_delegate);
    m_tableView->setItemDelegate(m_delegate);

    m_deleteControl = new QDelegateControl(QTrimItemModel::DeleteColumn);
    m_btnDelete = new QJXStyleButton(nullptr);
    m_btnDelete->setToolTip(tr("Delete"));
    m_btnDelete->setButtonImage(res("/image/FileList/btn_delete.png"));
    connect(m_btnDelete, &QJXStyleButton::emitClickIndex, this, &QTrimWidget::OnDeleteItem);
    m_deleteControl->addButton(m_btnDelete);
    m_deleteControl->setDrawAlignment(Qt::AlignVCenter);
    m_deleteControl->setDrawWidth(m_btnDelete->width());
    m_deleteControl->setDrawHeight(m_btnDelete->height());
    m_delegate->addButtonWidget(m_deleteControl);

    m_header = new QCheckHeaderView(Qt::Horizontal, this);
    m_header->setMouseTracking(true);
    m_header->setBackgroundImage(res("/image/FileList/header_bg.png"));
    m_header->setSlipImage(res("/image/FileList/header_slip.png"));
    m_header->setSelBackgroundImage(res("/image/FileList/header_select_bg.png"));
    m_header->setOrderFlagsImage(res("/image/FileList/order_flag_up.png"));
    m_header->setFixedHeight(23);
    m_header->setTextColor(kLight);
    m_header->setSectionsClickable(true);
    m_header->setCheckVisable(false);
    m_header->setStretchLastSection(true);
    m_header->setFont(m_tableView->font());
    m_tableView->setHorizontalHeader(m_header);

    m_header->setDefaultSectionSize(25);
    const int widths[] = {135, 90, 90, 90, 45};
    // A title, or a time, wider than its column at this font widens the
    // column (the cell's text has a 3 px margin each side).
    const int timeWidth = m_tableView->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00.000")) + 8;
    for (int c = 1; c < 5; ++c) {
        const int time = c <= 3 ? timeWidth : 0;
        m_tableView->setColumnWidth(c, std::max({widths[c], m_header->sectionTextWidth(c), time}));
    }
    m_tableView->setColumnWidth(0, widths[0]);
    fitNameColumn();
    m_header->setSectionResizeMode(QHeaderView::Interactive);
    m_header->setMinimumSectionSize(45);
    m_tableView->verticalHeader()->setDefaultSectionSize(26);
    m_tableView->verticalHeader()->hide();

    m_hScrollBar = new QJXScrollBar(Qt::Horizontal, nullptr);
    m_vScrollBar = new QJXScrollBar(Qt::Vertical, nullptr);
    QInitCtrlStyle::InitJxScrollBar(m_hScrollBar);
    QInitCtrlStyle::InitJxScrollBar(m_vScrollBar);
    m_tableView->setHorizontalScrollBar(m_hScrollBar);
    m_tableView->setVerticalScrollBar(m_vScrollBar);
    m_tableView->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_tableView->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_tableView->setStyleSheet(QStringLiteral("QTableView{border:none;background:%1;}").arg(panel.name()));

    connect(m_tableView, &QAbstractItemView::pressed, this, &QTrimWidget::OnShowItemTrimTime);
    connect(m_tableView, &QAbstractItemView::doubleClicked, this, &QTrimWidget::OnPlayTrimItem);
}

void QTrimWidget::recreateWave()
{
    delete m_wave;
    AudioDataAttribute attribute = waveLineAttribute();
    m_wave = new QAudioWaveWidget(this, &attribute);
    m_wave->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_wave->setGeometry(6, 0, width() - 12, 65);
    m_wave->hide();
}

// ------------------------------------------------------------------ loading

void QTrimWidget::LoadingSetting()
{
    if (!m_settings)
        return;
    VEEditConfig config;
    m_settings->getEditConfig(config);
    const QString start = IntTimeToString(config.startTime);
    const QString end = IntTimeToString(config.endTime ? config.endTime : m_settings->getDuration());
    m_slider->setStartBtnToolTip(start);
    m_slider->setEndBtnToolTip(end);
    m_labCurrent->setText(start);
    m_labTotal->setText(end);
}

bool QTrimWidget::setVideoPlay(void *player)
{
    if (!player) {
        detach();
        return false;
    }
    m_player = player;
    recreateWave();
    return attach(player);
}

bool QTrimWidget::setVideoPlay(const QString &path, unsigned int width, unsigned int height)
{
    if (!m_ownPlayer)
        return false;
    recreateWave();
    if (!rz_player_is_completed(m_ownPlayer))
        rz_player_stop(m_ownPlayer);
    trimDSliderEnable(true);
    const QByteArray utf8 = path.toUtf8();
    if (!rz_player_open_ex(m_ownPlayer, utf8.constData(), width, height, 0, 0)) {
        detach();
        return false;
    }
    m_player = m_ownPlayer;
    return attach(m_ownPlayer);
}

bool QTrimWidget::attach(void *player)
{
    trimDSliderEnable(true);
    InitControlEnabled(true);
    m_duration = rz_player_get_duration(player);
    setTextEditTrimTime(m_trimStart, m_trimEnd); // the end shows the duration
    rz_player_set_time_interval(player, 50000);
    showTime(0);
    showAudioDataDlg(true);
    onPlayAudio();
    return true;
}

void QTrimWidget::detach()
{
    m_positionTimer->stop();
    m_waveTimer->stop();
    audioFinished();
    m_waveShown = false;
    InitControlEnabled(false);
}

void QTrimWidget::InitControlEnabled(bool enable)
{
    m_segmentPlay = false;
    m_slider->setStartValue(0);
    m_slider->setEndValue(100);
    m_slider->setPlayValue(0, false);
    m_editStart->setCurrentTime(0);
    m_editEnd->setCurrentTime(0);
    m_labCurrent->setText(QStringLiteral("00:00:00.000"));
    m_labTotal->setText(QStringLiteral("00:00:00.000"));
    for (QWidget *w : {static_cast<QWidget *>(m_btnEndSet), static_cast<QWidget *>(m_btnPause),
                       static_cast<QWidget *>(m_btnPlay), static_cast<QWidget *>(m_btnStartSet),
                       static_cast<QWidget *>(m_btnTrimPause), static_cast<QWidget *>(m_btnTrimPlay),
                       static_cast<QWidget *>(m_editStart), static_cast<QWidget *>(m_editEnd),
                       static_cast<QWidget *>(m_slider)})
        w->setEnabled(enable);
    m_btnTrimPause->show();
    m_btnTrimPlay->hide();
    m_btnTrimStop->setEnabled(!enable);
}

void QTrimWidget::ReleaseData()
{
    qDeleteAll(m_items);
    m_items.clear();
}

int QTrimWidget::ShowChangFileTip()
{
    if (m_items.empty())
        return 1;
    const int answer = QJXMessageBox::ShowMessage(this, QString(),
                                                  tr("Would you want to save the trim files?"),
                                                  QJXMessageBox::Warning, QJXMessageBox::YesNoButton);
    if (answer == QJXMessageBox::ResultYes)
        return 1;
    if (answer == QJXMessageBox::ResultNo)
        return 2;
    return 0;
}

void QTrimWidget::trimDSliderEnable(bool enable)
{
    m_slider->setEnabled(enable);
    m_slider->showPlayBtn(enable);
}

void QTrimWidget::audioFinished()
{
    m_btnPlay->show();
    m_btnPause->hide();
    if (m_wave)
        m_wave->hide();
}

void QTrimWidget::showAudioDataDlg(bool show)
{
    m_waveShown = show;
    if (m_wave)
        m_wave->setVisible(show);
}

void QTrimWidget::setTextEditTrimTime(uint64_t start, uint64_t end)
{
    m_editStart->setCurrentTime(start);
    m_editEnd->setCurrentTime(end ? end : m_duration);
}

void QTrimWidget::SetBtnAddState()
{
    // A cut needs a part of the recording that is neither all of it nor empty.
    m_btnAdd->setEnabled((m_trimStart != 0 || m_trimEnd != 0) && m_trimStart < effectiveEnd());
}

// ------------------------------------------------------------------ texts

QString QTrimWidget::IntTimeToString(uint64_t microseconds)
{
    return JXPlayTimeText::clockMs(microseconds);
}

uint64_t QTrimWidget::StrTimeToInt(const QString &text)
{
    if (text.isEmpty())
        return 0;
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 3)
        return 0;
    const QStringList seconds = parts.at(2).split(QLatin1Char('.'));
    if (seconds.size() != 2)
        return 0;
    const uint64_t h = parts.at(0).toULongLong();
    const uint64_t m = parts.at(1).toULongLong();
    const uint64_t s = seconds.at(0).toULongLong();
    const uint64_t ms = seconds.at(1).toULongLong();
    return ms * 1000 + (h * 3600 + m * 60 + s) * 1000000;
}

void QTrimWidget::showTime(uint64_t time)
{
    m_labCurrent->setText(IntTimeToString(time));
    m_labTotal->setText(IntTimeToString(m_player ? m_duration : 0));
    placeTimeLabels();
}

float QTrimWidget::percentOf(uint64_t time) const
{
    return m_duration ? float(double(time) * 100.0 / double(m_duration)) : 0.0f;
}

void QTrimWidget::seek(uint64_t time)
{
    if (m_player)
        rz_player_seek(m_player, time);
}

// ------------------------------------------------------------------ playback

void QTrimWidget::onPlayAudio()
{
    if (!m_player)
        return;
    if (!rz_player_has_video(m_player) && !rz_player_has_audio(m_player)) {
        audioFinished();
        return;
    }
    if (!rz_player_play(m_player))
        return;
    if (m_waveShown)
        m_waveTimer->start(50);
    m_btnPlay->hide();
    m_btnPause->show();
    if (m_wave)
        m_wave->show();
    m_positionTimer->start(100);
    m_btnTrimPlay->setVisible(!m_segmentPlay);
    m_btnTrimPause->setVisible(m_segmentPlay);
    m_btnTrimStop->setEnabled(m_segmentPlay);
}

void QTrimWidget::onPauseAudio()
{
    if (!m_player)
        return;
    audioFinished();
    if (rz_player_is_pause(m_player) || !rz_player_pause(m_player))
        return;
    m_positionTimer->stop();
    m_waveTimer->stop();
    if (m_wave)
        m_wave->setAudioData(nullptr, 0);
    m_btnTrimPlay->show();
    m_btnTrimPause->hide();
    m_btnTrimStop->setEnabled(m_segmentPlay);
}

void QTrimWidget::onPlay()
{
    m_segmentPlay = false;
    onPlayAudio();
    if (m_btnPlay->isHidden())
        emit emitPlayState(true);
}

void QTrimWidget::onPause()
{
    m_segmentPlay = false;
    onPauseAudio();
    if (m_btnPause->isHidden())
        emit emitPlayState(false);
}

void QTrimWidget::OnSetPlayState(bool play)
{
    if (play)
        onPlayAudio();
    else
        onPauseAudio();
    update();
}

void QTrimWidget::stopPlayback()
{
    rz_player_stop(m_player);
    m_positionTimer->stop();
    m_waveTimer->stop();
    if (m_wave)
        m_wave->setAudioData(nullptr, 0);
    audioFinished();
    m_btnTrimStop->setEnabled(false);
}

void QTrimWidget::OnStop()
{
    if (!m_player)
        return;
    m_slider->setPlayValue(0, false);
    m_segmentPlay = false;
    seek(0);
    showTime(0);
    emit emitPlayState(false);
    stopPlayback();
}

void QTrimWidget::updateTime()
{
    if (!m_player)
        return;
    if (m_segmentPlay && m_trimEnd != 0) {
        if (rz_player_get_play_time(m_player) > m_trimEnd) {
            m_segmentPlay = false;
            onPauseAudio();
            if (m_btnPause->isHidden())
                emit emitPlayState(false);
            return;
        }
    }
    if (!rz_player_is_completed(m_player)) {
        const uint64_t at = rz_player_get_play_time(m_player);
        if (at != 0) {
            m_slider->setPlayValue(percentOf(at), false);
            showTime(at);
        }
        return;
    }
    m_segmentPlay = false;
    rz_player_stop(m_player);
    m_positionTimer->stop();
    audioFinished();
    m_btnTrimPlay->show();
    m_btnTrimPause->hide();
    m_btnTrimStop->setEnabled(false);
    m_slider->setPlayValue(0, true);
    emit emitPlayState(false);
}

void QTrimWidget::onAudioDataTime()
{
    if (!m_player)
        return;
    uint8_t *block = rz_player_get_audio_wave_data(m_player, 0);
    if (block && m_wave)
        m_wave->setAudioData(block, int(qFromLittleEndian<quint32>(block + 24) >> 1));
    rz_player_free_audio_wave_data(m_player, block);
}

// ------------------------------------------------------------------ segment

void QTrimWidget::onTrimPlay()
{
    if (!m_segmentPlay) {
        seek(m_trimStart);
        m_segmentPlay = true;
    }
    onPlayAudio();
    emit emitPlayState(true);
    qCDebug(lcEditor) << "segment from" << m_trimStart;
}

void QTrimWidget::onTrimPause()
{
    m_segmentPlay = true;
    onPauseAudio();
    emit emitPlayState(false);
}

void QTrimWidget::onTrimStop()
{
    m_segmentPlay = false;
    if (!m_player)
        return;
    m_slider->setPlayValue(percentOf(m_trimStart), false);
    seek(m_trimStart);
    showTime(m_trimStart);
    emit emitPlayState(false);
    stopPlayback();
    m_btnTrimPlay->show();
    m_btnTrimPause->hide();
}

// ------------------------------------------------------------------ range

void QTrimWidget::onStartSet()
{
    const float p = m_slider->getPlayValue();
    const float e = m_slider->getEndValue();
    m_trimStart = uint64_t(std::min(p, e) * float(m_duration));
    m_editStart->setCurrentTime(m_trimStart);
    m_editEnd->setCurrentTime(effectiveEnd());
    m_slider->setStartValue(percentOf(m_trimStart));
    SetBtnAddState();
}

void QTrimWidget::onEndSet()
{
    const float s = m_slider->getStartValue();
    const float p = m_slider->getPlayValue();
    const uint64_t x = uint64_t(std::max(s, p) * float(m_duration));
    m_trimEnd = x == m_duration ? 0 : x;
    m_editStart->setCurrentTime(m_trimStart);
    m_editEnd->setCurrentTime(x ? x : m_duration);
    m_slider->setEndValue(percentOf(x));
    SetBtnAddState();
}

void QTrimWidget::sliderStartValueChange(double fraction)
{
    const auto x = uint64_t(fraction * double(m_duration));
    m_trimStart = (m_trimEnd != 0 && x > m_trimEnd) ? m_trimEnd : x;
    m_editStart->setCurrentTime(m_trimStart);
    m_editEnd->setCurrentTime(effectiveEnd());
    seek(x);
    showTime(x);
    refreshList();
    SetBtnAddState();
}

void QTrimWidget::sliderEndValueChange(double fraction)
{
    const auto x = uint64_t(fraction * double(m_duration));
    if (x < m_trimStart)
        m_trimEnd = m_trimStart;
    else if (fraction >= 0.999)
        m_trimEnd = 0; // the very end of the groove means the end of the recording
    else
        m_trimEnd = x;
    m_editStart->setCurrentTime(m_trimStart);
    m_editEnd->setCurrentTime(x ? x : m_duration);
    seek(x);
    showTime(x);
    refreshList();
    SetBtnAddState();
}

void QTrimWidget::sliderSendPlayProToPlay(double fraction)
{
    if (!m_player)
        return;
    m_segmentPlay = false;
    const auto x = uint64_t(fraction * double(m_duration));
    seek(x);
    showTime(x);
}

void QTrimWidget::startTimeChanged(uint64_t time, bool seekPlayer)
{
    m_segmentPlay = false;
    // A start typed past the end of the recording is its end.
    if (m_duration && time > m_duration)
        time = m_duration;
    m_trimStart = (m_trimEnd != 0 && m_trimEnd < time) ? m_trimEnd : time;
    m_editStart->setCurrentTime(m_trimStart);
    m_editEnd->setCurrentTime(effectiveEnd());
    if (seekPlayer)
        seek(m_trimStart);
    m_slider->setStartValue(percentOf(m_trimStart));
    showTime(m_trimStart);
    SetBtnAddState();
}

void QTrimWidget::endTimeChanged(uint64_t time, bool seekPlayer)
{
    m_segmentPlay = false;
    uint64_t x;
    if (time >= m_trimStart) {
        m_trimEnd = time >= m_duration ? 0 : time;
        x = (time >= m_duration || time == 0) ? m_duration : time;
    } else {
        m_trimEnd = m_trimStart;
        x = m_trimStart;
    }
    m_editStart->setCurrentTime(m_trimStart);
    m_editEnd->setCurrentTime(x);
    if (seekPlayer)
        seek(x);
    m_slider->setEndValue(percentOf(x));
    showTime(x);
    SetBtnAddState();
}

// ------------------------------------------------------------------ segments

void QTrimWidget::OnBtnAdd()
{
    if ((m_trimStart == 0 && m_trimEnd == 0) || m_trimStart >= effectiveEnd() || !m_settings)
        return;
    VEEditConfig config;
    m_settings->getEditConfig(config);
    config.startTime = m_trimStart;
    config.endTime = m_trimEnd;
    // Kept for the cut only: the preview is not moved to the segment.
    m_settings->setConfigSettings(config);
    emit emitConvertFile();
}

void QTrimWidget::OnSetSaveFile(const QString &path)
{
    QString file = path;
    file.replace(QLatin1Char('\\'), QLatin1Char('/'));
    m_savedFiles.append(file);
    auto *item = new QTrimItemChunk;
    item->SetFilePath(file.toStdString());
    item->SetFileName(file.mid(file.lastIndexOf(QLatin1Char('/')) + 1).toStdString());
    const uint64_t end = effectiveEnd();
    item->SetStartTime(IntTimeToString(m_trimStart).toStdString());
    item->SetEndTime(IntTimeToString(end).toStdString());
    item->SetDuartion(IntTimeToString(end > m_trimStart ? end - m_trimStart : 0).toStdString());
    item->getChunkControl()->addControl(m_btnDelete, controlTypeButton);
    if (ControlAttribute *a = item->getChunkControl()->getControlAttribute(m_btnDelete))
        a->enabled = true;
    m_items.push_back(item);
    m_model->refresh();
}

QTrimItemChunk *QTrimWidget::itemAt(const QModelIndex &index) const
{
    if (!index.isValid())
        return nullptr;
    const QVariant pointer = index.data(QJXItemRole::ItemPointer);
    return dynamic_cast<QTrimItemChunk *>(static_cast<IBaseChunk *>(pointer.value<void *>()));
}

void QTrimWidget::OnShowItemTrimTime(const QModelIndex &index)
{
    QTrimItemChunk *item = itemAt(index);
    if (!item)
        return;
    startTimeChanged(StrTimeToInt(QString::fromStdString(item->GetStartTime())), false);
    endTimeChanged(StrTimeToInt(QString::fromStdString(item->GetEndTime())), false);
}

void QTrimWidget::OnPlayTrimItem(const QModelIndex &index)
{
    if (!itemAt(index))
        return;
    OnShowItemTrimTime(index);
    onTrimPlay();
}

void QTrimWidget::OnDeleteItem(const QModelIndex &index)
{
    QTrimItemChunk *item = itemAt(index);
    if (!item)
        return;
    const QString path = QString::fromStdString(item->GetFilePath());
    if (QFile::exists(path) && !QFile::remove(path))
        qCWarning(lcEditor) << "Cannot delete the segment file" << path;
    m_savedFiles.removeOne(path);
    m_items.erase(std::find(m_items.begin(), m_items.end(), item));
    delete item;
    m_model->refresh();
}

void QTrimWidget::refreshList()
{
    m_tableView->clearSelection();
    m_model->refresh();
}

// ------------------------------------------------------------------ layout

void QTrimWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    resetControlPosition();
}

void QTrimWidget::placeTimeLabels()
{
    for (QLabel *l : {m_labCurrent, m_labSeparator, m_labTotal})
        l->adjustSize();
    const int bottom = 105;
    m_labTotal->move(m_slider->geometry().right() - m_labTotal->width(),
                     bottom - m_labTotal->height() + 1);
    m_labSeparator->move(m_labTotal->x() - m_labSeparator->width(), bottom - m_labSeparator->height() + 1);
    m_labCurrent->move(m_labSeparator->x() - m_labCurrent->width(), bottom - m_labCurrent->height() + 1);
}

void QTrimWidget::resetControlPosition()
{
    const int W = width();
    const int H = height();
    m_btnPlay->move(15, 80);
    m_btnPause->move(15, 80);
    const float start = m_slider->getStartValue() * 100.0f;
    const float end = m_slider->getEndValue() * 100.0f;
    const int sliderLeft = m_btnPlay->geometry().right() + 15;
    m_slider->setGeometry(sliderLeft, 67, W - 27 - sliderLeft + 1, m_slider->height());
    m_slider->setStartValue(start);
    m_slider->setEndValue(end);

    m_btnEndSet->move(W / 2 - 16 - m_btnEndSet->width(), 103);
    m_btnStartSet->move(m_btnEndSet->x() - 32 - m_btnStartSet->width(), 103);
    m_btnTrimPlay->move(W / 2 + 16, 103);
    m_btnTrimPause->move(W / 2 + 16, 103);
    m_btnTrimStop->move(m_btnTrimPause->x() + m_btnTrimPlay->width() + 32, 103);
    placeTimeLabels();

    const int bandTop = 103 + m_btnTrimPlay->height();
    auto centre = [bandTop](QWidget *w, int x) { w->move(x, bandTop + (50 - w->height()) / 2); };
    centre(m_labStart, 15);
    centre(m_editStart, m_labStart->geometry().right() + 5);
    centre(m_labEnd, m_editStart->geometry().right() + 30);
    centre(m_editEnd, m_labEnd->geometry().right() + 5);
    m_btnAdd->resize(75, 23);
    centre(m_btnAdd, m_editEnd->geometry().right() + 30);

    const int listTop = m_btnAdd->geometry().bottom() + 10;
    m_tableView->setGeometry(0, listTop, W, std::max(0, H - listTop));
    fitNameColumn();
    if (m_wave)
        m_wave->setGeometry(6, 0, W - 12, 65);
}

void QTrimWidget::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawImage(QRect(0, 0, width(), 65), QImage(res("/image/common/bg_gradual.png")));
    painter.fillRect(QRect(0, 65, width(), height() - 65), QColor(44, 44, 44));
}
