#pragma once
// Base of every object handed out as an opaque handle. The role tag lets each
// call check that it was given a live handle of its own kind instead of
// trusting the caller's cast.

#include <cstdint>
#include <string>

namespace rz {

enum class Role : uint32_t {
    MediaInfo = 1,
    Frame,
    Buffer,
    ConvertConfig,
    TagFile,
    Player,
    Converter,
    Recorder,
    AudioFrame,
    AudioFilter,
    Stream,
    Recognizer,
    Dictionary,
    Merger,
    TrackWriter,
    Track,
};

class Handle
{
public:
    explicit Handle(Role role) : m_role(role) {}
    virtual ~Handle() { m_magic = 0; }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;

    Role role() const { return m_role; }
    bool isLive() const { return m_magic == kMagic; }

    // The media file this object has open, for roles that open one (the media
    // information takes a player's file through it); "" otherwise.
    virtual std::string mediaPath() const { return {}; }

private:
    static constexpr uint32_t kMagic = 0x525a4843; // "RZHC"
    uint32_t m_magic = kMagic;
    Role m_role;
};

// The handle as T when it is a live object of T's role, else null (logged
// with the name of the call).
template <class T>
T *handleCast(void *handle, const char *call);

bool checkHandle(void *handle, Role role, const char *call);

template <class T>
T *handleCast(void *handle, const char *call)
{
    return checkHandle(handle, T::kRole, call) ? static_cast<T *>(static_cast<Handle *>(handle))
                                               : nullptr;
}

} // namespace rz

namespace rz {
// The opaque form of an object, always through its Handle base so that
// handleCast finds the same address.
inline void *toHandle(Handle *object) { return object; }
} // namespace rz
