#pragma once
// The record-time options panel: a daily schedule window (start and end
// times) and a stop-after length, kept in the preferences file and mirrored
// into the recording options. Only the schedule section shows. Opening the
// panel changes nothing stored; OK (SaveSchedule) stores and arms the
// schedule, CloseSchedule switches it off.

#include "widgetkit/qbaseoptionswgt.h"

namespace Ui {
class QTimeOptions;
}
class QJXTimeEdit;

class QTimeOptions : public QBaseOptionsWgt
{
    Q_OBJECT
public:
    explicit QTimeOptions(QWidget *parent = nullptr);
    ~QTimeOptions() override;

    // Takes both time editors, stores the window and arms the schedule when
    // start and end differ (disarms it when they are equal).
    void SaveSchedule();
    // clean: CleanSetting(); otherwise the schedule is switched off.
    void CloseSchedule(bool clean);
    // Switches the stored schedule off, as every stop of a recording does;
    // needs no panel.
    static void switchScheduleOff();
    // Both modes off and the window 00:00:00 to 00:00:00, stored; the
    // stop-after length stays.
    void CleanSetting();
    // Resets whatever is set in the recording options.
    void reset();
    void setAfterTime(unsigned long long microseconds);
    void setAfterTimeEnable(bool enabled);
    void setScheduleTime(unsigned long long microseconds, QJXTimeEdit *editor);
    void setScheduleTimeEnable(bool enabled);
    static unsigned long long convertTime(int hours, int minutes, int seconds);
    // manual: the stop-after mode is on, the schedule goes off; otherwise
    // the stop-after mode goes off.
    void setModeShow(bool manual);

private slots:
    void OnChkManually();
    void OnChkSchedule();
    void ManuallyTimeChange(QString text);
    void timeEditChange(QString text);

protected:
    void resetControlLocation() override;

private:
    void InitCtrl();
    void InitAfterTime();
    void InitSchedule();
    void retranslateUi();

    Ui::QTimeOptions *ui;
};
