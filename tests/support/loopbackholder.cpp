#include "loopbackholder.h"

#include "platform/audio/loopbackdevice.h"

#include <cstdio>

namespace TestSupport {

bool takeDefaultOutput()
{
    LoopbackDevice *device = LoopbackDevice::instance();
    if (!device->makeDefault()) {
        std::fprintf(stderr, "%s\n", device->errorString().toUtf8().constData());
        return false;
    }
    // The parent reads this line before it goes on.
    std::printf("ready\n");
    std::fflush(stdout);
    return true;
}

} // namespace TestSupport
