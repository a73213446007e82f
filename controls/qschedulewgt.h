#pragma once
// Countdown to the schedule's next start: shows the time left, offers a
// Stop button and reports when the start is reached.

#include "widgetkit/qjxwidget.h"

#include <QDateTime>

namespace Ui {
class QScheduleWgt;
}
class QTimer;

class QScheduleWgt : public QJXWidget
{
    Q_OBJECT
public:
    explicit QScheduleWgt(QWidget *parent = nullptr);
    ~QScheduleWgt() override;

    void Init();
    // The moment counted down to.
    QDateTime targetTime() const { return m_target; }

signals:
    void emitStopSchedule();
    void emitStartRecord();

public slots:
    void OnTimer();

protected:
    void resetControlLocation() override;

private:
    Ui::QScheduleWgt *ui;
    QTimer *m_timer = nullptr;
    QDateTime m_target;
};
