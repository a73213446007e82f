#pragma once
// Drawn time editor whose value is a count of microseconds, shown as
// hh:mm:ss.zzz. A typed time is reported in microseconds; text that forms no
// time of day is not reported and the editor goes back to the time it showed.

#include "widgetkit/qjxdatetimeedit.h"

#include <QTime>

#include <cstdint>

class QEditTimeEx : public QJXTimeEdit
{
    Q_OBJECT
public:
    explicit QEditTimeEx(QWidget *parent = nullptr);

    // Shows the time without reporting it; 24 hours or more cannot be shown
    // and leave the shown time as it was.
    void setCurrentTime(unsigned long long microseconds);
    unsigned long long getCurrentTime() const { return m_current; }
    QTime shownTime() const { return m_shown; }
    static uint64_t timeConvertToInt(const QTime &time);

signals:
    void emitTextEdited(uint64_t microseconds);

public slots:
    void onTextEdited(const QString &text);

private:
    uint64_t m_current = 0;
    QTime m_shown = QTime(0, 0, 0, 0);
};
