#include "media/jxopenedmedia.h"

#include "rzcodec/mediainfo.h"
#include "rzcodec/player.h"

JXOpenedMedia::JXOpenedMedia(void *player, void *info) : m_handles(std::make_shared<Handles>())
{
    m_handles->player = player;
    m_handles->info = info;
}

JXOpenedMedia::Handles::~Handles()
{
    if (player) {
        rz_player_stop(player);
        rz_player_close(player);
        rz_player_release(player);
    }
    if (info) {
        rz_info_close(info);
        rz_info_release(info);
    }
}

void *JXOpenedMedia::takePlayer()
{
    if (!m_handles)
        return nullptr;
    void *handle = m_handles->player;
    m_handles->player = nullptr;
    return handle;
}

void *JXOpenedMedia::takeInfo()
{
    if (!m_handles)
        return nullptr;
    void *handle = m_handles->info;
    m_handles->info = nullptr;
    return handle;
}
