#pragma once
// Makes the loop-back device available at start-up. On this system it is a
// sink loaded into the running sound server, so "installing" needs no rights,
// no files and no restart; a default output left on the device by a run that
// crashed is given back first, and the previous output is restored when
// SIGINT or SIGTERM ends the program.

#include <QString>

class QAudioDriverInstaller
{
public:
    // bundlePath names where a packaged driver would be; nothing is read
    // from it here. True when the device exists afterwards.
    static bool installAudioDriverWithPath(const QString &bundlePath);
};
