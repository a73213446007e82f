#pragma once
// The object behind a byte-buffer handle.

#include "internal/handle.h"

#include <cstdint>
#include <string>

namespace rz {

class BufferHandle : public Handle
{
public:
    static constexpr Role kRole = Role::Buffer;
    BufferHandle() : Handle(kRole) {}
    explicit BufferHandle(std::string data) : Handle(kRole), bytes(std::move(data)) {}

    // std::string keeps a NUL after the last byte and allows NULs inside.
    std::string bytes;
};

// The bytes of a buffer handle, or null when it is not one.
const std::string *bufferBytes(void *handle, const char *call);

} // namespace rz
