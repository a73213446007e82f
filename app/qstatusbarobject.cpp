#include "app/qstatusbarobject.h"

#include "app/applog.h"

#include <QCursor>
#include <QDebug>
#include <QEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QSystemTrayIcon>

QStatusbarObject::QStatusbarObject(QObject *parent)
    : QObject(parent), m_time(timeText(0))
{
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state != Qt::ApplicationActive)
                    globalMouseListener();
            });
}

QStatusbarObject::~QStatusbarObject()
{
    hideStatusBar();
}

QString QStatusbarObject::timeText(quint64 microseconds)
{
    const quint64 seconds = microseconds / 1000000;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

void QStatusbarObject::showStatusBar()
{
    if (m_icon)
        return;
    static bool told = false;
    if (!QSystemTrayIcon::isSystemTrayAvailable() && !told) {
        told = true;
        qCInfo(lcApp) << "the desktop has no system tray; the status item stays hidden until one appears";
    }
    m_icon = new QSystemTrayIcon(this);
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { onActivated(int(reason)); });
    m_icon->setToolTip(m_time);
    updateIcon();
    m_icon->show();
}

void QStatusbarObject::hideStatusBar()
{
    delete m_icon;
    m_icon = nullptr;
    m_viewShown = false;
}

void QStatusbarObject::setStatusBarIcon(const QString &path)
{
    if (!m_icon)
        return;
    m_iconPath = path;
    updateIcon();
}

void QStatusbarObject::setStatusBarAlternateIcon(const QString &path)
{
    if (!m_icon)
        return;
    m_alternateIconPath = path;
    updateIcon();
}

void QStatusbarObject::setRecorderTime(quint64 microseconds)
{
    m_time = timeText(microseconds);
    if (m_icon)
        m_icon->setToolTip(m_time);
}

void QStatusbarObject::setRecorderView(QWidget *view)
{
    if (m_view)
        m_view->removeEventFilter(this);
    m_view = view;
    if (m_view) {
        m_view->setWindowFlags(m_view->windowFlags() | Qt::Popup | Qt::FramelessWindowHint);
        m_view->installEventFilter(this);
    }
}

void QStatusbarObject::showRecorderView(const QPointF &point)
{
    m_viewShown = true;
    updateIcon();
    const QPoint place(int(point.x()), int(point.y()));
    if (m_view) {
        m_view->move(place);
        m_view->show();
    }
    emit emitShowRecorderView(place.x(), place.y());
}

void QStatusbarObject::globalMouseListener()
{
    if (m_view)
        m_view->hide();
    if (m_viewShown) {
        m_viewShown = false;
        updateIcon();
    }
    emit emitHideRecorderView();
}

bool QStatusbarObject::eventFilter(QObject *watched, QEvent *event)
{
    // A popup closes itself on a click outside it; the icon follows.
    if (watched == m_view && event->type() == QEvent::Hide && m_viewShown) {
        m_viewShown = false;
        updateIcon();
    }
    return QObject::eventFilter(watched, event);
}

void QStatusbarObject::onActivated(int reason)
{
    if (reason != QSystemTrayIcon::Trigger)
        return;
    // Under the icon where the tray tells where it is, else under the pointer.
    const QRect area = m_icon->geometry();
    const QPointF point = area.isValid() ? QPointF(area.left(), area.bottom() + 1)
                                         : QPointF(QCursor::pos());
    showRecorderView(point);
}

void QStatusbarObject::updateIcon()
{
    if (!m_icon)
        return;
    const QString path = m_viewShown && !m_alternateIconPath.isEmpty() ? m_alternateIconPath
                                                                       : m_iconPath;
    m_icon->setIcon(path.isEmpty() ? QGuiApplication::windowIcon() : QIcon(path));
}
