#include "controls/qplaycontrolwgt.h"

#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "controls/qvolumewidget.h"
#include "media/jxqplayobject.h"
#include "widgetkit/qinitctrlstyle.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxbaseslider.h"
#include "widgetkit/qjxmessagebox.h"

#include <QFile>
#include <QLabel>

namespace {

QString resource(const QString &relative)
{
    return QIAnyUtil::getResourcePath() + relative;
}

const QString kZeroTime = QStringLiteral("00:00:00");

} // namespace

QPlayControlWgt::QPlayControlWgt(QWidget *parent)
    : QJXWidget(parent, DlgPane)
{
    setBackgroundImage(resource(QStringLiteral("/image/common/bg_gradual.png")), true);
    InitCtrl();
}

QPlayControlWgt::~QPlayControlWgt()
{
    delete m_btnNext;
    delete m_btnPlay;
    delete m_btnPause;
    delete m_btnPrevious;
    delete m_btnVolume;
    delete m_sliderPlay;
    delete m_labCurTime;
    delete m_labTotalTime;
    delete m_labFileName;
    delete m_playObject;
    delete m_volumeWidget;
}

QJXBaseButton *QPlayControlWgt::makeButton(const QString &image, const QString &toolTip)
{
    auto *button = new QJXBaseButton(this);
    button->setButtonImage(resource(image), true);
    button->setToolTip(toolTip);
    return button;
}

void QPlayControlWgt::InitCtrl()
{
    m_btnPlay = makeButton(QStringLiteral("/image/BottomWidget/btn_play.png"), tr("Play"));
    m_btnPlay->setObjectName(QStringLiteral("m_btnPlay"));
    connect(m_btnPlay, &QJXBaseButton::clicked, this, &QPlayControlWgt::OnBtnPlay);
    m_btnPause = makeButton(QStringLiteral("/image/BottomWidget/btn_pause.png"), tr("Pause"));
    m_btnPause->setObjectName(QStringLiteral("m_btnPause"));
    m_btnPause->hide();
    connect(m_btnPause, &QJXBaseButton::clicked, this, &QPlayControlWgt::OnBtnPause);
    m_btnPrevious = makeButton(QStringLiteral("/image/BottomWidget/btn_previous.png"), tr("Previous"));
    connect(m_btnPrevious, &QJXBaseButton::clicked, this, &QPlayControlWgt::OnPrevious);
    m_btnNext = makeButton(QStringLiteral("/image/BottomWidget/btn_next.png"), tr("Next"));
    connect(m_btnNext, &QJXBaseButton::clicked, this, &QPlayControlWgt::OnNext);
    m_volumeImage = QStringLiteral("/image/BottomWidget/btn_volume_little.png");
    m_btnVolume = makeButton(m_volumeImage, tr("Volume"));
    connect(m_btnVolume, &QJXBaseButton::clicked, this, &QPlayControlWgt::OnBtnVolume);

    m_volumeWidget = new QVolumeWidget(nullptr);
    m_volumeWidget->resize(16, 64);
    m_volumeWidget->hide();
    m_volumeSlider = m_volumeWidget->GetSlider();
    m_volumeSlider->setMaximum(100.0);
    m_nVolume = int(m_volumeSlider->maximum() * 0.5);
    m_volumeSlider->setValue(m_nVolume);
    connect(m_volumeSlider, &QJXBaseSlider::sendProgressValue, this, &QPlayControlWgt::OnVolumeChange);

    const QColor light(250, 237, 237);
    m_labCurTime = new QLabel(kZeroTime, this);
    m_labTotalTime = new QLabel(kZeroTime, this);
    for (QLabel *label : {m_labCurTime, m_labTotalTime}) {
        QInitCtrlStyle::InitFont(label, 11);
        QInitCtrlStyle::InitPalette(label, QPalette::WindowText, light);
        label->adjustSize();
    }
    m_labFileName = new QLabel(this);
    m_labCurTime->setObjectName(QStringLiteral("m_labCurTime"));
    m_labTotalTime->setObjectName(QStringLiteral("m_labTotalTime"));
    m_labFileName->setObjectName(QStringLiteral("m_labFileName"));
    QInitCtrlStyle::InitFont(m_labFileName, 12);
    QInitCtrlStyle::InitPalette(m_labFileName, QPalette::WindowText, light);
    m_labFileName->adjustSize();
    m_labFileName->hide();

    m_playObject = new JXQPlayObject(nullptr);
    m_playObject->setSoundVolume(m_nVolume);
    connect(m_playObject, &JXQPlayObject::emitPlayPro, this, &QPlayControlWgt::OnSetPlayProgress);
    connect(m_playObject, &JXQPlayObject::emitCurPlayTime, m_labCurTime, &QLabel::setText);
    connect(m_playObject, &JXQPlayObject::emitPlayFinish, this, &QPlayControlWgt::OnPlayFinished);
    // Queued: the message box must not open inside the engine's own call.
    connect(m_playObject, &JXQPlayObject::emitPlayError, this, &QPlayControlWgt::OnPlayError,
            Qt::QueuedConnection);

    m_sliderPlay = new QJXBaseSlider(this);
    m_sliderPlay->setBottomImage(resource(QStringLiteral("/image/BottomWidget/slider_play_bottom.png")));
    m_sliderPlay->setTopImage(resource(QStringLiteral("/image/BottomWidget/slider_play_top.png")));
    m_sliderPlay->setBtnImage(resource(QStringLiteral("/image/slider_btn.png")));
    m_sliderPlay->setOffset(6, -3);
    m_sliderPlay->setFormat(QString());
    m_sliderPlay->setValue(0);
    m_sliderPlay->setCircle(true);
    m_sliderPlay->setCircleLenght(1);
    connect(m_sliderPlay, &QJXBaseSlider::sendPressEvent, this, &QPlayControlWgt::OnPressPlayProgressSlider);
    connect(m_sliderPlay, &QJXBaseSlider::sendReleseEvent, this,
            &QPlayControlWgt::OnReleasePlayProgressSlider);
    connect(m_sliderPlay, &QJXBaseSlider::sendProgressValue, m_playObject,
            &JXQPlayObject::ProgressValueChange);
}

void QPlayControlWgt::resetControlLocation()
{
    const int W = width();
    const int H = height();
    m_btnPlay->move((W - m_btnPlay->width()) / 2, 10);
    m_btnPause->move(m_btnPlay->pos());
    const QRect play = m_btnPlay->geometry();
    m_btnPrevious->move(play.left() - 30 - m_btnPrevious->width(),
                        play.top() + (play.height() - m_btnPrevious->height()) / 2);
    m_btnNext->move(play.right() + 30, play.top() + (play.height() - m_btnNext->height()) / 2);
    m_btnVolume->move(W - 10 - m_btnVolume->width(), (H - m_btnVolume->height()) / 2);
    m_sliderPlay->setGeometry(QRect(QPoint(10, play.bottom() + 10),
                                    QPoint(W - 21 - m_btnVolume->width(), play.bottom() + 21)));
    const QRect slider = m_sliderPlay->geometry();
    m_labCurTime->move(slider.left(), slider.bottom());
    m_labTotalTime->move(slider.right() - m_labTotalTime->width(), m_labCurTime->y());
}

// ---- state -------------------------------------------------------------------------

bool QPlayControlWgt::isPlaying() const
{
    return !m_strCurrentFile.isEmpty() && !m_playObject->isStopPlay() && !m_playObject->isPausePlay();
}

void QPlayControlWgt::showPlayingLook(bool playing)
{
    m_btnPlay->setVisible(!playing);
    m_btnPause->setVisible(playing);
}

void QPlayControlWgt::clearFileTexts()
{
    m_labFileName->clear();
    m_labTotalTime->setText(kZeroTime);
}

// ---- loading and playing -------------------------------------------------------------

void QPlayControlWgt::OnSetPlayFile(QString path)
{
    if (path.isEmpty())
        return;
    // Paths are taken as they are: on this system a backslash is part of a name.
    m_strCurrentFile = path;
    m_bClosedForEdit = false;
    m_savedPosition = 0;
    m_labFileName->setText(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1));
    m_labFileName->adjustSize();
    if (const auto info = QVideoSettingXml::GetConvertedInfo(path)) {
        m_labTotalTime->setText(info->time);
        m_labTotalTime->adjustSize();
    } else {
        m_labTotalTime->setText(kZeroTime);
    }
    if (currentIndex() < 0) {
        m_listPlay.append(path);
        m_currentIndex = m_listPlay.size() - 1;
    }
    m_playObject->SetPlayFile(path, 0, 0);
}

void QPlayControlWgt::Play()
{
    if (m_listPlay.isEmpty())
        return;
    if (m_strCurrentFile.isEmpty()) {
        const QString first = m_listPlay.first();
        OnSetPlayFile(first);
        if (m_strCurrentFile != first)
            return; // it could not be opened and the bar moved on already
        emit emitPlayingFilePath(first);
    }
    showPlayingLook(true);
    m_playObject->OnPlayVideo();
    // A file that cannot play has been reported finished meanwhile.
    showPlayingLook(isPlaying());
}

void QPlayControlWgt::Pause()
{
    if (m_listPlay.isEmpty() || m_strCurrentFile.isEmpty())
        return;
    showPlayingLook(false);
    m_playObject->OnPauseVideo();
}

void QPlayControlWgt::OnPlayOrPause(bool play)
{
    if (play)
        Play();
    else
        Pause();
}

void QPlayControlWgt::OnBtnPlay()
{
    Play();
    emit emitPlayOrPauseState(isPlaying());
}

void QPlayControlWgt::OnBtnPause()
{
    Pause();
    emit emitPlayOrPauseState(isPlaying());
}

// ---- moving in the list ----------------------------------------------------------------

int QPlayControlWgt::currentIndex() const
{
    if (!m_listPlay.isAt(m_currentIndex, m_strCurrentFile))
        m_currentIndex = m_listPlay.indexOf(m_strCurrentFile);
    return m_currentIndex;
}

void QPlayControlWgt::playEntry(int index)
{
    const QString path = m_listPlay.at(index);
    m_currentIndex = index;
    OnSetPlayFile(path);
    if (m_strCurrentFile != path)
        return;
    Play();
    if (m_strCurrentFile == path)
        emit emitPlayingFilePath(path);
}

void QPlayControlWgt::moveNext(bool fromEngine)
{
    if (m_listPlay.isEmpty())
        return;
    const int i = currentIndex();
    int target = 0;
    if (i >= 0 && i < m_listPlay.size() - 1) {
        target = i + 1;
    } else if (i == m_listPlay.size() - 1 && fromEngine) {
        emit emitFinishPlay();
        Pause();
        m_strCurrentFile.clear();
        return;
    }
    playEntry(target);
}

void QPlayControlWgt::OnNext()
{
    moveNext(false);
}

void QPlayControlWgt::OnPlayFinished()
{
    moveNext(true);
}

void QPlayControlWgt::OnPlayError(const QString &message)
{
    showPlayingLook(isPlaying());
    emit emitPlayOrPauseState(isPlaying());
    QJXMessageBox::ShowMessage(window(), message, QString(), QJXMessageBox::NoIcon,
                               QJXMessageBox::OkButton);
}

void QPlayControlWgt::OnPrevious()
{
    if (m_listPlay.isEmpty())
        return;
    const int i = currentIndex();
    playEntry(i >= 1 ? i - 1 : m_listPlay.size() - 1);
}

// ---- the list --------------------------------------------------------------------------

void QPlayControlWgt::OnSetPlayList(const QPlayListPaths &list)
{
    m_listPlay = list;
}

void QPlayControlWgt::OnAppendPlayList(QStringList list)
{
    m_listPlay.append(QPlayListPaths(list));
}

void QPlayControlWgt::OnRenameAudioFile(QString oldPath, QString newPath)
{
    // Names that differ in letter case are different files here.
    if (!QFile::exists(newPath) || oldPath == newPath)
        return;
    const int index = m_listPlay.indexOf(oldPath);
    if (index < 0)
        return;
    m_listPlay.replace(index, newPath);
    if (m_strCurrentFile == oldPath)
        m_strCurrentFile = newPath;
}

void QPlayControlWgt::OnRemoveFiles(QStringList files)
{
    if (!m_strCurrentFile.isEmpty() && files.contains(m_strCurrentFile)
        && m_listPlay.contains(m_strCurrentFile)) {
        Pause();
        m_playObject->CloseWithoutFinishSignal();
        m_strCurrentFile.clear();
        m_bClosedForEdit = false;
    }
    // One pass over a list that may hold a large library.
    m_listPlay.removeAll(files);
    if (m_listPlay.isEmpty()) {
        clearFileTexts();
        return;
    }
    if (m_strCurrentFile.isEmpty()) {
        const QString first = m_listPlay.first();
        OnSetPlayFile(first);
        if (m_strCurrentFile != first)
            return;
        emit emitPlayingFilePath(first);
        emit emitPlayOrPauseState(false);
    }
}

void QPlayControlWgt::OnRemoveAllFiles()
{
    Pause();
    clearFileTexts();
    m_playObject->CloseWithoutFinishSignal();
    m_strCurrentFile.clear();
    m_listPlay.clear();
    m_bClosedForEdit = false;
    m_savedPosition = 0;
}

// ---- closing for an edit ---------------------------------------------------------------

void QPlayControlWgt::OnCloseFileIfIsPlaying(QString path)
{
    if (path.isEmpty() || path != m_strCurrentFile)
        return;
    m_savedPosition = m_playObject->getCurrentPlayerPos();
    m_bClosedForEdit = true;
    m_playObject->CloseWithoutFinishSignal();
}

void QPlayControlWgt::OnContinuePlayAfterEdit(bool play)
{
    // A file closed at its very start is reopened too: the flag, not the
    // position, says whether a file waits.
    if (!m_bClosedForEdit)
        return;
    const uint64_t position = m_savedPosition;
    const QString path = m_strCurrentFile;
    m_bClosedForEdit = false;
    m_savedPosition = 0;
    if (path.isEmpty())
        return;
    OnSetPlayFile(path);
    if (m_strCurrentFile != path)
        return;
    m_playObject->setPlayerSeek(position);
    const uint64_t length = m_playObject->getDuration();
    const double span = m_sliderPlay->maximum() - m_sliderPlay->minimum();
    m_sliderPlay->setValue(length > 0 ? span * double(position) / double(length) : 0.0);
    if (play)
        Play();
}

// ---- position and volume ---------------------------------------------------------------

void QPlayControlWgt::OnSetPlayProgress(double fraction)
{
    m_sliderPlay->setValue(m_sliderPlay->maximum() * fraction);
}

void QPlayControlWgt::OnBtnVolume()
{
    const QPoint local = QVolumeWidget::popupPosition(m_btnVolume->geometry(), m_volumeWidget->size());
    m_volumeWidget->move(mapToGlobal(local));
    m_volumeWidget->show();
    m_volumeWidget->activateWindow();
    m_volumeWidget->setFocus(Qt::OtherFocusReason);
}

void QPlayControlWgt::OnVolumeChange(double fraction)
{
    m_nVolume = int((m_volumeSlider->maximum() - m_volumeSlider->minimum()) * fraction);
    ChangeBtnVolImage(fraction);
    m_playObject->setSoundVolume(m_nVolume);
}

void QPlayControlWgt::ChangeBtnVolImage(double fraction)
{
    m_volumeImage = QVolumeWidget::buttonImageFor(fraction);
    m_btnVolume->setButtonImage(resource(m_volumeImage), true);
    m_btnVolume->repaint();
}

void QPlayControlWgt::OnPressPlayProgressSlider(QMouseEvent *)
{
    m_playObject->setSoundVolume(0);
    m_playObject->beginAsyncSeek();
}

void QPlayControlWgt::OnReleasePlayProgressSlider(QMouseEvent *)
{
    m_playObject->endAsyncSeek();
    m_playObject->setSoundVolume(m_nVolume);
}
