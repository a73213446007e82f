#pragma once
// The program's one top-level window: a drawn frameless window that owns the
// panes (library panel, recordings table, input selector, recording panel,
// playback bar), the format dialog, the recording object and the toolbar,
// connects them, and runs the start, stop and split of recordings and the
// daily schedule's countdown.

#include "convert/qformatdlg.h"
#include "recorder/qrecordobject.h"
#include "widgetkit/qjxmainwindow.h"
#include "widgetkit/qjxpicturecache.h"

#include <QByteArray>
#include <QDateTime>
#include <QPointer>

#include <cstdint>
#include <functional>

namespace Ui {
class MainWindow;
}
class QFileListWgt;

class QInfoFileWrite;
class QJXBaseButton;
class QJXMessageBox;
class QMenuBar;
class QLibraryPlayListWgt;
class QPlayControlWgt;
class QRecordingWidget;
class QServerNotice;
class QTimer;
class SelectRecordInputWgt;

class MainWindow : public QJXMainWindow
{
    Q_OBJECT
public:
    // The wall clock the schedule counts by; tests give their own.
    using Clock = std::function<QDateTime()>;

    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // The codec layer's process-wide set-up, with the application-data
    // folder as its working folder: made as the layer is loaded (at once
    // where it is linked in or already loaded).
    static void setGlobalFunction();

    void resetControlLocation() override;

    // Path of a new recording in the output folder, named by the time and
    // counted when that name is taken; the folder is created when missing.
    QString getRecordOutpath();
    // Makes the folder the current output folder and stores it.
    void SetOutPath(const QString &path);
    // Toolbar and panes in the recording (true) or idle state.
    void SetCtrlState(bool recording);
    // Drops the pending scheduled start; the stored schedule stays.
    void CancelSchedule();
    void setClock(Clock clock);

    // State for the owner and for checks.
    Ui::MainWindow *form() const { return ui; }
    QLibraryPlayListWgt *libraryPanel() const { return m_libraryList; }
    QFileListWgt *recordingsTable() const { return m_fileList; }
    SelectRecordInputWgt *inputSelector() const { return m_selectInput; }
    QPlayControlWgt *playControl() const { return m_playControl; }
    QRecordingWidget *recordingPanel() const { return m_recordingWgt; }
    QRecordObject *recordObject() const { return m_recordObject; }
    QFormatDlg *formatDialog() const { return m_formatDlg; }
    QJXBaseButton *cancelScheduleButton() const { return m_btnCancelSchedule; }
    // Shown while the sound server cannot be reached; null until the controls are made.
    QServerNotice *serverNotice() const { return m_serverNotice; }
    // Null until a countdown first shows it.
    QJXMessageBox *scheduleTip() const { return m_scheduleTip; }
    QTimer *scheduleTimer() const { return m_scheduleTimer; }
    bool isRecording() const { return m_bRecording; }
    bool isScheduleSet() const { return m_bScheduleSet; }
    bool isTipAllowed() const { return m_bTipAllowed; }
    QDateTime nextScheduledStart() const { return m_nextStart; }
    QString scheduleButtonImage() const { return m_scheduleImage; }
    // The window's own copy of the last level block it handed on.
    QByteArray lastLevelBlock() const { return m_levelBlock; }

    // The pictures the window draws when it first shows (and those its panes
    // keep from the start), decoded on workers as it is built; the
    // background's copy is the one for the screen's device pixel ratio.
    QVector<QJXPictureCache::Wanted> startPictures() const;
    static QVector<QJXPictureCache::Wanted> startPictures(qreal screenRatio);

    // The input selector, the playback bar, the recording pane, the toolbar's
    // pictures and the Help menu are made in the event-loop turn after the
    // window, before it is first painted (controlsReady); until then those
    // accessors give null.
    bool isControlsReady() const { return m_bCtrlReady; }

signals:
    void emitFormatChange(bool bVideoMode);
    void controlsReady();

public slots:
    void OnShowMax();
    void OnShowMin();
    void OnShowRestored();
    void OnClose();
    // The Help menu's commands.
    void ActOnPreferDlg();
    void ActOnAbout();
    void ActOnHelp();
    void ActOnHome();
    void ActOnUpdates();
    void OnSetAutoUpdate(bool bUpdate);
    void OnFormatDlg();
    void OnShowScheduleDlg();
    void OnBtnStart();
    void OnBtnStop(bool bSuccess = true);
    void OnStartRecord();
    void OnStopRecord(bool bSuccess = true);
    void OnCutRecord();
    void OnRecordTimeOperate(uint64_t time);
    void OnSetSchedule();
    void OnBtnCancelSchedule();
    void OnTimer();
    void OnCloseScheduleTip(int result);
    void OnChangeBottomWgt(bool bPlay);

private slots:
    void OnRecordLevelBlock(unsigned char *samples, int sps);
    // The recording stopped by itself: the window goes idle and says why.
    void OnRecordError(const QString &message);
    // A stopped recording's file is complete: its row follows, then a start
    // that waited for it.
    void OnRecordingCompleted(const convertedInfo &info, bool fileKept, qint64 fileBytes);
    // The history writer could not write the library's file: says why, one
    // message at a time.
    void OnHistoryWriteFailed(const QString &path, const QString &reason);
    // The sound server went away or is back: the notice follows.
    void OnServerReachable(bool reachable);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

public:
    // The session asked the program to end (a termination signal): the
    // running recording is completed and kept, and the program quits.
    void OnTerminationRequested();
    // Before the window goes at exit: waits until the library's changes are
    // in the file; when they cannot be, says why in the log and (unless a
    // termination signal ends the program) in a message. False then.
    bool waitForLibraryAtExit();
    // Start-up steps: the log file's path, the information file (written on
    // a worker, infoFileWrite).
    static void InitLogInfo();
    void InitAppInfo();
    QInfoFileWrite *infoFileWrite() const { return m_infoFileWrite; }
    // Null until the controls are made.
    QMenuBar *helpMenuBar() const { return m_menuBar; }

private:
    void InitLook();
    static QJXPictureCache::Wanted backgroundPicture(qreal screenRatio);
    void Init();
    void InitMenu();
    // Fades out over 400 ms, then closes; the global hot keys go.
    void fadeOutAndClose();
    // The schedule's window is enabled and the recording, with the file of
    // fileTime microseconds now written, has outlasted it.
    bool scheduleWindowPassed(uint64_t fileTime) const;
    void InitCtrl();
    void InitLibraryPanes();
    void InitBandPanes();
    void InitButtons();
    // The countdown's notice, made when first shown.
    void InitScheduleTip();
    void CreateRecordObject();
    // Starts a recording into path, or says why it could not start.
    void startRecordingInto(const QString &path);
    void finishRecording(bool bSuccess, QRecordObject::SourcesAfterStop sources);
    // The finished recording's row is completed, or removed when not kept.
    void completeRecordingRow(const convertedInfo &info, bool keep, qint64 fileBytes = -1);
    void initButton(QJXBaseButton *button, const QString &image, const QString &toolTip);
    void setScheduleImage(const QString &image);
    void showMaxOrRestore();
    // Switches the stored schedule off, as every stop does.
    void switchStoredScheduleOff();
    void centreDialog(QDialog &dialog);
    // A running recording is completed and kept before the window goes.
    void finishRecordingBeforeClosing();

    Ui::MainWindow *ui;
    QLibraryPlayListWgt *m_libraryList = nullptr;
    QFileListWgt *m_fileList = nullptr;
    SelectRecordInputWgt *m_selectInput = nullptr;
    QRecordObject *m_recordObject = nullptr;
    QPlayControlWgt *m_playControl = nullptr;
    QRecordingWidget *m_recordingWgt = nullptr;
    QServerNotice *m_serverNotice = nullptr;
    // The single format dialog, which its class may release.
    QPointer<QFormatDlg> m_formatDlg;
    QTimer *m_scheduleTimer = nullptr;
    QJXBaseButton *m_btnCancelSchedule = nullptr;
    QJXMessageBox *m_scheduleTip = nullptr;
    QMenuBar *m_menuBar = nullptr;
    QInfoFileWrite *m_infoFileWrite = nullptr;
    bool m_bRecording = false;
    // The stopped recording's row waits for its file; kept when complete if so.
    bool m_rowWaitsForFinish = false;
    bool m_keepFinishedRow = false;
    // A start (a cut's next file, or Start) waits for the stopped recording's
    // file: the path it records into, empty when none waits.
    QString m_pathAfterFinish;
    bool m_bFirstSchedule = true;
    bool m_bScheduleSet = false;
    bool m_bTipAllowed = false;
    QDateTime m_nextStart;
    // When Start began the running recording; cuts and splits do not move it,
    // so the schedule's window ends the whole chain of files.
    QDateTime m_recordingSince;
    QString m_scheduleImage;
    QByteArray m_levelBlock;
    Clock m_clock;
    // Layout waits until every child exists.
    bool m_bCtrlReady = false;
    bool m_historyFailureShown = false;
    // A termination signal ends the program: nothing waits for the user.
    bool m_terminating = false;
    void showHistoryFailure(const QString &path, const QString &reason, const QString &consequence);
};
