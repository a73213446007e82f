#pragma once
// The modal edit dialog on one recording of the library: the Trim, Effect
// and Tag pages over one preview player. What the user decides goes back to
// the recordings table as signals (segments to cut, tags written into the
// file, the segment files kept) and through getEditConfig after exec().
// The dialog shows at once: the file is read on a worker (QEditorFileLoad)
// and the pages, disabled until then, fill in when it is; a file that cannot
// be read is said with its reason. The pages not shown first are built when
// first needed.

#include "media/veeditconfig.h"
#include "widgetkit/qjxdialog.h"

#include <QImage>
#include <QStringList>

class JXAudioRecognizer;
class JXPlayerManager;
struct JXMediaFileRead;
class QAction;
class QAudioTagForm;
class QEffectForm;
class QJXBaseButton;
class QEditorFileLoad;
class QJXMenu;
class QLabel;
class QMediaForm;
class QMessageOpacityForm;
class QTimer;
class QTrimOperationForm;
class QTrimWidget;
class QVideoEditTag;
class QVideoEditingSettings;

class QVideoEditingDlg : public QJXDialog
{
    Q_OBJECT
public:
    explicit QVideoEditingDlg(QWidget *parent = nullptr);
    ~QVideoEditingDlg() override;

    // Decodes the pictures a new dialog draws into the kit's picture cache
    // on a worker, so that the first dialog made does not decode them on
    // the GUI thread. Once per process; returns at once.
    static void preparePictures();

    void setVideoFile(const QString &path, unsigned int width, unsigned int height);
    void getEditConfig(VEEditConfig &config) const;
    bool GetIsSetAudioEffect() const { return m_isSetAudioEffect; }
    // Reads the file set last (again) on a worker; the pages wait for it.
    void InitSettings();
    // Whether the file's read came back, and why it could not be edited
    // (empty when it can).
    bool isFileLoaded() const { return m_loaded; }
    QString fileError() const { return m_fileError; }
    // The trim bar for media with chapters: no page shows it; made, wired
    // and loaded when a host first asks for it.
    QTrimOperationForm *trimOperationForm();

    void setEditConfig(VEEditConfig &config) { m_editConfig = config; }
    QString getTrimTimeLength() const;
    void setHiddenTag(int index);
    void setIsWatermarkAudioStartTime(bool on);
    void setIsNoPlayerAudio(bool on) { m_noPlayerAudio = on; }
    void hideMediaForm();
    void updateMediaFormGeometry();
    // How long recognition may take before it gives up (60 s by default).
    void setRecognitionTimeout(int ms) { m_recognitionTimeoutMs = ms; }

signals:
    void emitPreviousFile();
    void emitNextFile();
    void emitConvertFile(VEEditConfig config);
    void emitAudioTagChange(VEAudioTagInfo info, QString thumbnailPath);
    void emitMediaCoverImage(QImage image);
    void emitConvertFile(VEEditConfig config, bool nLoseLess);
    void emitSaveConvertFileList(QStringList filePathList);
    void emitConvertFilePath(QString filePath);

public slots:
    void selectedTag(int index);
    void isHaveVideo(bool flag);
    void onSnapshot();
    void onSnapshotMenu();
    void openImgPath();
    void showPathSettingDlg();
    void onOK();
    void OnSetIsSetAudioEffect(bool bEffect);
    void OnEmitConvertFile();
    void OnBtnRecognize();
    void OnBtnPrevNext();
    void OnGetIsRecognizedCompelete();
    int GetAudioFormat(const QString &path);

signals:
    // The file's read came back and the pages are filled (or the reason it
    // cannot be edited is shown).
    void fileLoaded();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resetControlLocation() override;

private:
    friend class TestEditDialog;
    friend class TestEditorLoad;
    friend class TestEditorPreview;
    void initControls();
    void initMenu();
    void ininScreenshotsInfo();
    void initEditTag();
    void connectTrimOperationForm();
    // The pages not shown first, made on first use.
    QEffectForm *effectForm();
    QAudioTagForm *audioTagForm();
    void onFileLoaded();
    void applyFile(JXMediaFileRead &read);
    // Pages usable only once the file is read without error.
    void enablePages();
    void placePages();
    void showOpacityMsgDlg(const QString &text);
    void placeMediaForm();
    // The preview pane shows the picture when the file has one (its frame
    // display, and so GL, is made then), else the wave.
    void paneShowsPicture(bool hasVideo);
    // Recognition ends: poll stopped, button back.
    void endRecognition();

    JXPlayerManager *m_playerManager = nullptr;
    QEditorFileLoad *m_load = nullptr;
    bool m_loaded = false;
    QString m_fileError;
    QLabel *m_labError = nullptr;
    bool m_hasVideo = false;
    QVideoEditingSettings *m_editSettings = nullptr;
    QVideoEditTag *m_editTag = nullptr;
    int m_currentTag = 0;
    QMediaForm *m_mediaForm = nullptr;
    QTrimOperationForm *m_trimOperationForm = nullptr;
    QAudioTagForm *m_audioTagForm = nullptr;
    QTrimWidget *m_trimWidget = nullptr;
    QEffectForm *m_effectForm = nullptr;
    JXAudioRecognizer *m_recognizer = nullptr;
    QTimer *m_recognitionPoll = nullptr;
    bool m_isSetAudioEffect = false;
    QJXMenu *m_snapshotMenu = nullptr;
    QAction *m_openFolderAction = nullptr;
    QAction *m_settingsAction = nullptr;
    QString m_snapshotFormat;
    QString m_snapshotFolder;
    QMessageOpacityForm *m_opacityMsg = nullptr;
    VEEditConfig m_editConfig;
    unsigned int m_width = 0;
    unsigned int m_height = 0;
    QString m_filePath;
    bool m_noPlayerAudio = true;
    bool m_initialised = false;
    int m_recognitionTimeoutMs = 60000;
    qint64 m_recognitionStarted = 0;

    QJXBaseButton *m_btnMin = nullptr;
    QJXBaseButton *m_btnClose = nullptr;
    QJXBaseButton *m_btnCancel = nullptr;
    QJXBaseButton *m_btnOK = nullptr;
    QJXBaseButton *m_btnMax = nullptr;
    QJXBaseButton *m_btnNextFile = nullptr;
    QJXBaseButton *m_btnPreviousFile = nullptr;
    QJXBaseButton *m_btnRecognize = nullptr;
};
