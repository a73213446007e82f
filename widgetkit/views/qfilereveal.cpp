#include "qfilereveal.h"

#include "widgetkit/views/viewslog.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>
#include <QtDebug>

namespace {
const char kService[] = "org.freedesktop.FileManager1";
const char kObjectPath[] = "/org/freedesktop/FileManager1";
const char kInterface[] = "org.freedesktop.FileManager1";
} // namespace

QString QFileReveal::normalisedPath(const QString &path)
{
    // A back-slash is an ordinary character of a file name here.
    QString result = path;
    result.replace(QRegularExpression(QStringLiteral("/{2,}")), QStringLiteral("/"));
    return result;
}

bool QFileReveal::openContainingFolder(const QString &path)
{
    const QString folder = QFileInfo(path).absolutePath();
    const bool opened = QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    if (!opened)
        qCWarning(lcViews) << "Could not open the folder" << folder;
    return opened;
}

void QFileReveal::reveal(const QString &path)
{
    const QString absolute = QFileInfo(normalisedPath(path)).absoluteFilePath();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openContainingFolder(absolute);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(kService), QString::fromLatin1(kObjectPath),
        QString::fromLatin1(kInterface), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(absolute).toString(QUrl::FullyEncoded)} << QString();
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [absolute](QDBusPendingCallWatcher *finished) {
                         QDBusPendingReply<> reply = *finished;
                         if (reply.isError()) {
                             qCInfo(lcViews) << "No file manager showed" << absolute << "-"
                                     << reply.error().message() << "- opening its folder";
                             openContainingFolder(absolute);
                         }
                         finished->deleteLater();
                     });
}
