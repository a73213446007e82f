#pragma once
// The private sound server's objects as a client connected now sees them.

#include <QByteArray>

namespace TestSupport {

// How many loaded modules have this name ("module-loopback").
int modulesNamed(const QByteArray &name);
// How many sinks have this name ("rzaudio_device").
int sinksNamed(const QByteArray &name);

} // namespace TestSupport
