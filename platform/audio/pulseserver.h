#pragma once
// Synchronous queries and commands on the sound server: devices, defaults,
// volume, mute and modules. Each call waits for the server's answer with a
// time-out and reports failure by its result.

#include <QByteArray>
#include <QString>
#include <QVector>

class PulseContext;

struct PulseDeviceInfo
{
    quint32 index = 0;
    QByteArray name;          // the server's unique name
    QString description;      // the name users see
    bool isMonitor = false;   // a source that is the monitor of a sink
    QByteArray monitorOf;     // source: the sink it monitors; sink: its monitor source
    quint32 ownerModule = 0xffffffffu;
    int channels = 0;
    int volumePercent = 0;    // average over the channels, 0..(above 100 when amplified)
    bool muted = false;
    QString formFactor;       // "internal", "headset", ... when the server knows it
    QString bus;              // "pci", "usb", ... when the server knows it
};

struct PulseServerInfo
{
    QByteArray defaultSink;
    QByteArray defaultSource;
    QString serverName;
    QString serverVersion;
};

struct PulseModuleInfo
{
    quint32 index = 0;
    QByteArray name;
    QByteArray argument;
};

class PulseServer
{
public:
    explicit PulseServer(PulseContext *ctx = nullptr, int timeoutMs = 3000);
    virtual ~PulseServer() = default;

    // The defaults in it are the server's own even where it no longer reports
    // their changes to this connection (see PulseContext::defaultsUnreported).
    bool serverInfo(PulseServerInfo &info);
    // The defaults as a connection made now reads them: the truth even while
    // this connection has not yet heard of a change (only the two defaults
    // of info are filled).
    bool currentDefaults(PulseServerInfo &info);
    bool sinks(QVector<PulseDeviceInfo> &list);
    bool sources(QVector<PulseDeviceInfo> &list);
    bool modules(QVector<PulseModuleInfo> &list);

    // True once the server reports the device as its default, or another
    // output that another client chose after this request was carried out.
    bool setDefaultSink(const QByteArray &name);
    bool setDefaultSource(const QByteArray &name);
    // Sets every channel to percent (0..100 is the usual range).
    bool setVolume(bool source, const QByteArray &name, int percent);
    bool setMute(bool source, const QByteArray &name, bool mute);

    // Loads a module; its index, or 0xffffffff on failure.
    quint32 loadModule(const QByteArray &name, const QByteArray &argument);
    // True once the module and its devices are gone.
    bool unloadModule(quint32 index);
    // The module argument that describes a device it loads, e.g.
    // sink_properties='device.description="RZAudio Device"': PulseAudio and
    // PipeWire's pulse server read this quoting alike (PipeWire would keep a
    // backslash before a blank). Quotes and backslashes in the text are dropped.
    static QByteArray descriptionArgument(const QByteArray &key, const QString &description);

    QString errorString() const { return m_error; }
    PulseContext *context() const { return m_ctx; }

protected:
    // What this connection is told, defaults included.
    virtual bool reportedServerInfo(PulseServerInfo &info);

private:
    bool ready();
    bool fail(const QString &text);
    bool setDefault(bool source, const QByteArray &name);
    // Asks check(done, last) until done, within the time-out (last: the time
    // is up); for requests the server answers before it has carried them
    // out. check() false: failure.
    template <class Check> bool settle(Check check, const QString &failure);
    // Runs one info-list query that start() begins and waits for all of it.
    template <class Item, class Start> bool queryList(Start start, QVector<Item> &list);
    // Runs one operation answered by success or refusal; whyNot() words a refusal.
    template <class Start, class WhyNot> bool runAction(Start start, WhyNot whyNot);

    PulseContext *m_ctx;
    int m_timeoutMs;
    QString m_error;
};
