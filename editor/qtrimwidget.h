#pragma once
// The Trim page of the edit dialog: plays the recording through the dialog's
// preview player with a live waveform over a range slider; the segment is
// chosen with the slider's handles, "Start Set"/"End Set" or the two time
// editors, played on its own, and cut into a new file with Cut (the dialog
// asks the recordings table for the conversion; the written file comes back
// as a row of the segment list). Deleting a row deletes its file.

#include <QModelIndex>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <vector>

class IBaseChunk;
class QAudioWaveWidget;
class QCheckHeaderView;
class QDelegateControl;
class QEditTimeEx;
class QJXBaseButton;
class QJXScrollBar;
class QJXStyleButton;
class QJXTableView;
class QLabel;
class QTimer;
class QTrimItemChunk;
class QTrimItemDelegate;
class QTrimItemModel;
class QTrimItemSortModel;
class QVEDualSlider;
class QVideoEditingSettings;

class QTrimWidget : public QWidget
{
    Q_OBJECT
public:
    explicit QTrimWidget(QWidget *parent = nullptr);
    ~QTrimWidget() override;

    void SetEditSettings(QVideoEditingSettings *settings) { m_settings = settings; }
    void LoadingSetting();
    // Drives a player handle borrowed from the preview engine (its owner
    // closes it); false and nothing plays for a null handle.
    bool setVideoPlay(void *player);
    // Opens a file in the page's own player.
    bool setVideoPlay(const QString &path, unsigned int width, unsigned int height);
    void ReleaseData();
    int ShowChangFileTip();
    void trimDSliderEnable(bool enable);
    void audioFinished();
    void showAudioDataDlg(bool show);
    void setTextEditTrimTime(uint64_t start, uint64_t end);
    void SetBtnAddState();

    // Time texts "hh:mm:ss.zzz" and back (a malformed text is 0).
    static QString IntTimeToString(uint64_t microseconds);
    static uint64_t StrTimeToInt(const QString &text);

    uint64_t trimStart() const { return m_trimStart; }
    uint64_t trimEnd() const { return m_trimEnd; }
    uint64_t duration() const { return m_duration; }
    bool isSegmentPlay() const { return m_segmentPlay; }
    QStringList savedFiles() const { return m_savedFiles; }
    QJXTableView *segmentView() const { return m_tableView; }
    QTrimItemSortModel *segmentSortModel() const { return m_sortModel; }

public slots:
    void onPlay();
    void onPause();
    void onPlayAudio();
    void onPauseAudio();
    void OnStop();
    void OnSetPlayState(bool play);
    void updateTime();
    void onAudioDataTime();
    void onStartSet();
    void onEndSet();
    void onTrimPlay();
    void onTrimPause();
    void onTrimStop();
    void sliderStartValueChange(double fraction);
    void sliderEndValueChange(double fraction);
    void sliderSendPlayProToPlay(double fraction);
    void startTimeChanged(uint64_t time, bool seek = true);
    void endTimeChanged(uint64_t time, bool seek = true);
    void OnBtnAdd();
    void OnSetSaveFile(const QString &path);
    void OnShowItemTrimTime(const QModelIndex &index);
    void OnPlayTrimItem(const QModelIndex &index);
    void OnDeleteItem(const QModelIndex &index);

signals:
    void emitConvertFile();
    void emitPlayState(bool play);
    void emitSaveFile(const QStringList &files);

protected:
    virtual void resetControlPosition();
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    friend class TestTrimPanel;
    void InitDlg();
    void initControls();
    void InitView();
    void fitNameColumn();
    void InitControlEnabled(bool enable);
    void recreateWave();
    bool attach(void *player);
    void detach();
    void showTime(uint64_t time);
    void placeTimeLabels();
    void seek(uint64_t time);
    void stopPlayback();
    // The segment's end: E, or the duration when E is 0.
    uint64_t effectiveEnd() const { return m_trimEnd ? m_trimEnd : m_duration; }
    float percentOf(uint64_t time) const;
    QTrimItemChunk *itemAt(const QModelIndex &index) const;
    void refreshList();

    uint64_t m_trimStart = 0;
    uint64_t m_trimEnd = 0;
    void *m_player = nullptr;    // the player driven
    void *m_ownPlayer = nullptr; // the page's own, for files it opens itself
    uint64_t m_duration = 0;
    bool m_waveShown = false;
    bool m_segmentPlay = false;
    std::vector<IBaseChunk *> m_items;
    QStringList m_savedFiles;
    QVideoEditingSettings *m_settings = nullptr;
    QTimer *m_positionTimer = nullptr;
    QTimer *m_waveTimer = nullptr;
    QAudioWaveWidget *m_wave = nullptr;

    QJXBaseButton *m_btnPlay = nullptr;
    QJXBaseButton *m_btnPause = nullptr;
    QVEDualSlider *m_slider = nullptr;
    QLabel *m_labCurrent = nullptr;
    QLabel *m_labSeparator = nullptr;
    QLabel *m_labTotal = nullptr;
    QJXBaseButton *m_btnStartSet = nullptr;
    QJXBaseButton *m_btnEndSet = nullptr;
    QJXBaseButton *m_btnTrimPlay = nullptr;
    QJXBaseButton *m_btnTrimStop = nullptr;
    QJXBaseButton *m_btnTrimPause = nullptr;
    QLabel *m_labStart = nullptr;
    QEditTimeEx *m_editStart = nullptr;
    QLabel *m_labEnd = nullptr;
    QEditTimeEx *m_editEnd = nullptr;
    QJXBaseButton *m_btnAdd = nullptr;
    QJXTableView *m_tableView = nullptr;

    QTrimItemModel *m_model = nullptr;
    QTrimItemSortModel *m_sortModel = nullptr;
    QTrimItemDelegate *m_delegate = nullptr;
    QCheckHeaderView *m_header = nullptr;
    QJXStyleButton *m_btnDelete = nullptr;
    QDelegateControl *m_deleteControl = nullptr;
    QJXScrollBar *m_hScrollBar = nullptr;
    QJXScrollBar *m_vScrollBar = nullptr;
};
