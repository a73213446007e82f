// loopback_holder [--guard]: makes the loop-back device the default output,
// prints "ready" and waits to be killed. With --guard it restores the
// previous output when SIGINT or SIGTERM ends it.
#include "loopbackholder.h"

#include "platform/audio/loopbackdevice.h"

#include <cstring>
#include <unistd.h>

int main(int argc, char **argv)
{
    const bool guard = argc > 1 && std::strcmp(argv[1], "--guard") == 0;
    if (guard)
        LoopbackDevice::restoreOnSignals();
    if (!TestSupport::takeDefaultOutput())
        return 1;
    for (;;)
        pause();
}
