#include "editor/qvideoeditingdlg.h"

#include "common/qianyutil.h"
#include "editor/editorlog.h"

#include "editor/qaudiotagform.h"
#include "editor/qcapturesettingdlg.h"
#include "editor/qeditorfileload.h"
#include "editor/qeffectform.h"
#include "editor/qtrimoperationform.h"
#include "editor/qtrimwidget.h"
#include "editor/qvedioeditsettingxml.h"
#include "editor/qveinitctrlstyle.h"
#include "editor/qvideoedittag.h"
#include "media/jxaudiorecognizer.h"
#include "media/jxmediafileread.h"
#include "media/jxplayerclass.h"
#include "media/jxplayermanager.h"
#include "media/jxtagfileaccess.h"
#include "media/qvideoeditingsettings.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxmenu.h"
#include "widgetkit/qjxmessagebox.h"
#include "widgetkit/qjxpicturecache.h"
#include "widgetkit/views/qmediaform.h"
#include "widgetkit/views/qmessageopacityform.h"
#include "widgetkit/views/vecommonclass.h"

#include <QAction>
#include <QCursor>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QtConcurrent>

#include <atomic>

namespace {

QElapsedTimer &recognitionClock()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock;
}

} // namespace

void QVideoEditingDlg::preparePictures()
{
    static std::atomic<bool> started{false};
    if (started.exchange(true))
        return;
    // What the first dialog and its pages ask the cache for, at the ratio
    // they draw at; a name missing here is decoded when it is drawn, as before.
    QVector<QJXPictureCache::Wanted> pictures;
    for (const char *name : {"background.png", "btn_close.png", "btn_min.png", "btn_max.png",
                             "btn_common.png", "btn_previous.png", "btn_next.png", "tab_btn_bg_image.png"})
        pictures.append({QVEInitCtrlStyle::image(QLatin1String(name)), 2});
    const QString resources = QIAnyUtil::getResourcePath();
    for (const char *name :
         {"btn_play.png", "btn_Pause.png", "btn_trimstartset.png", "btn_trimendset.png", "btn_trimplay.png",
          "btn_trimstop.png", "time_rect.png", "btn_time_rect_up.png", "btn_time_rect_bottom.png",
          "slider_bottom.png", "slider_top.png", "slider_btn.png", "btn_left.png", "btn_right.png",
          "slider_background_bottom.png", "slider_background_up.png"})
        pictures.append({resources + QStringLiteral("/image/EditDlg/") + QLatin1String(name), 2});
    pictures.append({resources + QStringLiteral("/image/EditDlg/mask.png"), 1});
    pictures.append({resources + QStringLiteral("/image/common/btn_common.png"), 2});
    QtConcurrent::run([pictures, effects = resources + QStringLiteral("/AudioEffects/")]() mutable {
        // The effect page's preset pictures.
        for (const QFileInfo &preset :
             QDir(effects).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
            pictures.append({preset.filePath() + QStringLiteral("/thumbnail.png"), 1});
        QJXPictureCache::decodeAhead(pictures);
    });
}

QVideoEditingDlg::QVideoEditingDlg(QWidget *parent)
    : QJXDialog(parent)
{
    m_editConfig.reset();
    m_btnMin = new QJXBaseButton(this);
    m_btnClose = new QJXBaseButton(this);
    m_btnCancel = new QJXBaseButton(this);
    m_btnOK = new QJXBaseButton(this);
    m_btnMax = new QJXBaseButton(this);
    m_btnNextFile = new QJXBaseButton(this);
    m_btnPreviousFile = new QJXBaseButton(this);
    m_btnRecognize = new QJXBaseButton(this);

    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setBackgroundImage(QVEInitCtrlStyle::image("background.png"), true);
    setGridViewInfo({70, 70}, {70, 70}, {70, 70}, {70, 70});
    setStretchPolicy(StretchNone);
    setFixedSize(499, 451);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(QStringLiteral("Edit"));
    setDlgTitle(QStringLiteral("Edit"));
    setTitleRect(QRect(0, 8, 0, 0));
    setAlignment(Qt::AlignCenter);
    QVEInitCtrlStyle::SetPalette(this, QPalette::WindowText, QVEInitCtrlStyle::lightText());
    QVEInitCtrlStyle::SetFont(this, 12);
    setWindowTitle(tr("Video Edit"));

    qRegisterMetaType<VECropSettings>("VECropSettings");
    qRegisterMetaType<VEWatermarkSettings>("VEWatermarkSettings");

    initControls();
    initEditTag();
    m_editTag->setDisableTag(2, true);
}

QVideoEditingDlg::~QVideoEditingDlg()
{
    // A read still running is dropped; it releases what it opened itself.
    delete m_load;
    m_load = nullptr;
    delete m_effectForm;
    m_effectForm = nullptr;
    // Deleting the trim page hands its segment files on to the library.
    delete m_trimWidget;
    m_trimWidget = nullptr;
    delete m_recognizer;
    m_recognizer = nullptr;
    delete m_recognitionPoll;
    m_recognitionPoll = nullptr;
    delete m_editTag;
    m_editTag = nullptr;
    delete m_playerManager;
    m_playerManager = nullptr;
    delete m_mediaForm;
    m_mediaForm = nullptr;
    delete m_trimOperationForm;
    m_trimOperationForm = nullptr;
    delete m_editSettings;
    m_editSettings = nullptr;
    delete m_audioTagForm;
    m_audioTagForm = nullptr;
    delete m_snapshotMenu;
    m_snapshotMenu = nullptr;
    delete m_openFolderAction;
    m_openFolderAction = nullptr;
    delete m_settingsAction;
    m_settingsAction = nullptr;
    delete m_opacityMsg;
    m_opacityMsg = nullptr;
}

// ------------------------------------------------------------------ set-up

void QVideoEditingDlg::initControls()
{
    m_playerManager = new JXPlayerManager;
    connect(m_playerManager, &JXPlayerManager::emitIsHaveVideo, this, &QVideoEditingDlg::isHaveVideo);
    // A preview cut short by its sound output is said without stopping the editing.
    connect(m_playerManager, &JXPlayerManager::emitPlayError, this, &QVideoEditingDlg::showOpacityMsgDlg);
    m_editSettings = new QVideoEditingSettings(this);
    m_editSettings->setPlayerManager(m_playerManager);

    m_btnClose->setButtonImage(QVEInitCtrlStyle::image("btn_close.png"), true);
    m_btnMin->setButtonImage(QVEInitCtrlStyle::image("btn_min.png"), true);
    m_btnMin->setEnabled(false);
    m_btnMax->setButtonImage(QVEInitCtrlStyle::image("btn_max.png"), true);
    m_btnMax->setEnabled(false);
    connect(m_btnClose, &QAbstractButton::clicked, this, &QWidget::close);
    connect(m_btnMin, &QAbstractButton::clicked, this, &QWidget::showMinimized);

    QVEInitCtrlStyle::SetJXButton(m_btnOK, 70, 28);
    QVEInitCtrlStyle::SetJXButton(m_btnCancel, 70, 28);
    m_btnOK->setText(tr("OK"));
    m_btnCancel->setText(tr("Cancel"));
    connect(m_btnOK, &QAbstractButton::clicked, this, &QVideoEditingDlg::onOK);
    connect(m_btnCancel, &QAbstractButton::clicked, this, &QWidget::close);

    m_btnPreviousFile->setButtonImage(QVEInitCtrlStyle::image("btn_previous.png"), true);
    m_btnNextFile->setButtonImage(QVEInitCtrlStyle::image("btn_next.png"), true);
    connect(m_btnPreviousFile, &QAbstractButton::clicked, this, &QVideoEditingDlg::emitPreviousFile);
    connect(m_btnNextFile, &QAbstractButton::clicked, this, &QVideoEditingDlg::emitNextFile);
    m_btnPreviousFile->hide();
    m_btnNextFile->hide();

    m_mediaForm = new QMediaForm(m_playerManager, this);
    m_mediaForm->hide();
    m_playerManager->setWaveFreq(0);

    m_btnRecognize->setButtonImage(QVEInitCtrlStyle::image("btn_common.png"), true);
    QVEInitCtrlStyle::SetJXButton(m_btnRecognize, 70, 28);
    m_btnRecognize->setText(tr("Recognize"));
    connect(m_btnRecognize, &QAbstractButton::clicked, this, &QVideoEditingDlg::OnBtnRecognize);
    m_btnPreviousFile->setToolTip(tr("Previous File"));
    m_btnNextFile->setToolTip(tr("Next File"));

    m_trimWidget = new QTrimWidget(this);
    m_trimWidget->SetEditSettings(m_editSettings);
    m_trimWidget->setEnabled(false);
    m_trimWidget->show();
    QTrimWidget *T = m_trimWidget;
    connect(T, &QTrimWidget::emitConvertFile, this, &QVideoEditingDlg::OnEmitConvertFile);
    connect(T, &QTrimWidget::emitSaveFile, this, &QVideoEditingDlg::emitSaveConvertFileList);
    connect(this, &QVideoEditingDlg::emitConvertFilePath, T, &QTrimWidget::OnSetSaveFile);
    connect(m_playerManager, &JXPlayerManager::emitPlayFinish, T, &QTrimWidget::OnStop);

    m_labError = new QLabel(this);
    m_labError->setObjectName(QStringLiteral("m_labError"));
    m_labError->setAccessibleName(tr("File error"));
    m_labError->setWordWrap(true);
    m_labError->setAlignment(Qt::AlignCenter);
    QVEInitCtrlStyle::SetFont(m_labError, 12);
    QVEInitCtrlStyle::SetPalette(m_labError, QPalette::WindowText, QVEInitCtrlStyle::lightText());
    m_labError->hide();

    m_btnRecognize->hide();
}

QEffectForm *QVideoEditingDlg::effectForm()
{
    if (m_effectForm)
        return m_effectForm;
    m_effectForm = new QEffectForm(this);
    m_effectForm->hide();
    m_effectForm->setEnabled(m_loaded && m_fileError.isEmpty());
    QEffectForm *E = m_effectForm;
    connect(E, &QEffectForm::emitSetAudioEffect, this, &QVideoEditingDlg::OnSetIsSetAudioEffect);
    m_effectForm->SetEditSettings(m_editSettings);
    if (JXPlayerManager *P = m_playerManager) {
        connect(E, &QEffectForm::emitPause, P, &JXPlayerManager::onPause);
        connect(E, &QEffectForm::emitPlay, P, &JXPlayerManager::onPlay);
        connect(E, &QEffectForm::emitSeekPlayProgress, P, &JXPlayerManager::progressValueChange);
        connect(P, &JXPlayerManager::emitPlayProgress, E, &QEffectForm::OnSetPlayPro);
        connect(P, &JXPlayerManager::emitPlayTime2, E, &QEffectForm::OnSetPlayTime);
    }
    QTrimWidget *T = m_trimWidget;
    connect(T, &QTrimWidget::emitPlayState, E, &QEffectForm::OnSetPlayState);
    connect(E, &QEffectForm::emitPlayState, T, &QTrimWidget::OnSetPlayState);
    placePages();
    return m_effectForm;
}

QAudioTagForm *QVideoEditingDlg::audioTagForm()
{
    if (m_audioTagForm)
        return m_audioTagForm;
    m_audioTagForm = new QAudioTagForm(this);
    m_audioTagForm->hide();
    m_audioTagForm->setEditSettings(m_editSettings);
    m_audioTagForm->setEnabled(m_loaded && m_fileError.isEmpty());
    if (m_loaded)
        m_audioTagForm->loadingSetting();
    placePages();
    return m_audioTagForm;
}

QTrimOperationForm *QVideoEditingDlg::trimOperationForm()
{
    if (m_trimOperationForm)
        return m_trimOperationForm;
    m_trimOperationForm = new QTrimOperationForm(this);
    m_trimOperationForm->hide();
    m_trimOperationForm->setEditSettings(m_editSettings);
    if (m_playerManager)
        connectTrimOperationForm();
    m_trimOperationForm->setDisableSnapshot(!m_hasVideo);
    if (m_loaded)
        m_trimOperationForm->loadingSetting();
    placePages();
    return m_trimOperationForm;
}

void QVideoEditingDlg::connectTrimOperationForm()
{
    JXPlayerManager *P = m_playerManager;
    QTrimOperationForm *F = m_trimOperationForm;
    connect(P, &JXPlayerManager::emitPlayFinish, F, &QTrimOperationForm::playFinish);
    connect(P, &JXPlayerManager::emitPlayProgress, F, &QTrimOperationForm::setPlayProcess);
    connect(P, &JXPlayerManager::emitPlayTime2, F, &QTrimOperationForm::setTime);
    connect(P, QOverload<bool>::of(&JXPlayerManager::emitPlayState), F, &QTrimOperationForm::showPlayOrPause);
    connect(P, &JXPlayerManager::emitTrimPlayState, F, &QTrimOperationForm::showTrimPlayOrPause);
    connect(P, &JXPlayerManager::emitStartEndProgressValue, F, &QTrimOperationForm::setStartEndProgressValue);
    connect(P, &JXPlayerManager::emitTrimTimeChange, F, &QTrimOperationForm::trimTimeChange);
    connect(F, &QTrimOperationForm::emitTrimPlay, P, &JXPlayerManager::onTrimPlay);
    connect(F, &QTrimOperationForm::emitPause, P, &JXPlayerManager::onPause);
    connect(F, &QTrimOperationForm::emitTrimPause, P, &JXPlayerManager::onTrimPause);
    connect(F, &QTrimOperationForm::emitStop, P, &JXPlayerManager::onStop);
    connect(F, &QTrimOperationForm::emitPlay, P, &JXPlayerManager::onPlay);
    connect(F, &QTrimOperationForm::emitSliderSendPlayProToPlay, P, &JXPlayerManager::progressValueChange);
    connect(F, &QTrimOperationForm::emitSliderMousePress, P, &JXPlayerManager::beginAsyncSeek);
    connect(F, &QTrimOperationForm::emitSliderMouseRelease, P, &JXPlayerManager::endAsyncSeek);
    connect(F, &QTrimOperationForm::emitPreviousStep, P, &JXPlayerManager::onPreviousStep);
    connect(F, &QTrimOperationForm::emitNextStep, P, &JXPlayerManager::onNextStep);
    connect(F, &QTrimOperationForm::emitTrim, P, &JXPlayerManager::onTrim);
    connect(F, &QTrimOperationForm::emitTrimChapter, P, &JXPlayerManager::onTrimChapter);
    connect(F, &QTrimOperationForm::emitReset, P, &JXPlayerManager::onReset);
    connect(F, &QTrimOperationForm::emitSnapshot, this, &QVideoEditingDlg::onSnapshot);
    connect(F, &QTrimOperationForm::emitSnapshotMenu, this, &QVideoEditingDlg::onSnapshotMenu);
}

void QVideoEditingDlg::initEditTag()
{
    m_editTag = new QVideoEditTag(this);
    m_editTag->resize(width(), 40);
    m_editTag->setBackgroundColor(QColor(31, 31, 31));
    m_editTag->createTag({tr("Trim"), tr("Effect"), tr("Tag")});
    m_editTag->show();
    connect(m_editTag, &QVideoEditTag::emitSelectedTag, this, &QVideoEditingDlg::selectedTag);
}

// ------------------------------------------------------------------ the library's calls

void QVideoEditingDlg::setVideoFile(const QString &path, unsigned int width, unsigned int height)
{
    m_filePath = path;
    m_width = width;
    m_height = height;
}

void QVideoEditingDlg::getEditConfig(VEEditConfig &config) const
{
    m_editSettings->getEditConfig(config);
}

QString QVideoEditingDlg::getTrimTimeLength() const
{
    if (!m_editSettings)
        return QStringLiteral("00:00:00");
    const uint64_t ms = m_editSettings->getTrimTimeLength() / 1000;
    auto two = [](uint64_t v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    return QStringLiteral("%1:%2:%3").arg(two(ms / 3600000), two(ms / 60000 % 60), two(ms / 1000 % 60));
}

void QVideoEditingDlg::setHiddenTag(int index)
{
    m_editTag->setHiddenTag(index);
}

void QVideoEditingDlg::setIsWatermarkAudioStartTime(bool on)
{
    if (m_editSettings)
        m_editSettings->setIsWatermarkAudioStartTime(on);
}

void QVideoEditingDlg::hideMediaForm()
{
    delete m_playerManager;
    m_playerManager = nullptr;
    delete m_mediaForm;
    m_mediaForm = nullptr;
}

void QVideoEditingDlg::showEvent(QShowEvent *event)
{
    QJXDialog::showEvent(event);
    if (m_initialised)
        return;
    m_initialised = true;
    if (m_playerManager) {
        if (!m_recognizer)
            m_recognizer = new JXAudioRecognizer(this);
        if (!m_recognitionPoll) {
            m_recognitionPoll = new QTimer(this);
            connect(m_recognitionPoll, &QTimer::timeout, this, &QVideoEditingDlg::OnGetIsRecognizedCompelete);
        }
    }
    InitSettings();
    m_editTag->setSelectedTag(0);
}

void QVideoEditingDlg::InitSettings()
{
    m_filePath.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString name = m_filePath.mid(m_filePath.lastIndexOf(QLatin1Char('/')) + 1);
    setWindowTitle(QStringLiteral("Edit - ") + name);
    setDlgTitle(QStringLiteral("Edit - ") + name);
    // The pages wait for the new file; the preview of the one before stops.
    m_loaded = false;
    m_fileError.clear();
    m_labError->hide();
    enablePages();
    // No picture until the read says so: a file that cannot be opened shows
    // the (empty) wave and makes no frame display.
    m_hasVideo = false;
    paneShowsPicture(false);
    if (m_playerManager) {
        m_trimWidget->setVideoPlay(nullptr);
        m_playerManager->onPause();
    }
    delete m_load;
    m_load = new QEditorFileLoad(this);
    connect(m_load, &QEditorFileLoad::loaded, this, &QVideoEditingDlg::onFileLoaded);
    JXMediaFileRead::Request request;
    request.path = m_filePath;
    request.width = m_width;
    request.height = m_height;
    request.openPlayer = m_playerManager != nullptr;
    request.playerWithAudio = m_noPlayerAudio;
    m_load->start(request);
}

void QVideoEditingDlg::onFileLoaded()
{
    JXMediaFileRead read = m_load->takeResult();
    if (read.path != m_filePath)
        return;
    applyFile(read);
    emit fileLoaded();
}

void QVideoEditingDlg::applyFile(JXMediaFileRead &read)
{
    m_loaded = true;
    m_fileError = read.error;
    m_editConfig.resolutionWidth = int32_t(read.width);
    m_editConfig.resolutionHeight = int32_t(read.height);
    emit emitMediaCoverImage(read.thumbnail);
    if (m_playerManager)
        m_playerManager->setOpenedMedia(read.media, read.width, read.height, 3);
    m_editConfig.audioTagInfo = read.tags;
    if (m_editConfig.chapterList.isEmpty())
        m_editConfig.chapterList = read.chapters;
    if (m_editSettings)
        m_editSettings->setEditConfig(m_editConfig);
    if (m_trimOperationForm)
        m_trimOperationForm->loadingSetting();
    if (m_audioTagForm)
        m_audioTagForm->loadingSetting();
    m_trimWidget->LoadingSetting();
    // The effect page's first preset belongs to the edit record.
    effectForm()->InitSelect();
    if (read.tagFormat == -1)
        m_editTag->setHiddenTag(2);
    enablePages();
    if (!m_fileError.isEmpty()) {
        m_labError->setText(tr("This file cannot be edited.") + QLatin1Char('\n') + m_fileError);
        placePages();
        m_labError->show();
        m_labError->raise();
        return;
    }
    if (m_playerManager) {
        m_playerManager->onPlay();
        JXPlayerClass *player = m_playerManager->getPlayerClass();
        m_trimWidget->setVideoPlay(player ? player->getPlayer() : nullptr);
    }
}

void QVideoEditingDlg::enablePages()
{
    const bool usable = m_loaded && m_fileError.isEmpty();
    for (QWidget *page : {static_cast<QWidget *>(m_trimWidget), static_cast<QWidget *>(m_effectForm),
                          static_cast<QWidget *>(m_audioTagForm), static_cast<QWidget *>(m_mediaForm)})
        if (page)
            page->setEnabled(usable);
    m_btnRecognize->setEnabled(usable);
}

int QVideoEditingDlg::GetAudioFormat(const QString &path)
{
    return JXMediaFileRead::tagFormatOf(path);
}

// ------------------------------------------------------------------ pages

void QVideoEditingDlg::selectedTag(int index)
{
    m_currentTag = index;
    if (m_trimOperationForm)
        m_trimOperationForm->hide();
    // Pages not made yet are not there to hide.
    auto hide = [](QWidget *page) {
        if (page)
            page->hide();
    };
    switch (index) {
    case 0:
        m_trimWidget->show();
        hide(m_audioTagForm);
        hide(m_mediaForm);
        hide(m_effectForm);
        m_btnRecognize->hide();
        break;
    case 1:
        effectForm()->show();
        if (m_mediaForm) {
            // The picture of a video, the playing wave of a sound file.
            m_mediaForm->setOperationType(QMediaForm::Preview);
            m_mediaForm->show();
        }
        hide(m_audioTagForm);
        m_btnRecognize->hide();
        m_trimWidget->hide();
        break;
    case 2:
        audioTagForm()->show();
        m_btnRecognize->show();
        hide(m_mediaForm);
        hide(m_effectForm);
        m_trimWidget->hide();
        placeMediaForm();
        break;
    default:
        break;
    }
}

void QVideoEditingDlg::isHaveVideo(bool flag)
{
    m_hasVideo = flag;
    m_editTag->setDisableTag(2, flag);
    if (m_trimOperationForm)
        m_trimOperationForm->setDisableSnapshot(!flag);
    paneShowsPicture(flag);
}

void QVideoEditingDlg::paneShowsPicture(bool hasVideo)
{
    if (!m_mediaForm)
        return;
    m_mediaForm->isHaveVideo(hasVideo);
    // A file opened while the pane shows switches it between picture and wave.
    if (m_currentTag == 1)
        m_mediaForm->setOperationType(QMediaForm::Preview);
}

void QVideoEditingDlg::OnSetIsSetAudioEffect(bool bEffect)
{
    m_isSetAudioEffect = bEffect;
}

void QVideoEditingDlg::OnEmitConvertFile()
{
    VEEditConfig config;
    m_editSettings->getEditConfig(config);
    emit emitConvertFile(config, !m_isSetAudioEffect);
}

void QVideoEditingDlg::onOK()
{
    VEEditConfig config;
    m_editSettings->getEditConfig(config);
    // Tags change only through the tag page.
    if (m_audioTagForm && m_audioTagForm->audioTagInfoChange()) {
        const JXTagFileAccess::EmptyCover emptyCover = m_audioTagForm->coverRemoved()
                                                           ? JXTagFileAccess::RemoveFileCover
                                                           : JXTagFileAccess::KeepFileCover;
        if (JXTagFileAccess::write(m_filePath.toUtf8().toStdString(), config.audioTagInfo,
                                   JXTagFileAccess::AllFields, emptyCover, m_audioTagForm->removedTexts())) {
            emit emitAudioTagChange(config.audioTagInfo, m_audioTagForm->getThumbnailPath());
        } else {
            // The user must know the tags did not reach the file.
            QJXMessageBox::ShowMessage(this, tr("The tags could not be written into the file."),
                                       QString(), QJXMessageBox::Error, QJXMessageBox::OkButton);
        }
    }
    if (config.startTime != 0 || config.endTime != 0)
        emit emitConvertFile(config);
    accept();
}

void QVideoEditingDlg::OnBtnPrevNext()
{
    if (sender() == m_btnPreviousFile)
        emit emitPreviousFile();
    else if (sender() == m_btnNextFile)
        emit emitNextFile();
}

// ------------------------------------------------------------------ recognition

void QVideoEditingDlg::OnBtnRecognize()
{
    if (!m_recognizer)
        return;
    m_recognizer->ReleaseAudioRecognizer();
    m_recognizer->CreateAudioRecognizerFromFilepath(m_filePath);
    m_btnRecognize->setEnabled(false);
    m_recognitionStarted = recognitionClock().elapsed();
    m_recognitionPoll->start(500);
}

void QVideoEditingDlg::endRecognition()
{
    m_recognizer->StopRecognizer();
    m_recognitionPoll->stop();
    m_btnRecognize->setEnabled(true);
}

void QVideoEditingDlg::OnGetIsRecognizedCompelete()
{
    if (!m_recognizer || !m_editSettings)
        return;
    if (!m_recognizer->GetRecognizerCompleted()) {
        if (recognitionClock().elapsed() - m_recognitionStarted >= m_recognitionTimeoutMs) {
            endRecognition();
            showOpacityMsgDlg(tr("The track could not be recognized."));
        }
        return;
    }
    endRecognition();
    const JXRecognizerAudioTagInfo found = m_recognizer->GetAudioTagInfo();
    if (found.title.isEmpty() && found.artist.isEmpty() && found.album.isEmpty())
        return;
    VEAudioTagInfo tags = found.tagInfo();
    m_editSettings->setAudioTagInfo(tags);
    audioTagForm()->RefreshTagInfo(tags);
    qCDebug(lcEditor) << "==================== OnGetIsRecognizedCompelete ====================";
}

// ------------------------------------------------------------------ snapshots

void QVideoEditingDlg::ininScreenshotsInfo()
{
    m_snapshotFormat = QVedioEditSettingXml::getCaptureImgSuffix();
    m_snapshotFolder = QVedioEditSettingXml::getCaptrueImaSavePath();
    m_snapshotFolder.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

void QVideoEditingDlg::initMenu()
{
    m_openFolderAction = new QAction(tr("Open Folder"), this);
    m_settingsAction = new QAction(tr("Settings"), this);
    m_snapshotMenu = new QJXMenu(this);
    m_snapshotMenu->setFrameWidth(1);
    m_snapshotMenu->setFrameColor(QColor(20, 20, 20));
    m_snapshotMenu->setAreaColor(QColor(50, 50, 50));
    m_snapshotMenu->setItemColor(QColor(50, 50, 50));
    m_snapshotMenu->setItemTextColor(QVEInitCtrlStyle::lightText());
    m_snapshotMenu->setItemSelectColor(QColor(255, 132, 65));
    m_snapshotMenu->setItemTextEabledColor(QColor(131, 127, 127));
    m_snapshotMenu->setItemEabledColor(QColor(65, 64, 64));
    m_snapshotMenu->setSeparatorColor(QColor(44, 44, 44));
    QVEInitCtrlStyle::SetFont(m_snapshotMenu, 12);
    m_snapshotMenu->addAction(m_openFolderAction);
    m_snapshotMenu->addAction(m_settingsAction);
    connect(m_openFolderAction, &QAction::triggered, this, &QVideoEditingDlg::openImgPath, Qt::QueuedConnection);
    connect(m_settingsAction, &QAction::triggered, this, &QVideoEditingDlg::showPathSettingDlg);
}

void QVideoEditingDlg::onSnapshot()
{
    ininScreenshotsInfo();
    if (!QDir(m_snapshotFolder).exists()) {
        showOpacityMsgDlg(QStringLiteral("\"%1\"%2").arg(m_snapshotFolder, tr("is not exists")));
        return;
    }
    const QString name = QStringLiteral("ScreenCapture_%1.%2")
                             .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmsszzz")),
                                  m_snapshotFormat.toLower());
    const QString path = QStringLiteral("%1/%2").arg(m_snapshotFolder, name);
    const bool saved = m_playerManager && m_playerManager->captureImage(path, m_snapshotFormat);
    showOpacityMsgDlg(saved ? tr("Snapshot successfully!") : tr("Snapshot failed!"));
}

void QVideoEditingDlg::onSnapshotMenu()
{
    if (!m_snapshotMenu)
        initMenu();
    m_snapshotMenu->popup(QCursor::pos() - QPoint(2, 0));
}

void QVideoEditingDlg::openImgPath()
{
    ininScreenshotsInfo();
    VECommonClass::setOpenFinder(m_snapshotFolder);
}

void QVideoEditingDlg::showPathSettingDlg()
{
    QCaptureSettingDlg dialog(nullptr);
    dialog.setWindowFlags(windowFlags());
    if (dialog.exec() == QDialog::Accepted)
        ininScreenshotsInfo();
}

void QVideoEditingDlg::showOpacityMsgDlg(const QString &text)
{
    if (!m_opacityMsg) {
        m_opacityMsg = new QMessageOpacityForm(this);
        m_opacityMsg->setBackgroundImage(QVEInitCtrlStyle::image("bg_3.png"), false);
    }
    m_opacityMsg->setMessageText(text);
    m_opacityMsg->startOpacity();
    m_opacityMsg->setShowlink(0, 0, false);
    m_opacityMsg->setCheckShow(false);
    const QScreen *screen = QGuiApplication::primaryScreen();
    const int desktopWidth = screen ? screen->geometry().width() : 0;
    m_opacityMsg->move(desktopWidth - 30 - m_opacityMsg->width(), 10);
    m_opacityMsg->show();
}

// ------------------------------------------------------------------ events and layout

void QVideoEditingDlg::mouseDoubleClickEvent(QMouseEvent *)
{
    // A double click never maximises the editor.
}

void QVideoEditingDlg::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

void QVideoEditingDlg::placeMediaForm()
{
    if (m_mediaForm)
        m_mediaForm->setGeometry(8, m_editTag->geometry().bottom() + 1, width() - 16, 65);
}

void QVideoEditingDlg::updateMediaFormGeometry()
{
    if (m_currentTag == 2)
        placeMediaForm();
}

void QVideoEditingDlg::resetControlLocation()
{
    const int W = width();
    const int H = height();
    if (!m_editTag)
        return;
    m_btnClose->move(13, 13);
    m_btnMin->move(m_btnClose->x() + m_btnClose->width() + 8, m_btnClose->y());
    m_btnMax->move(m_btnMin->x() + m_btnMin->width() + 8, m_btnClose->y());
    auto bandY = [H](QWidget *w) { return H - 58 + (50 - w->height()) / 2; };
    m_btnCancel->move(W - 23 - m_btnCancel->width(), bandY(m_btnCancel));
    m_btnOK->move(m_btnCancel->x() - 15 - m_btnOK->width(), bandY(m_btnOK));
    m_btnRecognize->move(m_btnOK->x() - 15 - m_btnRecognize->width(), bandY(m_btnRecognize));
    m_btnPreviousFile->move(23, bandY(m_btnPreviousFile));
    m_btnNextFile->move(m_btnPreviousFile->x() + m_btnPreviousFile->width(), bandY(m_btnNextFile));
    m_editTag->setGeometry(8, 30, W - 16, 40);
    placePages();
}

void QVideoEditingDlg::placePages()
{
    const int W = width();
    const int H = height();
    placeMediaForm();
    const int below = m_editTag->geometry().bottom() + 1;
    const int mediaBottom = m_mediaForm ? m_mediaForm->geometry().bottom() + 1 : below;
    if (m_effectForm)
        m_effectForm->setGeometry(QRect(QPoint(8, mediaBottom), QPoint(W - 9, H - 59)));
    m_trimWidget->setGeometry(QRect(QPoint(8, below), QPoint(W - 9, H - 59)));
    if (m_audioTagForm)
        m_audioTagForm->setGeometry(QRect(QPoint(8, below), QPoint(W - 9, H - 58)));
    if (m_trimOperationForm)
        m_trimOperationForm->setGeometry(6, H - 56 - 86, W - 12, 86);
    // In the trim page's empty segment list.
    m_labError->setGeometry(QRect(QPoint(24, H - 59 - 110), QPoint(W - 25, H - 59 - 10)));
}
