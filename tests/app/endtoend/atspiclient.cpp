#include "atspiclient.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace {

const QString kAccessible = QStringLiteral("org.a11y.atspi.Accessible");
const QString kRoot = QStringLiteral("/org/a11y/atspi/accessible/root");
// AT-SPI state bits (the first word of GetState).
constexpr quint32 kStateShowing = 1u << 25;
constexpr int kTimeoutMs = 3000;

QString a11yBusAddress()
{
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                                       QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"));
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 10000);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
               ? reply.arguments().constFirst().toString()
               : QString();
}

QDBusMessage call(const QDBusConnection &bus, const QString &service, const QString &path, const QString &iface,
                  const QString &method, const QVariantList &args = {})
{
    QDBusMessage msg = QDBusMessage::createMethodCall(service, path, iface, method);
    msg.setArguments(args);
    return bus.call(msg, QDBus::Block, kTimeoutMs);
}

QVariant property(const QDBusConnection &bus, const QString &service, const QString &path, const QString &iface,
                  const QString &name)
{
    const QDBusMessage reply = call(bus, service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                    QStringLiteral("Get"), {iface, name});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return QVariant();
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

QString firstString(const QDBusMessage &reply)
{
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
               ? reply.arguments().constFirst().toString()
               : QString();
}

QVector<QPair<QString, QString>> children(const QDBusConnection &bus, const QString &service, const QString &path)
{
    QVector<QPair<QString, QString>> out;
    const QDBusMessage reply = call(bus, service, path, kAccessible, QStringLiteral("GetChildren"));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return out;
    const QDBusArgument arg = reply.arguments().constFirst().value<QDBusArgument>();
    arg.beginArray();
    while (!arg.atEnd()) {
        QString childService;
        QDBusObjectPath childPath;
        arg.beginStructure();
        arg >> childService >> childPath;
        arg.endStructure();
        out.append({childService, childPath.path()});
    }
    arg.endArray();
    return out;
}

} // namespace

bool AtspiClient::enableAccessibility()
{
    // Qt programs look at the screen reader switch when they start.
    for (const char *key : {"IsEnabled", "ScreenReaderEnabled"}) {
        QDBusMessage msg = QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                                          QStringLiteral("org.freedesktop.DBus.Properties"),
                                                          QStringLiteral("Set"));
        msg.setArguments({QStringLiteral("org.a11y.Status"), QLatin1String(key), QVariant::fromValue(QDBusVariant(true))});
        if (QDBusConnection::sessionBus().call(msg, QDBus::Block, 10000).type() != QDBusMessage::ReplyMessage)
            return false;
    }
    return true;
}

AtspiClient::AtspiClient()
    : m_bus(QDBusConnection::connectToBus(a11yBusAddress(), QStringLiteral("e2e-a11y")))
{
}

bool AtspiClient::isConnected() const
{
    return m_bus.isConnected();
}

QVector<AccessibleNode> AtspiClient::snapshot(const QString &application) const
{
    QVector<AccessibleNode> out;
    if (!m_bus.isConnected())
        return out;
    for (const auto &app : children(m_bus, QStringLiteral("org.a11y.atspi.Registry"), kRoot)) {
        if (property(m_bus, app.first, app.second, kAccessible, QStringLiteral("Name")).toString() != application)
            continue;
        for (const auto &window : children(m_bus, app.first, app.second))
            walk(window.first, window.second, 0, out);
        break;
    }
    return out;
}

void AtspiClient::walk(const QString &service, const QString &path, int depth, QVector<AccessibleNode> &out) const
{
    const QDBusMessage state = call(m_bus, service, path, kAccessible, QStringLiteral("GetState"));
    if (state.type() != QDBusMessage::ReplyMessage || state.arguments().isEmpty())
        return;
    QList<quint32> words;
    const QDBusArgument stateArg = state.arguments().constFirst().value<QDBusArgument>();
    stateArg >> words;
    // Hidden widgets and closed menus hold nothing a user can reach.
    if (words.isEmpty() || !(words.constFirst() & kStateShowing))
        return;
    AccessibleNode node;
    node.service = service;
    node.path = path;
    node.depth = depth;
    node.showing = true;
    node.role = firstString(call(m_bus, service, path, kAccessible, QStringLiteral("GetRoleName")));
    node.name = property(m_bus, service, path, kAccessible, QStringLiteral("Name")).toString();
    node.description = property(m_bus, service, path, kAccessible, QStringLiteral("Description")).toString();
    const QDBusMessage extents = call(m_bus, service, path, QStringLiteral("org.a11y.atspi.Component"),
                                      QStringLiteral("GetExtents"), {QVariant::fromValue(quint32(0))});
    if (extents.type() == QDBusMessage::ReplyMessage && !extents.arguments().isEmpty()) {
        const QDBusArgument arg = extents.arguments().constFirst().value<QDBusArgument>();
        int x = 0, y = 0, w = 0, h = 0;
        arg.beginStructure();
        arg >> x >> y >> w >> h;
        arg.endStructure();
        node.rect = QRect(x, y, w, h);
    }
    out.append(node);
    for (const auto &child : children(m_bus, service, path))
        walk(child.first, child.second, depth + 1, out);
}

const AccessibleNode *AtspiClient::find(const QVector<AccessibleNode> &nodes, const QString &role, const QString &name)
{
    for (const AccessibleNode &node : nodes)
        if (node.role == role && node.isNamed(name) && !node.rect.isEmpty())
            return &node;
    return nullptr;
}

QVector<AccessibleNode> AtspiClient::all(const QVector<AccessibleNode> &nodes, const QString &role)
{
    QVector<AccessibleNode> out;
    for (const AccessibleNode &node : nodes)
        if (node.role == role && !node.rect.isEmpty())
            out.append(node);
    return out;
}

QString AtspiClient::describe(const QVector<AccessibleNode> &nodes)
{
    QString text;
    for (const AccessibleNode &node : nodes) {
        text += QString(node.depth * 2, QLatin1Char(' ')) + node.role + QStringLiteral(" '") + node.name;
        if (!node.description.isEmpty())
            text += QStringLiteral("' [") + node.description + QLatin1Char(']');
        else
            text += QLatin1Char('\'');
        text += QStringLiteral(" %1,%2 %3x%4\n").arg(node.rect.x()).arg(node.rect.y()).arg(node.rect.width()).arg(
            node.rect.height());
    }
    return text;
}
