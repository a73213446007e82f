#pragma once
// The loop-back device that system sound is recorded from: a null sink
// named SinkName and described "RZAudio Device", loaded at run time. While it is the default
// output its monitor is looped back to the previous real output, so the user
// still hears what plays. One per process. Processes share the device of a
// server: it is theirs while any of them lives (see LoopbackUsers), and the
// last one to leave removes it and gives the default output back.

#include "platform/audio/loopbackusers.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <mutex>

class PulseContext;
class PulseServer;

class LoopbackDevice
{
public:
    static const char *const Description;   // "RZAudio Device"
    static const char *const SinkName;      // the name of the sink we load

    static LoopbackDevice *instance();
    explicit LoopbackDevice(PulseContext *ctx = nullptr);

    // Makes sure our sink exists, adopting one that does and loading one
    // when none does (no rights, no waiting, no server restart). False,
    // loading nothing, while the server does not answer whether it does.
    bool install();
    // Our sink exists.
    bool isCurrent();
    // Name of the sink that is the device, empty when there is none.
    QByteArray sinkName();
    static bool isDeviceSink(const QByteArray &sink);

    // Makes the device the default output, remembering the previous real
    // output and looping the device's monitor back to it.
    bool makeDefault();
    // The default output moved away from the device: the loop goes.
    void defaultOutputChanged(const QByteArray &newDefault);
    // The default output was moved from the device to a real output while
    // this process used it, and has not been made the device again since.
    bool leftForRealOutput() const;
    // The default output is output, a real one, while this process had made
    // the device the default: the user chose it, idle or not, and what the
    // user hears plays there. False when the server came back without the
    // device, which is then brought back instead.
    bool chosenOverDevice(const QByteArray &output);
    // This process no longer uses the device. The last user gives the
    // previous output back its default and removes every loop of the device
    // and the device itself; while other users live, all stays as it is.
    // The default goes back to giveBackTo when that is a real output, else to
    // the output the device took over. False when the server did not answer.
    // Safe to call more than once.
    bool restore(const QByteArray &giveBackTo = QByteArray());
    // At start, when no other live process uses the device: a default output
    // left on it by a run that crashed goes back to the real output that run
    // looped to (or the first real output); that run's loop is removed and
    // its sink adopted as ours.
    bool repairAfterCrash();
    // The server went away and came back without our device: loads it again,
    // and makes it the default output again when it was. False when there
    // was nothing to bring back or it could not be brought back.
    bool recover();
    // Restores on SIGINT and SIGTERM, then ends the process by the signal;
    // a signal the program already handles is left to it.
    static void restoreOnSignals();
    // Restores, then ends the process by the signal as if unhandled, at the
    // latest ForcedRestoreMs from the call, however long the sound server or
    // the way out before it waited.
    [[noreturn]] static void restoreAndRaise(int sig);
    static constexpr int ForcedRestoreMs = 2500;
    // How long the device is waited for once its module is listed (PipeWire
    // lists a sink some time after its module).
    static constexpr int LateLoadShowsMs = 3000;

    QByteArray previousOutput() const;
    QString errorString() const;

private:
    bool fail(const QString &text);
    // Our sink exists already: its module is taken as ours. False when there
    // is none, or the server did not list its sinks (*listed false then).
    bool adoptExisting(PulseServer &server, bool *listed = nullptr);
    QByteArray realOutputFor(PulseServer &server, const QByteArray &current);
    bool removeLoops(PulseServer &server, bool onlyOurs);
    bool loadLoop(PulseServer &server, const QByteArray &target);
    // A loop of the device into target, whoever loaded it; noModule when none.
    quint32 existingLoop(PulseServer &server, const QByteArray &target, bool *anyLoop);
    // Module indices of a connection that is gone are dropped: the server
    // that held them went with it, and a new one may give them to others.
    void forgetLostServer();

    PulseContext *m_ctx;
    LoopbackUsers m_users;
    mutable std::recursive_mutex m_mutex;
    QVector<quint32> m_sinkModules;   // every sink module we loaded or adopted
    quint32 m_loopModule;
    QByteArray m_previous;
    QString m_error;
    quint64 m_connection = 0;   // the connection our module indices belong to
    bool m_lostInstalled = false;
    bool m_lostDefault = false;
    bool m_leftForRealOutput = false;
    bool m_madeDefault = false;   // since this process last gave the device up
};
