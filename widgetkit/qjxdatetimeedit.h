#pragma once
// Date-time edit with a drawn frame and image arrow buttons that repeat
// while held; every edit and every step is reported with the whole text.
// Typed digits overwrite the field under the cursor and move on; a whole
// time typed over everything or pasted is taken; text that forms no time is
// refused and leaves the field as it was.

#include "widgetkit/qjxbaserectimagedraw.h"
#include "widgetkit/qjxspinbuttons.h"

#include <QDateTimeEdit>

class QJXDateTimeEdit : public QDateTimeEdit, public QJXBaseRectImageDraw
{
    Q_OBJECT
public:
    explicit QJXDateTimeEdit(QWidget *parent = nullptr);
    QJXDateTimeEdit(const QVariant &value, QVariant::Type type, QWidget *parent = nullptr);
    ~QJXDateTimeEdit() override;

    void setBackgroundImage(QString path);
    void setUpAndDownBtnImage(QString up, QString down, bool keepSize);
    void setBtnMargins(int left, int top, int right, int bottom);
    void setBtnMargins(const QMargins &margins);
    void resetBtnLocation();
    void setTextMargins(int left, int top, int right, int bottom);
    void setTextMargins(const QMargins &margins);
    QJXBaseButton *upButton() const;
    QJXBaseButton *downButton() const;

    void stepBy(int steps) override;

signals:
    void emitTimeEdited(QString text);

public slots:
    void stepUp();
    void stepDown();
    void pressBtn();
    void releseBtn();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void init();
    bool typeKey(QKeyEvent *event);
    // Shows the text when it is a valid value and reports it; false otherwise.
    bool apply(const QString &text, int cursor, bool report = false);
    bool takeWholeTime(const QString &given, bool report = false);
    void lineEdited(const QString &text);

    QJXSpinButtons m_buttons;
};

// The date-time edit made for a time of day.
class QJXTimeEdit : public QJXDateTimeEdit
{
    Q_OBJECT
public:
    explicit QJXTimeEdit(QWidget *parent = nullptr);
    explicit QJXTimeEdit(const QTime &time, QWidget *parent = nullptr);
};
