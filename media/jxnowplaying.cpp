#include "media/jxnowplaying.h"

#include "media/jxcoverreader.h"
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
#include <chrono>
#include <memory>
#include <mutex>

namespace {

constexpr int kCallTimeoutMs = 250;
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

// Who uses the source, and the cover reader while anybody does.
struct Users
{
    std::mutex installing; // the count, the source's and the reader's start and end
    int count = 0;
    std::mutex mutex; // the reader, as a look-up takes it
    std::unique_ptr<JXCoverReader> covers;
};

Users &users()
{
    static Users u;
    return u;
}

// Asked on the codec layer's look-up thread, which ends before the reader goes.
QByteArray coverFromUrl(const QString &text, const QString &track)
{
    const QUrl url(text);
    if (!url.isLocalFile())
        return QByteArray();
    JXCoverReader *reader;
    {
        Users &u = users();
        std::lock_guard<std::mutex> lock(u.mutex);
        reader = u.covers.get();
    }
    if (!reader)
        return QByteArray();
    QString problem;
    const QByteArray cover = reader->cover(QFile::encodeName(url.toLocalFile()), text + '\n' + track,
                                           kCoverWait, &problem);
    if (!problem.isEmpty())
        qCWarning(lcMedia).noquote() << "now playing: the cover" << url.toLocalFile()
                                     << "is left out:" << problem;
    return cover;
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
    const QByteArray cover = coverFromUrl(
        joined(meta.value("mpris:artUrl")),
        QString::fromUtf8(tags.value("title") + '\n' + tags.value("artist") + '\n' + tags.value("album")));
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

void JXNowPlaying::acquire()
{
    Users &u = users();
    std::lock_guard<std::mutex> installing(u.installing);
    if (u.count++ > 0)
        return;
    {
        std::lock_guard<std::mutex> lock(u.mutex);
        u.covers = std::make_unique<JXCoverReader>();
    }
    rz_recognizer_set_now_playing_source(&query, nullptr);
}

void JXNowPlaying::release()
{
    Users &u = users();
    std::lock_guard<std::mutex> installing(u.installing);
    if (u.count == 0 || --u.count > 0)
        return;
    // Waits for a look-up under way, which may still ask for a cover.
    rz_recognizer_set_now_playing_source(nullptr, nullptr);
    std::unique_ptr<JXCoverReader> covers;
    {
        std::lock_guard<std::mutex> lock(u.mutex);
        covers = std::move(u.covers);
    }
    if (covers && !covers->shutdown(kCoverWait))
        qCWarning(lcMedia) << "now playing: a cover is still being read; its reader is left to end by itself";
}

JXNowPlaying::Tags JXNowPlaying::lookup(const QByteArray &source)
{
    QVector<PulsePlayingStream> heard, elsewhere;
    if (source.isEmpty() || !PulsePlayingStreams::heardBy(source, heard, elsewhere))
        return Tags();
    // A paused stream plays nothing, yet it is still its program's.
    const QVector<PulsePlayingStream> onServer = heard + elsewhere;
    heard.erase(std::remove_if(heard.begin(), heard.end(), [](const PulsePlayingStream &s) { return s.corked; }),
                heard.end());
    if (heard.isEmpty())
        return Tags();
    Tags tags = fromMediaPlayers(heard, onServer);
    if (tags.value("title").isEmpty())
        tags = fromSoundStreams(heard);
    return tags;
}

JXNowPlaying::Tags JXNowPlaying::fromMediaPlayers(const QVector<PulsePlayingStream> &heard,
                                                  const QVector<PulsePlayingStream> &onServer)
{
    QDBusConnection bus = sessionBus();
    if (!bus.isConnected() || heard.isEmpty())
        return Tags();
    const QVector<Player> players = listPlayers(bus);
    QStringList pids;
    for (const Player &p : players)
        pids << p.pid;
    for (const Player &player : players) {
        if (property(bus, player.service, "PlaybackStatus").toString() != "Playing"
            || !playsOneOf(
                player.pid, [&bus, &player] { return namesOf(bus, player.service); }, heard, onServer, pids))
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

bool JXNowPlaying::playsOneOf(const QString &playerPid, const std::function<QStringList()> &namesOfPlayer,
                              const QVector<PulsePlayingStream> &heard,
                              const QVector<PulsePlayingStream> &onServer, const QStringList &playerPids)
{
    auto processOf = [](const PulsePlayingStream &s) { return s.properties.value("application.process.id"); };
    // A player's own stream, wherever it plays, is known by its process:
    // then its name is no proof for any other stream.
    const bool ownsAStream = !playerPid.isEmpty()
                             && std::any_of(onServer.begin(), onServer.end(), [&](const PulsePlayingStream &s) {
                                    return processOf(s) == playerPid;
                                });
    QStringList names;
    bool namesAsked = false;
    for (const PulsePlayingStream &s : heard) {
        const QString pid = processOf(s);
        if (!playerPid.isEmpty() && pid == playerPid)
            return true;
        // A stream of another player's process is never this one's, whatever its name.
        if (ownsAStream || (!pid.isEmpty() && playerPids.contains(pid)))
            continue;
        if (!namesAsked) {
            names = namesOfPlayer();
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
