#pragma once
// Keeps the sound server off the GUI thread: a device model on a thread of
// its own carries out the jobs handed to it, in order, and after every job
// and every device change the server reports, a fresh reading comes back
// through a signal emitted on the agent's own thread. While the server
// cannot be reached it is tried again, less and less often; that it went and
// that it came back are each logged once and signalled.

#include "recorder/audiodevicelist.h"

#include <QObject>
#include <QThread>

#include <functional>

class MacAudioDevice;
class PulseContext;

class AudioDeviceAgent : public QObject
{
    Q_OBJECT
public:
    // Runs on the device thread with that thread's own model.
    using Job = std::function<void(MacAudioDevice &)>;

    explicit AudioDeviceAgent(PulseContext *ctx = nullptr, QObject *parent = nullptr);
    // Lets the jobs handed over end first.
    ~AudioDeviceAgent() override;

    // Queues the job after those before it and returns its number; the
    // reading that follows it carries that number or a later one.
    int post(Job job);
    // Asks for a fresh reading.
    int refresh() { return post(Job()); }
    // Runs the job, then ends the thread and waits for it: for what must be
    // done before the program goes on, at shut-down.
    void finish(Job job);

signals:
    // On the agent's thread. lastJob: the number of the last job done
    // before this reading.
    void devicesChanged(const AudioDeviceList &devices, int lastJob);
    // On the agent's thread: whether the server can be reached, after the
    // first reading and whenever that changes.
    void serverReachable(bool reachable);

private:
    class Worker;
    void stopThread();

    QThread m_thread;
    Worker *m_worker = nullptr;
    int m_lastJob = 0;
};
