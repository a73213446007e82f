#pragma once
// The trim bar for media with chapters: play controls, frame steps, a range
// slider over the current trim window, a chapter choice, Trim and Reset and
// two snapshot buttons. It drives the preview engine only through signals
// and shows what the engine reports.

#include <QWidget>

#include <cstdint>

class QCheckboxCombobox;
class QJXBaseButton;
class QLabel;
class QVEDualSlider;
class QVideoEditingSettings;

class QTrimOperationForm : public QWidget
{
    Q_OBJECT
public:
    explicit QTrimOperationForm(QWidget *parent = nullptr);

    void setEditSettings(QVideoEditingSettings *settings) { m_settings = settings; }
    void loadingSetting();
    void setDisableSnapshot(bool disable);
    void trimDSliderEnable(bool enable);
    // Stores the slider's range in the edit record without moving the player.
    void saveTrimTime();

    static QString timeToString(uint64_t microseconds);
    static QString timeToString2(uint64_t microseconds);

    QVEDualSlider *slider() const { return m_slider; }
    QCheckboxCombobox *chapterChoice() const { return m_cmbChapter; }

public slots:
    void playFinish();
    void setPlayProcess(double fraction);
    void setTime(const QString &text);
    void showPlayOrPause(bool playing);
    void showTrimPlayOrPause(bool playing);
    void setStartEndProgressValue(float percent);
    void trimTimeChange(uint64_t start, uint64_t end);
    void chapterSelectedChanged(int index);

signals:
    void emitPreviousStep(bool isSeek, float value);
    void emitNextStep(bool isSeek, float value);
    void emitTrimPlay(float start, float end);
    void emitTrimPause();
    void emitPause();
    void emitStop();
    void emitPlay();
    void emitSliderSendPlayProToPlay(double fraction);
    void emitSliderMousePress();
    void emitSliderMouseRelease();
    void emitSnapshot();
    void emitSnapshotMenu();
    void emitTrim(uint64_t start, uint64_t end);
    void emitTrimChapter(uint64_t start, uint64_t end);
    void emitReset();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private slots:
    void onBtnPlay();
    void onBtnPause();
    void onBtnStop();
    void onTrimPlay();
    void onTrimPause();
    void onPrevious();
    void onNext();
    void onTrim();
    void onReset();
    void startProgressValue(double fraction);
    void endProgressValue(double fraction);

private:
    void initControls();
    void updateLocation();
    void resetSlider();
    // The range as the slider shows it, in microseconds of the media.
    void sliderRange(uint64_t &start, uint64_t &end) const;
    // The first chapter takes the range; its text and the first entry follow.
    void setFirstChapter(uint64_t start, uint64_t end);
    // Shows the range chosen: through entry 0 when another entry is current.
    void applyFirstChapter(uint64_t start, uint64_t end);
    void showRange(uint64_t start, uint64_t end);

    QVideoEditingSettings *m_settings = nullptr;
    QJXBaseButton *m_btnPlay = nullptr;
    QJXBaseButton *m_btnPause = nullptr;
    QJXBaseButton *m_btnPrevious = nullptr;
    QJXBaseButton *m_btnNext = nullptr;
    QJXBaseButton *m_btnTrimPlay = nullptr;
    QJXBaseButton *m_btnTrimPause = nullptr;
    QJXBaseButton *m_btnStop = nullptr;
    QVEDualSlider *m_slider = nullptr;
    QLabel *m_labTime = nullptr;
    QJXBaseButton *m_btnSnapshot = nullptr;
    QJXBaseButton *m_btnSnapshotMenu = nullptr;
    QJXBaseButton *m_btnTrim = nullptr;
    QJXBaseButton *m_btnReset = nullptr;
    QLabel *m_labStart = nullptr;
    QLabel *m_labEnd = nullptr;
    QCheckboxCombobox *m_cmbChapter = nullptr;
};
