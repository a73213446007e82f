// The desktop half of JxCommonInterface: file manager, logind, os-release,
// the bundle information file, the folder probe, the log and updates.

#include "common/jxcommoninterface.h"

#include "app/applog.h"
#include "app/qlogfile.h"
#include "common/qconverteroperate.h"
#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "widgetkit/qjxmessagebox.h"
#include "widgetkit/views/qfilereveal.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QTextStream>
#include <QtDebug>

#include <sys/time.h>

#ifndef VELMORA_VERSION
#define VELMORA_VERSION "1.0.0"
#endif

namespace {

const char kShortVersionKey[] = "CFBundleShortVersionString";
// The preferences' automatic-update choice, as the General page keeps it.
const char kUpdatesGroup[] = "UPDATES_ITEM";
const char kAutoUpdateKey[] = "bIsAutoUpdate";

// Asks logind for a power action; the answer arrives later and a refusal
// is logged, since the caller has nobody to show it to.
void callLogind(const QString &method)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        JxCommonInterface::NSLogForQString(
            QStringLiteral("%1 failed: no system bus (%2)").arg(method, bus.lastError().message()));
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), method);
    call << false; // not interactive: no authentication prompt
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [method](QDBusPendingCallWatcher *finished) {
                         QDBusPendingReply<> reply = *finished;
                         if (reply.isError()) {
                             JxCommonInterface::NSLogForQString(
                                 QStringLiteral("%1 failed: %2 %3")
                                     .arg(method, reply.error().name(), reply.error().message()));
                         }
                         finished->deleteLater();
                     });
}

// Shell-style "KEY=value" lines of os-release, quotes removed.
QHash<QString, QString> readOsRelease()
{
    QHash<QString, QString> values;
    for (const char *path : {"/etc/os-release", "/usr/lib/os-release"}) {
        QFile file(QString::fromLatin1(path));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        QTextStream in(&file);
        while (!in.atEnd()) {
            const QString line = in.readLine().trimmed();
            const int eq = line.indexOf(QLatin1Char('='));
            if (line.startsWith(QLatin1Char('#')) || eq <= 0)
                continue;
            QString value = line.mid(eq + 1);
            if (value.size() >= 2 && (value.startsWith(QLatin1Char('"')) || value.startsWith(QLatin1Char('\''))))
                value = value.mid(1, value.size() - 2);
            values.insert(line.left(eq), value);
        }
        break;
    }
    return values;
}

} // namespace

QString JxCommonInterface::collapsedPath(const QString &path)
{
    QString result = path;
    result.replace(QRegularExpression(QStringLiteral("/{2,}")), QStringLiteral("/"));
    return result;
}

void JxCommonInterface::showFileInFolder(const char *path)
{
    QFileReveal::reveal(collapsedPath(charToQString(path)));
}

QString JxCommonInterface::charToQString(const char *text)
{
    return QString::fromUtf8(text);
}

void JxCommonInterface::NSLogForQString(const QString &text)
{
    qCInfo(lcApp).noquote() << text;
    const QString logPath = QConverterOperate::getLogFilePath();
    // The installed log file has the line from the handler already.
    if (logPath.isEmpty() || logPath == QLogFile::path())
        return;
    QFile log(logPath);
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        qCWarning(lcApp).noquote() << "Cannot write the log" << logPath << log.errorString();
        return;
    }
    QTextStream out(&log);
    out.setCodec("UTF-8");
    out << QDateTime::currentDateTime().toString(Qt::ISODateWithMs) << ' ' << text << '\n';
}

quint64 JxCommonInterface::getDateTime()
{
    timeval now {};
    if (gettimeofday(&now, nullptr) != 0)
        return 0;
    return static_cast<quint64>(now.tv_sec) * 1000000ULL + static_cast<quint64>(now.tv_usec);
}

void JxCommonInterface::shutdownComputer()
{
    callLogind(QStringLiteral("PowerOff"));
}

void JxCommonInterface::sleepComputer()
{
    callLogind(QStringLiteral("Suspend"));
}

QString JxCommonInterface::SystemVersionInfo()
{
    const QHash<QString, QString> release = readOsRelease();
    const QString name = release.value(QStringLiteral("NAME"));
    const QString version = release.value(QStringLiteral("VERSION_ID"));
    if (name.isEmpty() && version.isEmpty())
        return QStringLiteral("Unkown");
    return QStringLiteral("%1 %2").arg(name, version).trimmed();
}

void JxCommonInterface::SystemVersionInfoValue(unsigned int &major, unsigned int &minor, unsigned int &fix)
{
    const QStringList parts =
        readOsRelease().value(QStringLiteral("VERSION_ID")).split(QLatin1Char('.'));
    unsigned int *targets[] = {&major, &minor, &fix};
    for (int i = 0; i < 3 && i < parts.size(); ++i) {
        bool ok = false;
        const unsigned int value = parts.at(i).toUInt(&ok);
        if (!ok)
            return;
        *targets[i] = value;
    }
}

QString JxCommonInterface::getAppInfoFile()
{
    return QIAnyUtil::getAppDataPath() + QStringLiteral("/AppInfo.ini");
}

bool JxCommonInterface::isNeedInitInfoFile()
{
    // A file left by an older build is rewritten too, so that the version
    // shown is always the one running.
    QSettings info(getAppInfoFile(), QSettings::IniFormat);
    return info.value(QLatin1String(kShortVersionKey)).toString() != QLatin1String(VELMORA_VERSION);
}

QString JxCommonInterface::getAppVersion()
{
    QSettings info(getAppInfoFile(), QSettings::IniFormat);
    const QString stored = info.value(QLatin1String(kShortVersionKey)).toString();
    return stored.isEmpty() ? QStringLiteral(VELMORA_VERSION) : stored;
}

QString JxCommonInterface::getFullVersion()
{
    return QStringLiteral(VELMORA_VERSION ".0");
}

bool JxCommonInterface::InitInfoToFile(const char *path)
{
    const QString file = QString::fromUtf8(path);
    QSettings info(file, QSettings::IniFormat);
    if (info.value(QLatin1String(kShortVersionKey)).toString() == QLatin1String(VELMORA_VERSION))
        return true;
    const QString name = QIAnyUtil::displayName();
    info.setValue(QStringLiteral("CFBundleVersion"), getFullVersion());
    info.setValue(QLatin1String(kShortVersionKey), QStringLiteral(VELMORA_VERSION));
    info.setValue(QStringLiteral("SUFeedURL"),
                  QStringLiteral("https://www.velmora.example/api/product/version?pid=%1&ver=%2")
                      .arg(QStringLiteral("2604"), getFullVersion()));
    info.setValue(QStringLiteral("CFBundleDisplayName"), name);
    info.setValue(QStringLiteral("CFBundleIdentifier"),
                  QStringLiteral("com.%1.%2 %3").arg(QStringLiteral("Velmora"), name, QString())
                      .remove(QLatin1Char(' ')));
    info.setValue(QStringLiteral("SUPublicDSAKeyFile"), QStringLiteral("DSAKeyFile.pem"));
    info.setValue(QStringLiteral("SUEnableSystemProfiling"), true);
    info.setValue(QStringLiteral("NSAppTransportSecurity/NSAllowsArbitraryLoads"), true);
    info.sync();
    return info.status() == QSettings::NoError;
}

bool JxCommonInterface::isWritableDir(const QString &folder)
{
    qCDebug(lcApp) << folder;
    const QString name = QIAnyUtil::displayName();
    for (int n = 0; n <= 99; ++n) {
        const QString candidate = n == 0 ? QStringLiteral("%1%2.txt").arg(folder, name)
                                         : QStringLiteral("%1%2%3.txt").arg(folder, name).arg(n);
        if (QFile::exists(candidate))
            continue;
        QFile probe(candidate);
        // NewOnly: a file that appeared since the check is not ours to touch.
        if (!probe.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFile::exists(candidate))
                continue;
            return false;
        }
        probe.close();
        if (!probe.remove()) {
            qCWarning(lcApp).noquote() << "Cannot remove the probe file" << candidate << probe.errorString();
            return false;
        }
        return true;
    }
    return false;
}

void JxCommonInterface::checkForUpdate()
{
    QJXMessageBox::ShowMessage(QApplication::activeWindow(),
                               QObject::tr("No update service is configured on this system."),
                               QString(), QJXMessageBox::Information, QJXMessageBox::OkButton);
}

void JxCommonInterface::setAutoCheckUpdate(bool on)
{
    const QString value = on ? QStringLiteral("Y") : QStringLiteral("N");
    const QString group = QLatin1String(kUpdatesGroup);
    const QString key = QLatin1String(kAutoUpdateKey);
    if (QVideoSettingXml::GetItemValue(group, key, QString()) != value
        && !QVideoSettingXml::SetItemValue(group, key, value))
        qCWarning(lcApp) << "Cannot store the automatic-update choice";
}

bool JxCommonInterface::autoCheckUpdate()
{
    return QVideoSettingXml::GetItemValue(QLatin1String(kUpdatesGroup), QLatin1String(kAutoUpdateKey),
                                          QStringLiteral("N"))
        == QLatin1String("Y");
}
