#pragma once
// The playback bar of the recordings library: Previous, Play/Pause, Next, a
// position slider with position and length texts, and a volume button with
// its popup. It keeps a play list and the current file and drives the
// library's playback engine, one file at a time.

#include "controls/qplaylistpaths.h"
#include "widgetkit/qjxwidget.h"

#include <QString>
#include <QStringList>

#include <cstdint>

class JXQPlayObject;
class QJXBaseButton;
class QJXBaseSlider;
class QLabel;
class QMouseEvent;
class QVolumeWidget;

class QPlayControlWgt : public QJXWidget
{
    Q_OBJECT
public:
    explicit QPlayControlWgt(QWidget *parent = nullptr);
    ~QPlayControlWgt() override;

    void Play();
    void Pause();
    void ChangeBtnVolImage(double fraction);

    // State for the owner and for checks.
    QString currentFile() const { return m_strCurrentFile; }
    QStringList playList() const { return m_listPlay.toStringList(); }
    // The engine plays the current file right now.
    bool isPlaying() const;
    int volume() const { return m_nVolume; }
    QString volumeImage() const { return m_volumeImage; }
    JXQPlayObject *playObject() const { return m_playObject; }
    QJXBaseSlider *positionSlider() const { return m_sliderPlay; }
    QVolumeWidget *volumePopup() const { return m_volumeWidget; }

signals:
    void emitPlayingFilePath(QString path);
    void emitPlayOrPauseState(bool play);
    void emitFinishPlay();

public slots:
    void OnSetPlayFile(QString path);
    void OnSetPlayList(const QPlayListPaths &list);
    void OnPlayOrPause(bool play);
    void OnRenameAudioFile(QString oldPath, QString newPath);
    void OnCloseFileIfIsPlaying(QString path);
    void OnRemoveFiles(QStringList files);
    void OnRemoveAllFiles();
    void OnContinuePlayAfterEdit(bool play);
    void OnAppendPlayList(QStringList list);
    void OnBtnPlay();
    void OnBtnPause();
    void OnNext();
    void OnPrevious();
    void OnBtnVolume();
    void OnSetPlayProgress(double fraction);
    void OnVolumeChange(double fraction);
    void OnPressPlayProgressSlider(QMouseEvent *event);
    void OnReleasePlayProgressSlider(QMouseEvent *event);

private slots:
    // The engine finished the current file (or could not play it).
    void OnPlayFinished();
    // The sound output failed: the bar stays on the file, paused, and says why.
    void OnPlayError(const QString &message);

protected:
    void resetControlLocation() override;

private:
    void InitCtrl();
    QJXBaseButton *makeButton(const QString &image, const QString &toolTip);
    // Next entry; the end of the last one finishes the list when the
    // engine reported it, and wraps to the first otherwise.
    void moveNext(bool fromEngine);
    // Loads and plays the entry, reporting it as the file moved to.
    void playEntry(int index);
    // The current file's index in the list; -1 when it is not listed.
    int currentIndex() const;
    void showPlayingLook(bool playing);
    void clearFileTexts();

    QJXBaseButton *m_btnPause = nullptr;
    QJXBaseButton *m_btnPlay = nullptr;
    QJXBaseButton *m_btnPrevious = nullptr;
    QJXBaseButton *m_btnNext = nullptr;
    QJXBaseButton *m_btnVolume = nullptr;
    QJXBaseSlider *m_sliderPlay = nullptr;
    QLabel *m_labFileName = nullptr;
    QLabel *m_labCurTime = nullptr;
    QLabel *m_labTotalTime = nullptr;
    JXQPlayObject *m_playObject = nullptr;
    int m_nVolume = 50;
    uint64_t m_savedPosition = 0;
    // The current file was closed so that it can be changed on disk.
    bool m_bClosedForEdit = false;
    QString m_strCurrentFile;
    QPlayListPaths m_listPlay;
    // Where the current file was last found in the list: checked before
    // the list is looked through, so that next and previous cost the same
    // in a list of any length.
    mutable int m_currentIndex = -1;
    QJXBaseSlider *m_volumeSlider = nullptr;
    QVolumeWidget *m_volumeWidget = nullptr;
    QString m_volumeImage;
};
