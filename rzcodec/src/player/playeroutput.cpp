#include "player/playeroutput.h"

#include "platform/audio/pulsecontext.h"
#include "platform/audio/pulseoutputstream.h"

namespace rz {

std::shared_ptr<PulseOutputStream> makeOutputStream(std::string *error)
{
    PulseContext *connection = PulseContext::shared();
    if (!connection->ensureConnected()) {
        if (error)
            *error = "the sound server cannot be reached: " + connection->errorString().toStdString();
        return nullptr;
    }
    return std::make_shared<PulseOutputStream>(connection);
}

} // namespace rz
