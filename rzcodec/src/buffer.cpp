#include "rzcodec/buffer.h"

#include "internal/bufferhandle.h"
#include "internal/error.h"

namespace rz {
const std::string *bufferBytes(void *handle, const char *call)
{
    auto *b = handleCast<BufferHandle>(handle, call);
    return b ? &b->bytes : nullptr;
}
} // namespace rz

extern "C" void *rz_buffer_create(const void *data, uint32_t size)
{
    if (!data && size > 0) {
        rz::logError("rz_buffer_create: no data for " + std::to_string(size) + " bytes");
        return nullptr;
    }
    auto *b = new rz::BufferHandle;
    if (size > 0)
        b->bytes.assign(static_cast<const char *>(data), size);
    return rz::toHandle(b);
}

extern "C" void rz_buffer_release(void *buffer)
{
    if (auto *b = rz::handleCast<rz::BufferHandle>(buffer, "rz_buffer_release"))
        delete b;
}

extern "C" const uint8_t *rz_buffer_data(void *buffer)
{
    const std::string *bytes = rz::bufferBytes(buffer, "rz_buffer_data");
    return bytes ? reinterpret_cast<const uint8_t *>(bytes->c_str()) : nullptr;
}

extern "C" uint32_t rz_buffer_size(void *buffer)
{
    const std::string *bytes = rz::bufferBytes(buffer, "rz_buffer_size");
    return bytes ? uint32_t(bytes->size()) : 0;
}
