#pragma once
// Style of an in-cell button: draws the frame of its four-frame strip that
// matches the option's state (normal, hover, pressed, disabled).

#include <QImage>
#include <QProxyStyle>

class QDelegateStyleWidget : public QProxyStyle
{
    Q_OBJECT
public:
    explicit QDelegateStyleWidget(QStyle *baseStyle = nullptr);

    void setButtonImage(const QImage &strip, bool grid, const QRect &rect);
    void setCurrentImage(const QImage &strip) { m_strip = strip; }
    const QImage &currentImage() const { return m_strip; }
    bool grid() const { return m_grid; }
    QRect buttonRect() const { return m_rect; }
    // Strip frame for a state: 1 hover, 2 pressed, 0 enabled, 3 disabled.
    static int frameForState(QStyle::State state);

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;

protected:
    virtual void DrawButton(const QStyleOption *option, QPainter *painter, const QWidget *widget) const;
    virtual void DrawBackground(const QStyleOption *option, QPainter *painter, const QWidget *widget) const;
    virtual void DrawBottonText(const QStyleOption *option, QPainter *painter, const QWidget *widget) const;

private:
    QImage m_strip;
    bool m_grid = false;
    QRect m_rect;
};
