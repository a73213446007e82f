#pragma once
// Drawing and state machine of image buttons: a four-frame strip (normal,
// hover, pressed, disabled) with per-state text colours, an optional icon, a
// number badge and a flicker. The owner button forwards its events here.

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <memory>

class QAbstractButton;
class QEvent;
class QFocusEvent;
class QMouseEvent;
class QPaintEvent;
class QPainter;
class QTimerEvent;

class QJXBaseButtonDraw
{
public:
    enum State { StateNormal = 0, StateHover = 1, StatePressed = 2, StateDisabled = 3 };

    explicit QJXBaseButtonDraw(QAbstractButton *owner);
    virtual ~QJXBaseButtonDraw();
    QJXBaseButtonDraw(const QJXBaseButtonDraw &) = delete;
    QJXBaseButtonDraw &operator=(const QJXBaseButtonDraw &) = delete;

    // State strip; the button takes the size of one frame. A strip given by
    // path is decoded when first drawn (unless the kit's picture cache holds
    // it already): false when the file is missing or its header unreadable;
    // one whose pixels cannot be read is said so when it would be drawn.
    bool setButtonImage(const QString &path, bool grid);
    void setButtonImage(QImage *image, bool grid, bool copy);
    bool setButtonImage(QImage &image, bool grid);
    bool isCustomDraw() const;
    // The strip's pixels are decoded (false while it waits to be drawn).
    bool isPictureDecoded() const;

    void setStaticState(bool on);
    void setBtnState(int state);
    int getBtnState() const;
    Qt::Alignment alignment() const;
    void setAlignment(Qt::Alignment alignment);
    void setTextColor(const QColor &colour);
    void setTextColor(const QColor &normal, const QColor &hover, const QColor &pressed,
                      const QColor &disabled);
    QColor currentDrawColor() const;
    void setTextRect(const QRect &rect);
    QRect textRect() const;

    bool setBtnIcon(const QString &path);
    bool setBtnIcon(const QImage &image);
    void setIconBtnMode(bool on);
    bool isIconbtnMode() const;
    void setIconRect(const QRect &rect);
    QRect iconRect() const;
    void setGridView(bool grid);

    void setTag(int tag);
    int getTag() const;
    void setDoneSign(int sign);
    int getDoneSign() const;

    // Number badge.
    void resetCount();
    void addItemCount();
    int itmeCount() const;
    void setTagPixelSize(int size);
    void setTagRect(const QRect &rect);
    void setTagBgImage(const QString &first, const QString &alternate);
    void setTagBgAlternateColor(const QColor &first, const QColor &alternate);
    void setTagTextAlternateColor(const QColor &first, const QColor &alternate);
    void setAlternateEffect(bool on, int intervalMs);

    void startFlicker(int intervalMs);
    void stopFlicker();
    bool isFlickering() const;

    void setEnterIsChangeMouse(bool on);
    bool getEnterIsChangeMouse() const;
    int getMouseMapValue() const;

    // Called by the owner.
    bool mousePressEvent(QMouseEvent *event);
    bool mouseReleaseEvent(QMouseEvent *event);
    bool mouseMoveEvent(QMouseEvent *event);
    void enterEvent(QEvent *event);
    void leaveEvent(QEvent *event);
    void changeEvent(QEvent *event);
    void paintEvent(QPaintEvent *event);
    void timerEvent(QTimerEvent *event);
    virtual void focusInEvent(QFocusEvent *event);
    virtual void focusOutEvent(QFocusEvent *event);

protected:
    virtual void DrawBackground(QPainter &painter);
    virtual void DrawButtonText(QPainter &painter);
    virtual void DrawFocus(QPainter &painter);
    virtual void DrawIcon(QPainter &painter);
    virtual void DrawFlicker(QPainter &painter);
    virtual void DrawDigitalTag(QPainter &painter);

    QAbstractButton *drawOwner() const;
    // Frame shown for the current state: 2 when checked (unless static), else the state.
    int frameForState() const;

private:
    // The state strip, decoded now if it waits to be; null when none.
    QImage *strip() const;
    void drawFrame(QPainter &painter, int frame);
    void dropStateImage();
    struct Private;
    std::unique_ptr<Private> d;
};
