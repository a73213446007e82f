#include "internal/handle.h"

#include "internal/error.h"

namespace rz {

bool checkHandle(void *handle, Role role, const char *call)
{
    auto *h = static_cast<Handle *>(handle);
    if (!h || !h->isLive() || h->role() != role)
        return logBadHandle(call);
    return true;
}

} // namespace rz
