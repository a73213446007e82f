#include "media/jxopenedmedia.h"

#include "media/jxinfoclass.h"
#include "media/jxplayerclass.h"

JXOpenedMedia::JXOpenedMedia(void *player, void *info) : m_handles(std::make_shared<Handles>())
{
    m_handles->player = player;
    m_handles->info = info;
}

JXOpenedMedia::Handles::~Handles()
{
    JXPlayerClass::releaseHandle(player);
    JXInfoClass::releaseHandle(info);
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
