#include "qjxcommonplatfromapi.h"

#include "widgetkit/views/qfilereveal.h"

#include <QWidget>

void QJXCommonPlatfromApi::addWindowFlags(QWidget *window, Qt::WindowFlags flags)
{
    if (!window || (window->windowFlags() & flags) == flags)
        return;
    // Changing flags re-creates the native window, which hides it.
    const bool wasVisible = window->isVisible();
    window->setWindowFlags(window->windowFlags() | flags);
    if (wasVisible)
        window->show();
}

void QJXCommonPlatfromApi::setWindowsIgnoresMouse(void *widget)
{
    if (!widget)
        return;
    QWidget *window = static_cast<QWidget *>(widget)->window();
    addWindowFlags(window, Qt::WindowStaysOnTopHint | Qt::WindowTransparentForInput);
    window->setWindowOpacity(1.0);
    window->show();
    window->raise();
}

void QJXCommonPlatfromApi::showFileInFolder(const std::string &path)
{
    QFileReveal::reveal(QString::fromStdString(path));
}
