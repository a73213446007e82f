#include "recorder/macaudiodevice.h"
#include "recorder/recorderlog.h"

#include "platform/audio/loopbackdevice.h"
#include "platform/audio/pulsecontext.h"
#include "platform/audio/pulseserver.h"

#include <QDebug>

namespace {

AudioDeviceInfo recordOf(const PulseDeviceInfo &d, const QString &name)
{
    AudioDeviceInfo info;
    info.name = name.toUtf8();
    info.uid = d.name;
    info.deviceId = d.index;
    info.builtIn = d.formFactor == QLatin1String("internal") || d.bus == QLatin1String("pci");
    info.volume = qBound(0, d.volumePercent, 100);
    info.mute = d.muted ? 1 : 0;
    return info;
}

} // namespace

MacAudioDevice::MacAudioDevice(PulseContext *ctx) : m_ctx(ctx)
{
    enumerate();
}

MacAudioDevice::~MacAudioDevice() = default;

PulseContext *MacAudioDevice::context() const
{
    return m_ctx ? m_ctx : PulseContext::shared();
}

bool MacAudioDevice::serverReachable()
{
    return context()->ensureConnected();
}

void MacAudioDevice::releaseList()
{
    // A new list rather than the old one emptied: copies of the last reading
    // handed to other threads share its buffers, which are then never
    // written again (whether a buffer is still shared is read without
    // ordering, so reusing one the last other holder just let go is a race).
    m_list = AudioDeviceList();
}

bool MacAudioDevice::refresh()
{
    releaseList();
    return enumerate();
}

bool MacAudioDevice::enumerate()
{
    PulseServer server(m_ctx);
    PulseServerInfo info;
    QVector<PulseDeviceInfo> sinks, sources;
    m_answered = server.serverInfo(info) && server.sinks(sinks) && server.sources(sources);
    if (!m_answered) {
        // A server that cannot be reached is told once, by the device agent.
        if (context()->isConnected())
            qCWarning(lcRecorder) << "audio devices:" << server.errorString();
        return false;
    }
    const QString loopName = QString::fromLatin1(LoopbackDevice::Description);
    QByteArray loopMonitor;
    for (const PulseDeviceInfo &s : sinks) {
        if (s.name == info.defaultSink)
            m_list.setDefaultIndex(false, m_list.count(false));
        // Our device goes by its own name, whatever the server made of its description.
        const bool isLoop = LoopbackDevice::isDeviceSink(s.name);
        if (isLoop)
            loopMonitor = s.monitorOf;
        m_list.append(false, recordOf(s, isLoop ? loopName : s.description));
    }
    for (const PulseDeviceInfo &s : sources) {
        // Monitors are no inputs, except the loop-back device's: it is how
        // system sound is recorded, under the device's own name.
        const bool isLoop = !loopMonitor.isEmpty() && s.name == loopMonitor;
        if (s.isMonitor && !isLoop)
            continue;
        if (s.name == info.defaultSource)
            m_list.setDefaultIndex(true, m_list.count(true));
        m_list.append(true, recordOf(s, isLoop ? loopName : s.description));
    }
    return m_list.count(false) > 0 || m_list.count(true) > 0;
}

bool MacAudioDevice::isNeedRefresh()
{
    MacAudioDevice fresh(m_ctx);
    return !compareDevice(&fresh);
}

bool MacAudioDevice::compareDevice(const MacAudioDevice *other) const
{
    return other && m_list.sameDevices(other->m_list);
}

int MacAudioDevice::getDefaultIndex(bool isInput) const
{
    return m_list.defaultIndex(isInput);
}

int MacAudioDevice::getDeviceCount(bool isInput) const
{
    return m_list.count(isInput);
}

bool MacAudioDevice::isValid(bool isInput, int index) const
{
    return m_list.isValid(isInput, index);
}

const AudioDeviceInfo *MacAudioDevice::getDeviceInfo(bool isInput, int index) const
{
    return m_list.info(isInput, index);
}

const char *MacAudioDevice::getDeviceName(bool isInput, int index) const
{
    return m_list.name(isInput, index);
}

const char *MacAudioDevice::getDeviceUID(bool isInput, int index) const
{
    const AudioDeviceInfo *d = getDeviceInfo(isInput, index);
    return d && !d->uid.isEmpty() ? d->uid.constData() : nullptr;
}

bool MacAudioDevice::getDeviceBuiltIn(bool isInput, int index) const
{
    const AudioDeviceInfo *d = getDeviceInfo(isInput, index);
    return d && d->builtIn;
}

bool MacAudioDevice::setDefaultDevice(bool isInput, int index)
{
    const AudioDeviceInfo *d = getDeviceInfo(isInput, index);
    if (!d)
        return false;
    PulseServer server(m_ctx);
    bool ok;
    QString why;
    if (isInput) {
        ok = server.setDefaultSource(d->uid);
    } else {
        // The loop-back device as output brings its loop to the real output
        // with it; leaving it takes the loop away.
        LoopbackDevice *loop = LoopbackDevice::instance();
        if (loop->isDeviceSink(d->uid)) {
            ok = loop->makeDefault();
            why = loop->errorString();
        } else {
            ok = server.setDefaultSink(d->uid);
            if (ok)
                loop->defaultOutputChanged(d->uid);
        }
    }
    if (!ok) {
        qCWarning(lcRecorder) << "audio devices: cannot make" << d->name << "the default:"
                              << (why.isEmpty() ? server.errorString() : why);
        return false;
    }
    m_list.setDefaultIndex(isInput, index);
    return true;
}

bool MacAudioDevice::serverDevice(bool isInput, int index, PulseDeviceInfo &out) const
{
    const AudioDeviceInfo *d = getDeviceInfo(isInput, index);
    if (!d)
        return false;
    PulseServer server(m_ctx);
    QVector<PulseDeviceInfo> devices;
    if (!(isInput ? server.sources(devices) : server.sinks(devices)))
        return false;
    for (const PulseDeviceInfo &p : devices) {
        if (p.name == d->uid) {
            out = p;
            return true;
        }
    }
    return false;
}

int MacAudioDevice::getDeviceMute(bool isInput, int index)
{
    PulseDeviceInfo p;
    if (!serverDevice(isInput, index, p))
        return -1;
    return p.muted ? 1 : 0;
}

bool MacAudioDevice::setDeviceMute(bool isInput, int index, int mute)
{
    const AudioDeviceInfo *d = getDeviceInfo(isInput, index);
    if (!d)
        return false;
    PulseServer server(m_ctx);
    return server.setMute(isInput, d->uid, mute != 0);
}

int MacAudioDevice::getDeviceVolume(bool isInput, int index)
{
    PulseDeviceInfo p;
    if (!serverDevice(isInput, index, p))
        return -1;
    return qBound(0, p.volumePercent, 100);
}

bool MacAudioDevice::setDeviceVolume(bool isInput, int index, int volume)
{
    if (volume < 0 || volume > 100)
        return false;
    const AudioDeviceInfo *d = getDeviceInfo(isInput, index);
    if (!d)
        return false;
    PulseServer server(m_ctx);
    return server.setVolume(isInput, d->uid, volume);
}
