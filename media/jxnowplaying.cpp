#include "media/jxnowplaying.h"

#include "media/medialog.h"

#include "rzcodec/recognizer.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kCallTimeoutMs = 250;
constexpr qint64 kMaxCoverBytes = 16 * 1024 * 1024;
constexpr std::chrono::milliseconds kCoverWait{1000};
const char kPlayerPrefix[] = "org.mpris.MediaPlayer2.";
const char kPlayerInterface[] = "org.mpris.MediaPlayer2.Player";
const char kRootInterface[] = "org.mpris.MediaPlayer2";

// One connection of our own: the lookup runs on a thread of the codec layer.
QDBusConnection sessionBus()
{
    static std::once_flag once;
    static QString name = QStringLiteral("velmora-now-playing");
    std::call_once(once, [] { QDBusConnection::connectToBus(QDBusConnection::SessionBus, name); });
    return QDBusConnection(name);
}

QVariant property(QDBusConnection &bus, const QString &service, const QString &name,
                  const char *interface = kPlayerInterface)
{
    QDBusMessage msg = QDBusMessage::createMethodCall(service, "/org/mpris/MediaPlayer2",
                                                      "org.freedesktop.DBus.Properties", "Get");
    msg << QString(interface) << name;
    const QDBusMessage reply = bus.call(msg, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return QVariant();
    return reply.arguments().first().value<QDBusVariant>().variant();
}

QString joined(const QVariant &v)
{
    if (v.canConvert<QDBusArgument>()) {
        QStringList list;
        v.value<QDBusArgument>() >> list;
        return list.join(", ");
    }
    if (v.type() == QVariant::StringList)
        return v.toStringList().join(", ");
    return v.toString();
}

bool isPicture(const QByteArray &bytes)
{
    return bytes.startsWith("\x89PNG\r\n\x1a\n") || bytes.startsWith("\xff\xd8\xff")
        || bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a") || bytes.startsWith("BM")
        || (bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP");
}

// At most the cap from a regular file: a pipe or a device is never read (the
// open does not wait for a writer), nor a file that grows past the cap.
QByteArray readCover(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return QByteArray();
    QByteArray bytes;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 && st.st_size <= kMaxCoverBytes) {
        bytes.resize(int(st.st_size) + 1);
        qint64 got = 0;
        for (ssize_t n; got < bytes.size()
             && (n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got))) != 0;) {
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                got = -1;
                break;
            }
            got += n;
        }
        bytes.resize(got == st.st_size ? int(got) : 0);
    } else {
        qCWarning(lcMedia).noquote() << "now playing: the cover" << QFile::decodeName(path)
                                     << "is no regular file of at most" << kMaxCoverBytes
                                     << "bytes, left out";
    }
    ::close(fd);
    if (!bytes.isEmpty() && !isPicture(bytes)) {
        qCWarning(lcMedia).noquote() << "now playing: the cover" << QFile::decodeName(path)
                                     << "is no picture, left out";
        return QByteArray();
    }
    return bytes;
}

// The read runs on a worker of its own: a file on a stalled disk keeps only
// that worker, never the recogniser's thread nor a stop waiting on it.
QByteArray coverFromUrl(const QString &text)
{
    const QUrl url(text);
    if (!url.isLocalFile())
        return QByteArray();
    const QByteArray path = QFile::encodeName(url.toLocalFile());
    auto result = std::make_shared<std::promise<QByteArray>>();
    std::future<QByteArray> cover = result->get_future();
    std::thread([path, result] { result->set_value(readCover(path)); }).detach();
    if (cover.wait_for(kCoverWait) != std::future_status::ready) {
        qCWarning(lcMedia).noquote() << "now playing: the cover" << url.toLocalFile()
                                     << "could not be read in time, left out";
        return QByteArray();
    }
    return cover.get();
}

JXNowPlaying::Tags tagsOfMetadata(const QVariantMap &meta)
{
    JXNowPlaying::Tags tags;
    auto put = [&tags](const char *key, const QString &value) {
        if (!value.isEmpty())
            tags.insert(key, value.toUtf8());
    };
    put("title", joined(meta.value("xesam:title")));
    put("artist", joined(meta.value("xesam:artist")));
    put("album", joined(meta.value("xesam:album")));
    put("album_artist", joined(meta.value("xesam:albumArtist")));
    put("genre", joined(meta.value("xesam:genre")));
    put("composer", joined(meta.value("xesam:composer")));
    put("comment", joined(meta.value("xesam:comment")));
    put("lyrics", joined(meta.value("xesam:asText")));
    if (meta.contains("xesam:trackNumber"))
        put("track", QString::number(meta.value("xesam:trackNumber").toInt()));
    if (meta.contains("xesam:discNumber"))
        put("disc", QString::number(meta.value("xesam:discNumber").toInt()));
    const QString created = joined(meta.value("xesam:contentCreated"));
    put("date", created);
    put("year", created.left(4));
    const QByteArray cover = coverFromUrl(joined(meta.value("mpris:artUrl")));
    if (!cover.isEmpty())
        tags.insert("cover_image", cover);
    return tags;
}

// The players on the bus, each with its connection's process.
struct Player
{
    QString service;
    QString pid; // empty when the bus does not say
};

QVector<Player> listPlayers(QDBusConnection &bus)
{
    QVector<Player> players;
    QDBusMessage list = QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                       "org.freedesktop.DBus", "ListNames");
    const QDBusMessage reply = bus.call(list, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return players;
    for (const QString &service : reply.arguments().first().toStringList()) {
        if (!service.startsWith(kPlayerPrefix))
            continue;
        QDBusMessage ask = QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                          "org.freedesktop.DBus", "GetConnectionUnixProcessID");
        ask << service;
        const QDBusMessage pid = bus.call(ask, QDBus::Block, kCallTimeoutMs);
        Player p{service, QString()};
        if (pid.type() == QDBusMessage::ReplyMessage && !pid.arguments().isEmpty())
            p.pid = QString::number(pid.arguments().first().toUInt());
        players.append(p);
    }
    return players;
}

// The names a player goes by: its bus name's first part after the prefix,
// and what its root object calls it.
QStringList namesOf(QDBusConnection &bus, const QString &service)
{
    QStringList names{service.mid(int(sizeof(kPlayerPrefix)) - 1).section('.', 0, 0)};
    for (const char *key : {"Identity", "DesktopEntry"})
        names << property(bus, service, key, kRootInterface).toString();
    names.removeAll(QString());
    return names;
}

// Whether one of the streams is the player's own sound. A stream of another
// player's process is never this one's, whatever its name.
bool playsOneOf(QDBusConnection &bus, const Player &player, const QVector<PulsePlayingStream> &streams,
                const QVector<Player> &players)
{
    QStringList names;
    bool namesAsked = false;
    for (const PulsePlayingStream &s : streams) {
        const QString pid = s.properties.value("application.process.id");
        if (!player.pid.isEmpty() && pid == player.pid)
            return true;
        if (!pid.isEmpty()
            && std::any_of(players.begin(), players.end(), [&pid](const Player &p) { return p.pid == pid; }))
            continue;
        if (!namesAsked) {
            names = namesOf(bus, player.service);
            namesAsked = true;
        }
        for (const char *key : {"application.name", "application.process.binary", "application.id"}) {
            const QString name = s.properties.value(key);
            if (!name.isEmpty() && names.contains(name, Qt::CaseInsensitive))
                return true;
        }
    }
    return false;
}

bool knownTitle(const JXNowPlaying::Tags &tags, const QString &location)
{
    const QString title = QString::fromUtf8(tags.value("title"));
    return !title.isEmpty()
           && !JXNowPlaying::isFileNameTitle(title, QString::fromUtf8(tags.value("artist")), location);
}

void query(void *, const char *source, RZTagPut put, void *target)
{
    const JXNowPlaying::Tags tags = JXNowPlaying::lookup(QByteArray(source));
    for (auto it = tags.constBegin(); it != tags.constEnd(); ++it)
        put(target, it.key().toUtf8().constData(), it.value().constData(), uint32_t(it.value().size()));
}

} // namespace

void JXNowPlaying::install()
{
    static std::once_flag once;
    std::call_once(once, [] { rz_recognizer_set_now_playing_source(&query, nullptr); });
}

JXNowPlaying::Tags JXNowPlaying::lookup(const QByteArray &source)
{
    QVector<PulsePlayingStream> streams;
    if (source.isEmpty() || !PulsePlayingStreams::heardBy(source, streams))
        return Tags();
    streams.erase(
        std::remove_if(streams.begin(), streams.end(), [](const PulsePlayingStream &s) { return s.corked; }),
        streams.end());
    if (streams.isEmpty())
        return Tags();
    Tags tags = fromMediaPlayers(streams);
    if (tags.value("title").isEmpty())
        tags = fromSoundStreams(streams);
    return tags;
}

JXNowPlaying::Tags JXNowPlaying::fromMediaPlayers(const QVector<PulsePlayingStream> &streams)
{
    QDBusConnection bus = sessionBus();
    if (!bus.isConnected() || streams.isEmpty())
        return Tags();
    const QVector<Player> players = listPlayers(bus);
    for (const Player &player : players) {
        if (property(bus, player.service, "PlaybackStatus").toString() != "Playing"
            || !playsOneOf(bus, player, streams, players))
            continue;
        const QVariant meta = property(bus, player.service, "Metadata");
        QVariantMap map;
        if (meta.canConvert<QDBusArgument>())
            meta.value<QDBusArgument>() >> map;
        else
            map = meta.toMap();
        const Tags tags = tagsOfMetadata(map);
        if (knownTitle(tags, joined(map.value("xesam:url"))))
            return tags;
    }
    return Tags();
}

JXNowPlaying::Tags JXNowPlaying::fromSoundStreams(const QVector<PulsePlayingStream> &streams)
{
    for (const PulsePlayingStream &s : streams) {
        if (s.corked)
            continue;
        Tags tags;
        auto put = [&](const char *key, const char *property) {
            const QString v = s.properties.value(property);
            if (!v.isEmpty())
                tags.insert(key, v.toUtf8());
        };
        put("title", "media.title");
        put("artist", "media.artist");
        put("album", "media.album");
        put("copyright", "media.copyright");
        if (knownTitle(tags, s.properties.value("media.filename")))
            return tags;
    }
    return Tags();
}

bool JXNowPlaying::isFileNameTitle(const QString &title, const QString &artist, const QString &location)
{
    if (!artist.trimmed().isEmpty())
        return false;
    if (!location.isEmpty()) {
        const QUrl url(location);
        const QString file = url.scheme().isEmpty() ? QFileInfo(location).fileName() : url.fileName();
        if (!file.isEmpty() && (title == file || title == QFileInfo(file).completeBaseName()))
            return true;
    }
    static const QRegularExpression mediaFile(
        QStringLiteral(
            "\\.(aac|ac3|aif|aiff|alac|ape|avi|caf|flac|m4a|m4b|mka|mkv|mov|mp2|mp3|mp4|mpc|oga|ogg|"
            "opus|wav|webm|wma|wv)$"),
        QRegularExpression::CaseInsensitiveOption);
    return mediaFile.match(title.trimmed()).hasMatch();
}
