// A stand-in media player on the session bus:
//   mpris_standin NAME STATUS TITLE ARTIST ALBUM [COVER_FILE] [options]
// publishes org.mpris.MediaPlayer2.NAME (identity "Stand-in NAME") with that
// playback status and track, and prints "asked" whenever its playback status
// is read. Options:
//   --play WAV        plays the file once through paplay as this player's own
//                     sound (the stream carries this process's id and NAME);
//                     paplay ends with this process
//   --sink SINK       plays into that output instead of the default one
//   --stream-pid PID  the stream claims that process id instead
//   --stream-name N   and that application name instead of NAME
//   --file-title N    the first N reads of the track name the played file
//                     as its title, without artist, as players do while a
//                     file opens
//   --early N         the first N reads name another track ("Early ...")
//   --then T|A|B|WAV  once the played file ends, announces the track T by
//                     A on the album B and plays WAV (given again: the
//                     track after that, and so on)
//   --stop-at-end     once the last file ends, the playback status is
//                     "Stopped" (else it stays as given)
//   --hang            answers no call on the bus: the first one that
//                     reaches the player prints "asked" and holds the
//                     process's loop for ever (paplay plays on)
// With --play it prints "playing" once paplay runs, "track N" when it goes
// on with the N-th file, and "ended" when the last one ends.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>
#include <cstdio>

#include <unistd.h>

namespace {

void say(const QByteArray &line)
{
    std::printf("%s\n", line.constData());
    std::fflush(stdout);
}

// The process answers nothing any more: what a hung player does.
bool hangs = false;
void hangIfAsked()
{
    if (!hangs)
        return;
    say("asked");
    for (;;)
        pause();
}

// The track as it is announced from one read to the next.
struct Announcement
{
    QVariantMap track;
    QString file; // the played file, announced as its location
    int fileTitleReads = 0;
    int earlyReads = 0;
    int reads = 0;

    QVariantMap next()
    {
        QVariantMap meta = track;
        if (!file.isEmpty())
            meta["xesam:url"] = QUrl::fromLocalFile(file).toString();
        const int n = reads++;
        if (n < fileTitleReads) {
            meta.remove("xesam:artist");
            meta.remove("xesam:album");
            meta["xesam:title"] = QFileInfo(file).fileName();
        } else if (n < fileTitleReads + earlyReads) {
            meta["xesam:title"] = "Early " + track.value("xesam:title").toString();
            meta["xesam:artist"] = QStringList{"Early " + track.value("xesam:artist").toStringList().value(0)};
        }
        return meta;
    }
};

} // namespace

class RootAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(QString Identity READ identity)
public:
    RootAdaptor(QObject *parent, QString identity)
        : QDBusAbstractAdaptor(parent)
        , m_identity(std::move(identity))
    {
    }
    QString identity() const
    {
        hangIfAsked();
        return m_identity;
    }

private:
    QString m_identity;
};

class PlayerAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
public:
    PlayerAdaptor(QObject *parent, QString &status, Announcement &announcement)
        : QDBusAbstractAdaptor(parent)
        , m_status(status)
        , m_announcement(announcement)
    {
    }
    QString playbackStatus() const
    {
        hangIfAsked();
        // Tells the test that a client looked at the player.
        say("asked");
        return m_status;
    }
    QVariantMap metadata()
    {
        hangIfAsked();
        return m_announcement.next();
    }

private:
    const QString &m_status;
    Announcement &m_announcement;
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser options;
    const QCommandLineOption play("play", "", "wav"), sink("sink", "", "sink"),
        streamPid("stream-pid", "", "pid"), streamName("stream-name", "", "name"),
        fileTitle("file-title", "", "reads", "0"), early("early", "", "reads", "0"),
        then("then", "", "track"), stopAtEnd("stop-at-end"), hang("hang");
    options.addOptions({play, sink, streamPid, streamName, fileTitle, early, then, stopAtEnd, hang});
    options.process(app);
    const QStringList a = options.positionalArguments();
    if (a.size() < 5)
        return 2;
    hangs = options.isSet(hang);
    Announcement announcement;
    QVariantMap &meta = announcement.track;
    meta["mpris:trackid"] = QVariant::fromValue(QDBusObjectPath("/standin/track/1"));
    meta["xesam:title"] = a[2];
    meta["xesam:artist"] = QStringList{a[3]};
    meta["xesam:album"] = a[4];
    meta["xesam:genre"] = QStringList{"Test"};
    meta["xesam:trackNumber"] = 7;
    if (a.size() > 5)
        meta["mpris:artUrl"] = QUrl::fromLocalFile(a[5]).toString();
    announcement.file = options.value(play);
    announcement.fileTitleReads = options.value(fileTitle).toInt();
    announcement.earlyReads = options.value(early).toInt();
    // The tracks after the first: title, artist, album, file.
    QList<QStringList> next;
    for (const QString &track : options.values(then)) {
        next << track.split('|');
        if (next.last().size() != 4)
            return 2;
    }
    QString status = a[1];
    QObject root;
    new RootAdaptor(&root, "Stand-in " + a[0]);
    new PlayerAdaptor(&root, status, announcement);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject("/org/mpris/MediaPlayer2", &root, QDBusConnection::ExportAdaptors)
        || !bus.registerService("org.mpris.MediaPlayer2." + a[0]))
        return 1;
    say("ready");

    QProcess paplay;
    if (options.isSet(play)) {
        // The sound server learns who plays from the client's properties.
        const QString pid = options.isSet(streamPid) ? options.value(streamPid)
                                                     : QString::number(QCoreApplication::applicationPid());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QString name = options.isSet(streamName) ? options.value(streamName) : a[0];
        env.insert("PULSE_PROP", QString("application.process.id=%1").arg(pid));
        paplay.setProcessEnvironment(env);
        QStringList args{"--client-name=" + name};
        if (options.isSet(sink))
            args << "--device=" + options.value(sink);
        // Ends with this process, however it ends.
        auto start = [&paplay, args](const QString &file) {
            paplay.start("setpriv", QStringList{"--pdeathsig", "KILL", "paplay"} << args << file);
            return paplay.waitForStarted(5000);
        };
        // Queued: a process is not started again from its own finished().
        QObject::connect(
            &paplay, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), &app,
            [&, start, played = 1]() mutable {
                if (next.isEmpty()) {
                    if (options.isSet(stopAtEnd))
                        status = "Stopped";
                    say("ended");
                    return;
                }
                const QStringList track = next.takeFirst();
                meta["mpris:trackid"] = QVariant::fromValue(
                    QDBusObjectPath(QString("/standin/track/%1").arg(++played)));
                meta["xesam:title"] = track[0];
                meta["xesam:artist"] = QStringList{track[1]};
                meta["xesam:album"] = track[2];
                announcement.file = track[3];
                if (!start(track[3]))
                    QCoreApplication::exit(1);
                say("track " + QByteArray::number(played));
            },
            Qt::QueuedConnection);
        if (!start(announcement.file))
            return 1;
        say("playing");
    }
    const int result = app.exec();
    QObject::disconnect(&paplay, nullptr, nullptr, nullptr);
    paplay.kill();
    paplay.waitForFinished(5000);
    return result;
}

#include "mprisstandin.moc"
