// A stand-in media player on the session bus:
//   mpris_standin NAME STATUS TITLE ARTIST ALBUM [COVER_FILE]
// publishes org.mpris.MediaPlayer2.NAME with that playback status and track,
// and prints "asked" whenever its playback status is read.

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>
#include <cstdio>

class PlayerAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
public:
    PlayerAdaptor(QObject *parent, QString status, QVariantMap meta)
        : QDBusAbstractAdaptor(parent), m_status(std::move(status)), m_meta(std::move(meta))
    {
    }
    QString playbackStatus() const
    {
        // Tells the test that a client looked at the player.
        std::printf("asked\n");
        std::fflush(stdout);
        return m_status;
    }
    QVariantMap metadata() const { return m_meta; }

private:
    QString m_status;
    QVariantMap m_meta;
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 6)
        return 2;
    QVariantMap meta;
    meta["mpris:trackid"] = QVariant::fromValue(QDBusObjectPath("/standin/track/1"));
    meta["xesam:title"] = a[3];
    meta["xesam:artist"] = QStringList{a[4]};
    meta["xesam:album"] = a[5];
    meta["xesam:genre"] = QStringList{"Test"};
    meta["xesam:trackNumber"] = 7;
    if (a.size() > 6)
        meta["mpris:artUrl"] = QUrl::fromLocalFile(a[6]).toString();
    QObject root;
    new PlayerAdaptor(&root, a[2], meta);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject("/org/mpris/MediaPlayer2", &root, QDBusConnection::ExportAdaptors)
        || !bus.registerService("org.mpris.MediaPlayer2." + a[1]))
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

#include "mprisstandin.moc"
