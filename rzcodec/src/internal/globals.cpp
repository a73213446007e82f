#include "internal/globals.h"

namespace rz {

std::string Globals::workFolder() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_workFolder;
}

void Globals::setWorkFolder(const std::string &folder)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_workFolder = folder;
}

std::vector<uint32_t> Globals::frameFormats() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_frameFormats;
}

void Globals::setFrameFormats(std::vector<uint32_t> formats)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_frameFormats = std::move(formats);
}

Globals &globals()
{
    static Globals g;
    return g;
}

} // namespace rz
