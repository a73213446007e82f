#include "capture/rztransparent.h"

#include "capture/dimmingview.h"
#include "capture/screenflip.h"
#include "capture/transparentoverlaywindow.h"

#include <QGuiApplication>
#include <QScreen>

RZTransparent::RZTransparent(QObject *parent)
    : QObject(parent), m_window(std::make_unique<TransparentOverlayWindow>(false))
{
    m_view = new DimmingView;
    m_window->setContentView(m_view);
}

RZTransparent::~RZTransparent() = default;

QWidget *RZTransparent::window() const
{
    return m_window.get();
}

void RZTransparent::setClearRect(const QRect &rect)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    m_view->setClearRect(ScreenFlip::toBottomUp(rect, screen ? screen->geometry().height() : 0));
}

void RZTransparent::show()
{
    m_window->show();
    m_window->raise();
    m_view->resetFirstDisplay();
}

void RZTransparent::hide()
{
    m_window->hide();
    m_view->resetFirstDisplay();
}

void RZTransparent::setHidden(bool hidden)
{
    hidden ? hide() : show();
}
