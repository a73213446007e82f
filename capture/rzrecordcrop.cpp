#include "capture/rzrecordcrop.h"

#include "capture/areaselectionview.h"
#include "capture/screenflip.h"
#include "capture/transparentoverlaywindow.h"

#include <QGuiApplication>
#include <QScreen>

RZRecordCrop::RZRecordCrop(QObject *parent)
    : QObject(parent), m_window(std::make_unique<TransparentOverlayWindow>(true))
{
    m_view = new AreaSelectionView;
    m_view->setAreaRectCallback(&RZRecordCrop::SelectAreaRectCallback, this);
    m_view->setRectChangeCallback(&RZRecordCrop::SelectRectChangeCallback, this);
    m_window->setContentView(m_view);
}

RZRecordCrop::~RZRecordCrop() = default;

QWidget *RZRecordCrop::window() const
{
    return m_window.get();
}

int RZRecordCrop::screenHeight() const
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().height() : 0;
}

void RZRecordCrop::show()
{
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    m_view->resetFirstDisplay();
}

void RZRecordCrop::hide()
{
    m_window->hide();
    m_view->resetFirstDisplay();
}

void RZRecordCrop::setHidden(bool hidden)
{
    hidden ? hide() : show();
}

void RZRecordCrop::showPointGetRectMode(bool on)
{
    m_view->setShowPointGetRectMode(on);
}

void RZRecordCrop::showStartRecordMode(bool on)
{
    m_view->setShowStartRecordMode(on);
}

void RZRecordCrop::showPauseRecordMode(bool on)
{
    m_view->setShowPauseRecordMode(on);
}

void RZRecordCrop::setRecordRect(const QPoint &pos, const QSize &size)
{
    setRecordRect(pos.x(), pos.y(), size.width(), size.height());
}

void RZRecordCrop::setRecordRect(int x, int y, int w, int h)
{
    m_view->setRecordRect(x, screenHeight() - (y + h), w, h);
}

QRect RZRecordCrop::getRecordRect() const
{
    return ScreenFlip::toTopDown(m_view->getRecordRect(), screenHeight());
}

void RZRecordCrop::setKeepScale(bool keep)
{
    m_view->setKeepScaleResize(keep);
}

void RZRecordCrop::setArrowImage(const QString &path)
{
    m_view->setArrowImageForPath(path);
}

void RZRecordCrop::setFrameColor(const QColor &color)
{
    m_view->setFrameColor(color);
}

QColor RZRecordCrop::getFrameColor() const
{
    return m_view->frameColor();
}

void RZRecordCrop::SelectAreaRectCallback(const QRectF &rect, void *owner)
{
    if (auto *crop = static_cast<RZRecordCrop *>(owner))
        crop->seedSelectAreaRect(ScreenFlip::toTopDown(rect, crop->screenHeight()));
}

void RZRecordCrop::SelectRectChangeCallback(const QRectF &rect, void *owner)
{
    if (auto *crop = static_cast<RZRecordCrop *>(owner))
        crop->seedRecordRect(ScreenFlip::toTopDown(rect, crop->screenHeight()));
}
