#pragma once
// A media file opened through the codec layer on a worker thread, for the
// preview engine to take over on the GUI thread: a player and a
// media-information handle on the file. Copies share the handles; what was
// not taken is released with the last copy, on whichever thread lets it go
// (an editor closed before the file was read).

#include <memory>

class JXOpenedMedia
{
public:
    JXOpenedMedia() = default;
    // Takes both handles (either may be null).
    JXOpenedMedia(void *player, void *info);

    bool hasPlayer() const { return m_handles && m_handles->player; }
    // Hands a handle over; null when there is none or it was taken before.
    void *takePlayer();
    void *takeInfo();

private:
    struct Handles
    {
        void *player = nullptr;
        void *info = nullptr;
        Handles() = default;
        Handles(const Handles &) = delete;
        Handles &operator=(const Handles &) = delete;
        ~Handles();
    };
    std::shared_ptr<Handles> m_handles;
};
