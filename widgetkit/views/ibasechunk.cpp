#include "ibasechunk.h"

#include <QMutex>

const char *const IBaseChunk::CheckKey = "Item_check_key";
const char *const IBaseChunk::DateKey = "CHUNK_DATE_KEY";

IBaseChunk::IBaseChunk(bool withMutex)
{
    // Unchecked is the store's answer for a key never set: a large list's
    // items carry no entry for it.
    if (withMutex) {
        m_rare = std::make_unique<Rare>();
        m_rare->mutex = std::make_unique<QMutex>();
    }
}

IBaseChunk::~IBaseChunk() = default;

void IBaseChunk::SetCheck(int state) { setIntValue(CheckKey, state); }
int IBaseChunk::GetCheck() { return getIntValue(CheckKey); }
void IBaseChunk::SetTitle(std::string title)
{
    setRare(&Rare::title, std::move(title));
}
std::string IBaseChunk::GetTitle()
{
    return rare(&Rare::title);
}
void IBaseChunk::SetID(int id)
{
    setRare(&Rare::id, id);
}
int IBaseChunk::GetID()
{
    return rare(&Rare::id);
}
void IBaseChunk::SetOwner(void *owner)
{
    setRare(&Rare::owner, owner);
}
void *IBaseChunk::GetOwner()
{
    return rare(&Rare::owner);
}
void IBaseChunk::setDate(std::string date) { setStringValue(DateKey, std::move(date)); }
std::string IBaseChunk::getDate() { return getStringValue(DateKey); }
void IBaseChunk::setHash(std::string hash)
{
    setRare(&Rare::hash, std::move(hash));
}
std::string IBaseChunk::getHash()
{
    return rare(&Rare::hash);
}
void IBaseChunk::setLocation(std::string location)
{
    setRare(&Rare::location, std::move(location));
}
std::string IBaseChunk::getLocation()
{
    return rare(&Rare::location);
}
void IBaseChunk::setEnable(bool enable) { m_enable = enable; }
bool IBaseChunk::getEnable() { return m_enable; }
void IBaseChunk::SetFilterId(std::string filterId)
{
    setRare(&Rare::filterId, std::move(filterId));
}
std::string IBaseChunk::GetFilterId()
{
    return rare(&Rare::filterId);
}
void IBaseChunk::setItemSearchText(std::string text)
{
    setRare(&Rare::searchText, std::move(text));
}
std::string IBaseChunk::getItemSearchText()
{
    return rare(&Rare::searchText);
}
void IBaseChunk::setImage(std::string path)
{
    setRare(&Rare::image, std::move(path));
}
std::string IBaseChunk::GetImage()
{
    return rare(&Rare::image);
}
void IBaseChunk::setThumbnailImage(std::string path)
{
    setRare(&Rare::thumbnailImage, std::move(path));
}
std::string IBaseChunk::getThumbnailImage()
{
    return rare(&Rare::thumbnailImage);
}
void IBaseChunk::SetImageLen(int length)
{
    setRare(&Rare::imageLength, length);
}
int IBaseChunk::GetImageLen()
{
    return rare(&Rare::imageLength);
}
void IBaseChunk::setData(void *data)
{
    setRare(&Rare::data, data);
}
void *IBaseChunk::getData()
{
    return rare(&Rare::data);
}
void IBaseChunk::setIsDeleted(bool deleted) { m_deleted = deleted; }
bool IBaseChunk::isDeleted() { return m_deleted; }
void IBaseChunk::setSortValue(double value)
{
    setRare(&Rare::sortValue, value);
}
double IBaseChunk::getSortValue()
{
    return rare(&Rare::sortValue);
}
void IBaseChunk::setControlShow(bool show) { m_controlShow = show; }
bool IBaseChunk::getControlShow() { return m_controlShow; }
void IBaseChunk::setToolTipText(std::string text)
{
    setRare(&Rare::toolTipText, std::move(text));
}
std::string IBaseChunk::getToolTipText()
{
    return rare(&Rare::toolTipText);
}
void IBaseChunk::setItemMaskImage(std::string path)
{
    setRare(&Rare::maskImage, std::move(path));
}
std::string IBaseChunk::getItemMakeImage()
{
    return rare(&Rare::maskImage);
}

template<typename T>
void IBaseChunk::setRare(T Rare::*field, T value)
{
    if (!m_rare) {
        if (value == T())
            return;
        m_rare = std::make_unique<Rare>();
    }
    (*m_rare).*field = std::move(value);
}

template<typename T>
T IBaseChunk::rare(T Rare::*field) const
{
    return m_rare ? (*m_rare).*field : T();
}

void IBaseChunk::Reset()
{
    if (!m_rare)
        return;
    m_rare->id = 0;
    m_rare->owner = nullptr;
    m_rare->title.clear();
}

bool IBaseChunk::remove()
{
    return true;
}

void IBaseChunk::setColumnEnable(int column, bool on)
{
    if (column < 0 || column > 31)
        return;
    const uint32_t bit = 1u << column;
    m_columnEnableMask = on ? (m_columnEnableMask | bit) : (m_columnEnableMask & ~bit);
}

bool IBaseChunk::getColumnEnable(int column) const
{
    if (column < 0 || column > 31)
        return true;
    return (m_columnEnableMask >> column) & 1u;
}

void IBaseChunk::Lock()
{
    if (m_rare && m_rare->mutex)
        m_rare->mutex->lock();
}

void IBaseChunk::UnLock()
{
    if (m_rare && m_rare->mutex)
        m_rare->mutex->unlock();
}
