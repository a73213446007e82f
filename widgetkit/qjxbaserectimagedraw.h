#pragma once
// Drawing mix-in of the edit-like controls: a background (optionally a
// four-frame strip chosen by the mouse state), an icon and an elided text.

#include <QColor>
#include <QMargins>
#include <QRect>
#include <QString>

class QWidget;
class QPainter;
class QImage;
class QEvent;
class QMouseEvent;
class QPaintEvent;

class QJXBaseRectImageDraw
{
public:
    explicit QJXBaseRectImageDraw(QWidget *owner);
    QJXBaseRectImageDraw(const QJXBaseRectImageDraw &) = delete;
    QJXBaseRectImageDraw &operator=(const QJXBaseRectImageDraw &) = delete;

    bool setBackgroundImage(QString path);
    bool setBackgroundImage(QImage image);
    bool setRectIcon(QString path);
    bool setRectIcon(QImage image);
    void setIconRect(QRect rect);
    QRect iconRect() const;

    void setDrawText(QString text);
    QString drawText() const;
    Qt::Alignment alignment() const;
    void setAlignment(Qt::Alignment alignment);
    void setTextDrawable(bool on);
    bool isTextDrawable() const;
    void setDrawTextMargins(int left, int top, int right, int bottom);
    void setDrawTextMargins(const QMargins &margins);
    QMargins drawTextMargins() const;

    void setTextColor(QColor color);
    void setTextColor(QColor normal, QColor hover, QColor pressed, QColor disabled);
    void setCheckState(bool checked);
    bool checkState() const;
    void setIconBtnMode(bool on);
    bool IsIconBtnMode() const;
    void setBtnMode(bool on);
    bool isBtnMode() const;
    bool isCustomDraw() const;
    int drawState() const;

    void paintEvent(QPaintEvent *event);

    // Event entry points the owner forwards.
    bool mousePressEventDraw(QMouseEvent *event);
    void mouseReleaseEventDraw(QMouseEvent *event);
    void enterEventDraw(QEvent *event);
    void leaveEventDraw(QEvent *event);
    void changeEventDraw(QEvent *event);
    void resetBtnState();

    void iconDraw(QPainter &painter, QImage *image);
    QColor drawTextColor();

protected:
    // A mix-in of a control: it goes with the control, never on its own.
    ~QJXBaseRectImageDraw();

    virtual void drawBackgroundImage(QPainter &painter);
    virtual void drawIcon(QPainter &painter);
    virtual void drawRectText(QPainter &painter);

    QWidget *drawOwner() const;

private:
    int frameIndex() const;
    void updateOwner();
    void repaintOwner();

    struct Data;
    Data *d;
};
