#include "serverobjects.h"

#include "platform/audio/pulseserver.h"

#include <QVector>

namespace TestSupport {

int modulesNamed(const QByteArray &name)
{
    QVector<PulseModuleInfo> modules;
    PulseServer().modules(modules);
    int n = 0;
    for (const PulseModuleInfo &m : modules)
        n += m.name == name;
    return n;
}

int sinksNamed(const QByteArray &name)
{
    QVector<PulseDeviceInfo> sinks;
    PulseServer().sinks(sinks);
    int n = 0;
    for (const PulseDeviceInfo &s : sinks)
        n += s.name == name;
    return n;
}

} // namespace TestSupport
