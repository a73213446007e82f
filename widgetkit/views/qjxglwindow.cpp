#include "widgetkit/views/qjxglwindow.h"

#include <QCoreApplication>
#include <QWidget>
#include <QWindow>

namespace {

// QWidget::destroy is protected; a pointer to it taken through a subclass
// may be called on any widget.
class NativeWindow : public QWidget
{
public:
    using QWidget::destroy;
};

// Windows made meanwhile may hold GL views; the attribute is read when a
// window's native side is constructed.
class GlSurfacesAllowed
{
public:
    GlSurfacesAllowed() { QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets, false); }
    ~GlSurfacesAllowed() { QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets, true); }
    GlSurfacesAllowed(const GlSurfacesAllowed &) = delete;
    GlSurfacesAllowed &operator=(const GlSurfacesAllowed &) = delete;
};

} // namespace

bool QJXGlWindow::isGlCapable(const QWidget *widget)
{
    const QWidget *window = widget->window();
    const QWindow *handle = window->windowHandle();
    return window->testAttribute(Qt::WA_WState_Created) && handle
           && handle->surfaceType() != QSurface::RasterSurface;
}

void QJXGlWindow::prepare(QWidget *widget)
{
    if (!QCoreApplication::testAttribute(Qt::AA_ForceRasterWidgets) || isGlCapable(widget))
        return;
    QWidget *window = widget->window();
    const bool shown = window->isVisible();
    // A dialog's own hide would end its exec(): QWidget's hides the window only.
    if (shown)
        window->QWidget::setVisible(false);
    void (QWidget::*destroyNative)(bool, bool) = &NativeWindow::destroy;
    (window->*destroyNative)(true, true);
    GlSurfacesAllowed allowed;
    window->winId();
    if (shown)
        window->QWidget::setVisible(true);
}
