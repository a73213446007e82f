#include "editor/qtrimoperationform.h"

#include "editor/qveinitctrlstyle.h"
#include "media/jxplaytimetext.h"
#include "media/qvideoeditingsettings.h"
#include "widgetkit/qcheckboxcombobox.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/views/qvedualslider.h"

#include <QLabel>
#include <QPainter>

#include <cmath>

namespace {
QJXBaseButton *imageButton(QWidget *parent, const char *name, const QString &tip)
{
    auto *b = new QJXBaseButton(parent);
    b->setButtonImage(QVEInitCtrlStyle::image(QLatin1String(name)), true);
    b->setToolTip(tip);
    return b;
}

QString chapterText(const JXChapterInfo &c)
{
    return QStringLiteral("%1, %2-%3")
        .arg(QString::fromStdString(c.title), QTrimOperationForm::timeToString2(c.start),
             QTrimOperationForm::timeToString2(c.end));
}
} // namespace

QTrimOperationForm::QTrimOperationForm(QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Form"));
    resize(903, 193);
    initControls();
}

QString QTrimOperationForm::timeToString(uint64_t microseconds)
{
    return JXPlayTimeText::clockMs(microseconds);
}

QString QTrimOperationForm::timeToString2(uint64_t microseconds)
{
    return JXPlayTimeText::clock(microseconds);
}

void QTrimOperationForm::initControls()
{
    m_btnPlay = imageButton(this, "btn_play.png", tr("Play"));
    m_btnPlay->hide();
    connect(m_btnPlay, &QAbstractButton::clicked, this, &QTrimOperationForm::onBtnPlay);
    m_btnPause = imageButton(this, "btn_Pause.png", tr("Pause"));
    connect(m_btnPause, &QAbstractButton::clicked, this, &QTrimOperationForm::onBtnPause);
    m_btnPrevious = imageButton(this, "btn_trimstartset.png", tr("Previous Frame"));
    connect(m_btnPrevious, &QAbstractButton::clicked, this, &QTrimOperationForm::onPrevious);
    m_btnNext = imageButton(this, "btn_trimendset.png", tr("Next Frame"));
    connect(m_btnNext, &QAbstractButton::clicked, this, &QTrimOperationForm::onNext);
    m_btnTrimPlay = imageButton(this, "btn_trimplay.png", tr("Play Section"));
    connect(m_btnTrimPlay, &QAbstractButton::clicked, this, &QTrimOperationForm::onTrimPlay);
    m_btnTrimPause = imageButton(this, "btn_Pause.png", tr("Pause Section"));
    m_btnTrimPause->hide();
    connect(m_btnTrimPause, &QAbstractButton::clicked, this, &QTrimOperationForm::onTrimPause);
    m_btnStop = imageButton(this, "btn_stop.png", tr("Stop"));
    connect(m_btnStop, &QAbstractButton::clicked, this, &QTrimOperationForm::onBtnStop);

    m_slider = new QVEDualSlider(this);
    m_slider->setBottomImage(QVEInitCtrlStyle::image("slider_bottom.png"));
    m_slider->setTopImage(QVEInitCtrlStyle::image("slider_top.png"));
    m_slider->setStartBtnImage(QVEInitCtrlStyle::image("btn_silder_start.png"), 1);
    m_slider->setEndBtnImage(QVEInitCtrlStyle::image("btn_silder_end.png"));
    m_slider->setProgressBtnImage(QVEInitCtrlStyle::image("btn_silder_proess.png"), 6);
    m_slider->setCircle(true);
    m_slider->setCircleLenght(1);
    m_slider->setPlayValue(0, false);
    m_slider->setStartValue(0);
    m_slider->setEndValue(100);
    connect(m_slider, &QVEDualSlider::sendPlayProValue, this, &QTrimOperationForm::emitSliderSendPlayProToPlay);
    connect(m_slider, &QVEDualSlider::sendProgressValue, this, &QTrimOperationForm::startProgressValue);
    connect(m_slider, &QVEDualSlider::sendEndProgressValue, this, &QTrimOperationForm::endProgressValue);
    connect(m_slider, &QVEDualSlider::emitMousePress, this, &QTrimOperationForm::emitSliderMousePress);
    connect(m_slider, &QVEDualSlider::emitmouseRelease, this, &QTrimOperationForm::emitSliderMouseRelease);

    m_labTime = new QLabel(this);
    m_labTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QVEInitCtrlStyle::SetLabel(m_labTime, QStringLiteral("00:00:00.000 / 00:00:00.000"), 12);

    m_btnSnapshot = imageButton(this, "btn_snapshot.png", tr("Snapshot"));
    m_btnSnapshot->hide();
    connect(m_btnSnapshot, &QAbstractButton::clicked, this, &QTrimOperationForm::emitSnapshot);
    m_btnSnapshotMenu = imageButton(this, "btn_snapshot_menu.png", tr("Snapshot Menu"));
    m_btnSnapshotMenu->hide();
    connect(m_btnSnapshotMenu, &QAbstractButton::clicked, this, &QTrimOperationForm::emitSnapshotMenu);
    m_btnTrim = imageButton(this, "btn_trim.png", tr("Trim"));
    connect(m_btnTrim, &QAbstractButton::clicked, this, &QTrimOperationForm::onTrim);
    m_btnReset = imageButton(this, "btn_reset.png", tr("Reset"));
    connect(m_btnReset, &QAbstractButton::clicked, this, &QTrimOperationForm::onReset);

    m_labStart = new QLabel(this);
    m_labStart->setObjectName(QStringLiteral("m_labStart"));
    m_labEnd = new QLabel(this);
    m_labEnd->setObjectName(QStringLiteral("m_labEnd"));
    QVEInitCtrlStyle::SetLabel(m_labStart, QStringLiteral("00:00:00.000"), 12);
    QVEInitCtrlStyle::SetLabel(m_labEnd, QStringLiteral("00:00:00.000"), 12);

    m_cmbChapter = new QCheckboxCombobox(this);
    QVEInitCtrlStyle::InitJXCheckCombox(m_cmbChapter);
    m_cmbChapter->setCheckMode(false);
    m_cmbChapter->resize(164, 22);
    m_cmbChapter->setBtnMargins(148, 8, 0, 0);
    m_cmbChapter->hide();
}

// ------------------------------------------------------------------ loading

void QTrimOperationForm::showRange(uint64_t start, uint64_t end)
{
    const uint64_t shownEnd = end ? end : (m_settings ? m_settings->getDuration() : 0);
    m_labEnd->setText(timeToString(shownEnd));
    m_labEnd->adjustSize();
    m_slider->setEndBtnToolTip(timeToString(shownEnd));
    m_labStart->setText(timeToString(start));
    m_labStart->adjustSize();
    m_slider->setStartBtnToolTip(timeToString(start));
}

void QTrimOperationForm::loadingSetting()
{
    if (!m_settings)
        return;
    const VEEditConfig &config = m_settings->getEditConfig();
    showRange(config.startTime, config.endTime);
    const QList<JXChapterInfo> &chapters = config.chapterList;
    if (chapters.isEmpty())
        return;
    disconnect(m_cmbChapter, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
               &QTrimOperationForm::chapterSelectedChanged);
    m_cmbChapter->clear();
    m_cmbChapter->show();
    for (const JXChapterInfo &c : chapters)
        m_cmbChapter->addItem(QString::fromStdString(c.text));
    // The chapter whose bounds match the trim range, else the first entry.
    int chosen = 0;
    for (int k = 1; k < chapters.size(); ++k) {
        const auto near = [](uint64_t a, uint64_t b) { return (a > b ? a - b : b - a) < 1000; };
        if (near(chapters.at(k).start, config.startTime) && near(chapters.at(k).end, config.endTime))
            chosen = k;
    }
    m_cmbChapter->setCheckState(chosen, true);
    m_cmbChapter->setCurrentIndex(chosen);
    connect(m_cmbChapter, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &QTrimOperationForm::chapterSelectedChanged);
    updateLocation();
}

void QTrimOperationForm::setDisableSnapshot(bool disable)
{
    m_btnSnapshot->setDisabled(disable);
    m_btnSnapshotMenu->setDisabled(disable);
}

void QTrimOperationForm::trimDSliderEnable(bool enable)
{
    m_slider->setEnabled(enable);
    m_slider->showPlayBtn(enable);
}

// ------------------------------------------------------------------ range

void QTrimOperationForm::sliderRange(uint64_t &start, uint64_t &end) const
{
    const VEEditConfig &config = m_settings->getEditConfig();
    const float t0 = float(config.startTime);
    const float length = float(m_settings->getPlaylength());
    const float s = m_slider->getStartValue();
    const float e = m_slider->getEndValue();
    end = e == 1.0f ? config.endTime : uint64_t(t0 + e * length);
    start = uint64_t(t0 + s * length);
}

void QTrimOperationForm::resetSlider()
{
    m_slider->setStartValue(0);
    m_slider->setEndValue(100);
    m_slider->SetFocusInStartBtn(true);
}

void QTrimOperationForm::setFirstChapter(uint64_t start, uint64_t end)
{
    JXChapterInfo &first = m_settings->getEditConfig().chapterList.first();
    first.start = start;
    first.end = end;
    first.duration = end - start;
    first.text = chapterText(first).toStdString();
    m_cmbChapter->setItemText(0, QString::fromStdString(first.text));
}

void QTrimOperationForm::applyFirstChapter(uint64_t start, uint64_t end)
{
    setFirstChapter(start, end);
    if (m_cmbChapter->currentIndex() != 0)
        m_cmbChapter->setCurrentIndex(0); // announces the range through the choice
    else
        emit emitTrimChapter(start, end);
}

void QTrimOperationForm::onTrim()
{
    if (!m_settings)
        return;
    uint64_t start = 0, end = 0;
    sliderRange(start, end);
    resetSlider();
    if (end == start && start != 0)
        end = start + 1;
    if (m_settings->getEditConfig().chapterList.isEmpty())
        emit emitTrim(start, end);
    else
        applyFirstChapter(start, end);
}

void QTrimOperationForm::onReset()
{
    resetSlider();
    if (!m_settings || m_settings->getEditConfig().chapterList.isEmpty()) {
        emit emitReset();
        return;
    }
    applyFirstChapter(0, m_settings->getDuration());
}

void QTrimOperationForm::chapterSelectedChanged(int index)
{
    if (!m_settings || index < 0 || index >= m_settings->getEditConfig().chapterList.size())
        return;
    resetSlider();
    const JXChapterInfo chosen = m_settings->getEditConfig().chapterList.at(index);
    setFirstChapter(chosen.start, chosen.end);
    emit emitTrimChapter(chosen.start, chosen.end);
}

void QTrimOperationForm::saveTrimTime()
{
    if (!m_settings)
        return;
    uint64_t start = 0, end = 0;
    sliderRange(start, end);
    m_settings->setTrimTimeNoSeekPlayer(start, end);
    if (!m_settings->getEditConfig().chapterList.isEmpty())
        setFirstChapter(start, end);
}

void QTrimOperationForm::startProgressValue(double fraction)
{
    if (!m_settings)
        return;
    const double t = double(m_settings->getEditConfig().startTime) + fraction * double(m_settings->getPlaylength());
    m_slider->setStartBtnToolTip(timeToString(uint64_t(t)));
}

void QTrimOperationForm::endProgressValue(double fraction)
{
    if (!m_settings)
        return;
    const double t = double(m_settings->getEditConfig().startTime) + fraction * double(m_settings->getPlaylength());
    m_slider->setEndBtnToolTip(timeToString(uint64_t(t)));
}

// ------------------------------------------------------------------ steps and play

void QTrimOperationForm::onPrevious()
{
    const float s = m_slider->getStartValue();
    const float e = m_slider->getEndValue();
    const float p = m_slider->getPlayValue();
    if (m_slider->GetFocusInStartBtn())
        emit emitPreviousStep(std::fabs(p - s) > 0.00001f, s);
    else if (std::fabs(s - e) >= 0.00001f)
        emit emitPreviousStep(std::fabs(p - e) > 0.000001f, e);
}

void QTrimOperationForm::onNext()
{
    const float s = m_slider->getStartValue();
    const float e = m_slider->getEndValue();
    const float p = m_slider->getPlayValue();
    float position = e;
    if (m_slider->GetFocusInStartBtn()) {
        if (std::fabs(s - e) < 0.00001f)
            return;
        position = s;
    }
    emit emitNextStep(std::fabs(p - position) > 0.000001f, position);
}

void QTrimOperationForm::onBtnPlay()
{
    m_btnPlay->hide();
    m_btnPause->show();
    emit emitPlay();
}

void QTrimOperationForm::onBtnPause()
{
    m_btnPlay->show();
    m_btnPause->hide();
    m_btnTrimPlay->show();
    m_btnTrimPause->hide();
    emit emitPause();
}

void QTrimOperationForm::onBtnStop()
{
    m_btnPlay->show();
    m_btnPause->hide();
    emit emitStop();
}

void QTrimOperationForm::onTrimPlay()
{
    m_btnPlay->hide();
    m_btnTrimPlay->hide();
    m_btnPause->show();
    m_btnTrimPause->show();
    emit emitTrimPlay(m_slider->getStartValue(), m_slider->getEndValue());
}

void QTrimOperationForm::onTrimPause()
{
    m_btnPlay->show();
    m_btnPause->hide();
    emit emitTrimPause();
}

// ------------------------------------------------------------------ engine reports

void QTrimOperationForm::showPlayOrPause(bool playing)
{
    m_btnPlay->setHidden(playing);
    m_btnPause->setHidden(!playing);
}

void QTrimOperationForm::showTrimPlayOrPause(bool playing)
{
    m_btnTrimPlay->setHidden(playing);
    m_btnTrimPause->setHidden(!playing);
}

void QTrimOperationForm::setTime(const QString &text)
{
    m_labTime->setText(text);
}

void QTrimOperationForm::setPlayProcess(double fraction)
{
    m_slider->setPlayValue(float(fraction * 100.0), false);
}

void QTrimOperationForm::playFinish()
{
    m_slider->setPlayValue(0, false);
    m_btnPlay->show();
    m_btnTrimPlay->show();
    m_btnPause->hide();
    m_btnTrimPause->hide();
}

void QTrimOperationForm::setStartEndProgressValue(float percent)
{
    if (m_slider->GetFocusInStartBtn())
        m_slider->setStartValue(percent);
    else
        m_slider->setEndValue(percent);
}

void QTrimOperationForm::trimTimeChange(uint64_t start, uint64_t end)
{
    showRange(start, end);
}

// ------------------------------------------------------------------ layout

void QTrimOperationForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    updateLocation();
}

void QTrimOperationForm::updateLocation()
{
    const int W = width();
    const int rowTop = (height() - 66) / 2;
    QList<QWidget *> row{m_btnSnapshot, m_btnSnapshotMenu, m_btnPrevious, m_btnNext,
                         m_btnTrimPlay, m_btnStop, m_btnTrim, m_btnReset};
    if (!m_cmbChapter->isHidden())
        row << m_cmbChapter;
    int total = 0;
    for (QWidget *w : row)
        total += w->width();
    total += 20 * (row.size() - 2); // the two snapshot buttons touch
    int x = (W - total) / 2;
    for (int i = 0; i < row.size(); ++i) {
        QWidget *w = row.at(i);
        w->move(x, rowTop + (25 - w->height()) / 2);
        x += w->width() + (i == 0 ? 0 : 20);
    }
    m_btnTrimPause->move(m_btnTrimPlay->pos());

    const int bandTop = rowTop + 20;
    m_btnPlay->move(22, bandTop + (39 - m_btnPlay->height()) / 2);
    m_btnPause->move(m_btnPlay->pos());
    const int sliderX = m_btnPlay->x() + m_btnPlay->width() + 12;
    m_slider->setGeometry(sliderX, bandTop + (39 - m_slider->height()) / 2,
                          W - 48 - m_btnPlay->width(), m_slider->height());
    m_slider->setEndValue(100);
    m_labTime->adjustSize();
    m_labTime->move(W - 22 - m_labTime->width(), rowTop + (25 - m_labTime->height()) / 2);
    const QRect s = m_slider->geometry();
    m_labStart->move(s.left(), s.bottom() - 4);
    m_labEnd->move(s.right() - m_labEnd->width() + 1, s.bottom() - 4);
}

void QTrimOperationForm::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    QPainter(this).fillRect(rect(), QColor(55, 53, 53));
}
