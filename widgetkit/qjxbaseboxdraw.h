#pragma once
// Drawing mix-in of the check box and radio button: a check picture chosen
// by the check state, an optional icon, and the text beside them.

#include <QRect>
#include <QString>
#include <QVariant>

class QAbstractButton;
class QImage;
class QPainter;
class QPaintEvent;

class QJXBaseBoxDraw
{
public:
    enum enumBoxType { CheckBoxType = 0, RadioType = 1 };

    QJXBaseBoxDraw(QAbstractButton *owner, enumBoxType type);
    QJXBaseBoxDraw(const QJXBaseBoxDraw &) = delete;
    QJXBaseBoxDraw &operator=(const QJXBaseBoxDraw &) = delete;

    // Pictures: checked, unchecked, partially checked (optional). With two
    // frames each picture holds an enabled and a disabled frame side by side.
    void setCheckImage(QString checked, QString unchecked, QString partial, bool unused,
                       bool twoFrames);
    void setCheckImage(QImage *checked, QImage *unchecked, QImage *partial, bool unused,
                       bool twoFrames, bool copy);
    void setBtnIcon(QString path);
    void setIconRect(QRect rect);
    void setTextRect(QRect rect);
    QRect checkRect() const;
    QRect textRect() const;
    Qt::Alignment alignment() const;
    void setAlignment(Qt::Alignment alignment);
    void setData(const QVariant &data);
    QVariant getData() const;
    void setBgFillMode(bool on);
    void adjustSize();
    void paintEvent(QPaintEvent *event);
    bool isCustomDraw() const;

protected:
    // A mix-in of a button: it goes with the button, never on its own.
    ~QJXBaseBoxDraw();

    virtual void DrawCheckImage(QPainter &painter);
    virtual void DrawIconImage(QPainter &painter);
    virtual void DrawCheckText(QPainter &painter);

private:
    void dropOwnedImages();

    struct Data;
    Data *d;
};
