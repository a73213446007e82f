#pragma once
// Darkens the whole main screen except one clear rectangle, typically the area
// being recorded; it takes no mouse input, so everything under it stays usable.

#include <QObject>
#include <QRect>

#include <memory>

class DimmingView;
class TransparentOverlayWindow;

class RZTransparent : public QObject
{
    Q_OBJECT
public:
    explicit RZTransparent(QObject *parent = nullptr);
    ~RZTransparent() override;

    void setClearRect(const QRect &rect);
    void show();
    void hide();
    void setHidden(bool hidden);

    DimmingView *view() const { return m_view; }
    QWidget *window() const;

private:
    std::unique_ptr<TransparentOverlayWindow> m_window;
    DimmingView *m_view = nullptr;
};

class QTransparentWidget : public RZTransparent
{
    Q_OBJECT
public:
    explicit QTransparentWidget(QObject *parent = nullptr) : RZTransparent(parent) {}
};
