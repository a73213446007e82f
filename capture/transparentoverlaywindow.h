#pragma once
// Borderless, transparent window over the whole main screen, above other
// windows, holding one full-size content view. Without mouse input, clicks
// pass through it to the windows below.

#include <QWidget>

class TransparentOverlayWindow : public QWidget
{
    Q_OBJECT
public:
    explicit TransparentOverlayWindow(bool acceptsMouse);

    // The window takes ownership and keeps the view at its full size.
    void setContentView(QWidget *view);
    QWidget *contentView() const { return m_view; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *m_view = nullptr;
};
