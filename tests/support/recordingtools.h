#pragma once
// What tests that record drive and check around a recording: sound played
// into a sink by a separate program, and the history entries of a path read
// straight from disk.

#include "recorder/qrecordobject.h"

#include <QDomElement>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>
#include <thread>

namespace TestSupport {

// Plays a WAV file with paplay into a sink (empty: the default output) until
// it ends, the object goes or the server does. Each property ("key=value")
// is set on the stream.
class Playback
{
public:
    explicit Playback(const QString &wav, const QString &sink = QString(),
                      const QStringList &properties = {});
    ~Playback();
    // Waits until the server plays the file (paplay's stream is there): a
    // recording started before that would begin with silence, under load
    // for a second or more. False after ms.
    bool waitPlaying(int ms = 10000);
    bool waitEnd(int ms);

private:
    QProcess m_proc;
    bool m_started = false;
};

// A stand-in media player on the session bus, a process of its own
// (tests/recorder/recognizer/mprisstandin.cpp, built beside the tests; its
// header comment tells the arguments: name status title artist album
// [cover] [options]).
class MprisPlayer
{
public:
    explicit MprisPlayer(const QStringList &args);
    ~MprisPlayer();
    // Ready on the bus, and playing when asked to play.
    bool ok() const { return m_ok; }
    // How often a client read its playback status so far.
    int asked();
    // Whether the player said `line` ("track 2", "ended", ...) by now: for
    // QTRY_*, which turns the event loop meanwhile.
    bool said(const QByteArray &line);
    // Waits until it said `line`, the event loop standing; false after ms.
    bool waitFor(const QByteArray &line, int ms = 10000);
    qint64 pid() const { return m_proc.processId(); }

private:
    QProcess m_proc;
    QByteArray m_said;
    bool m_ok = false;
};

// Stops a recording and turns the event loop until its file is complete and
// its record stored (the recording object completes a stop on a worker);
// false after ms.
bool stopRecording(QRecordObject &recorder,
                   QRecordObject::SourcesAfterStop sources = QRecordObject::StopSources, int ms = 30000);

// Makes each stopped recording's finish wait, on its worker, until
// release() (or the object goes); with a delay, it waits that long instead.
// One at a time.
class SlowFinish
{
public:
    explicit SlowFinish(int delayMs = -1);
    ~SlowFinish();
    // A finish waits now.
    bool entered() const;
    void release();

private:
    struct State;
    std::shared_ptr<State> m_state;
};

// Holds each completed recording's tag write, on the finisher's worker,
// until release() (or the object goes), and notes the thread that was to
// write and the file. One at a time.
class HeldTagWrite
{
public:
    HeldTagWrite();
    ~HeldTagWrite();
    // A write waits now.
    bool entered() const;
    std::thread::id writer() const;
    QString path() const;
    void release();

private:
    struct State;
    std::shared_ptr<State> m_state;
};

// The History.xml entries whose converted path is `path`, once the saves
// made so far are on disk.
QList<QDomElement> historyEntries(const QString &path);

} // namespace TestSupport
