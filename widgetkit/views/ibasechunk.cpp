#include "ibasechunk.h"

#include <QMutex>

const char *const IBaseChunk::CheckKey = "Item_check_key";
const char *const IBaseChunk::DateKey = "CHUNK_DATE_KEY";

IBaseChunk::IBaseChunk(bool withMutex)
    : m_mutex(withMutex ? new QMutex : nullptr)
{
    // Unchecked is the store's answer for a key never set: a large list's
    // items carry no entry for it.
}

IBaseChunk::~IBaseChunk()
{
    delete m_mutex;
}

void IBaseChunk::SetCheck(int state) { setIntValue(CheckKey, state); }
int IBaseChunk::GetCheck() { return getIntValue(CheckKey); }
void IBaseChunk::SetTitle(std::string title) { setRare(&RareTexts::title, std::move(title)); }
std::string IBaseChunk::GetTitle() { return rare(&RareTexts::title); }
void IBaseChunk::SetID(int id) { m_id = id; }
int IBaseChunk::GetID() { return m_id; }
void IBaseChunk::SetOwner(void *owner) { m_owner = owner; }
void *IBaseChunk::GetOwner() { return m_owner; }
void IBaseChunk::setDate(std::string date) { setStringValue(DateKey, std::move(date)); }
std::string IBaseChunk::getDate() { return getStringValue(DateKey); }
void IBaseChunk::setHash(std::string hash) { setRare(&RareTexts::hash, std::move(hash)); }
std::string IBaseChunk::getHash() { return rare(&RareTexts::hash); }
void IBaseChunk::setLocation(std::string location) { setRare(&RareTexts::location, std::move(location)); }
std::string IBaseChunk::getLocation() { return rare(&RareTexts::location); }
void IBaseChunk::setEnable(bool enable) { m_enable = enable; }
bool IBaseChunk::getEnable() { return m_enable; }
void IBaseChunk::SetFilterId(std::string filterId) { setRare(&RareTexts::filterId, std::move(filterId)); }
std::string IBaseChunk::GetFilterId() { return rare(&RareTexts::filterId); }
void IBaseChunk::setItemSearchText(std::string text) { setRare(&RareTexts::searchText, std::move(text)); }
std::string IBaseChunk::getItemSearchText() { return rare(&RareTexts::searchText); }
void IBaseChunk::setImage(std::string path) { setRare(&RareTexts::image, std::move(path)); }
std::string IBaseChunk::GetImage() { return rare(&RareTexts::image); }
void IBaseChunk::setThumbnailImage(std::string path) { setRare(&RareTexts::thumbnailImage, std::move(path)); }
std::string IBaseChunk::getThumbnailImage() { return rare(&RareTexts::thumbnailImage); }
void IBaseChunk::SetImageLen(int length) { m_imageLength = length; }
int IBaseChunk::GetImageLen() { return m_imageLength; }
void IBaseChunk::setData(void *data) { m_data = data; }
void *IBaseChunk::getData() { return m_data; }
void IBaseChunk::setIsDeleted(bool deleted) { m_deleted = deleted; }
bool IBaseChunk::isDeleted() { return m_deleted; }
void IBaseChunk::setSortValue(double value) { m_sortValue = value; }
double IBaseChunk::getSortValue() { return m_sortValue; }
void IBaseChunk::setControlShow(bool show) { m_controlShow = show; }
bool IBaseChunk::getControlShow() { return m_controlShow; }
void IBaseChunk::setToolTipText(std::string text) { setRare(&RareTexts::toolTipText, std::move(text)); }
std::string IBaseChunk::getToolTipText() { return rare(&RareTexts::toolTipText); }
void IBaseChunk::setItemMaskImage(std::string path) { setRare(&RareTexts::maskImage, std::move(path)); }
std::string IBaseChunk::getItemMakeImage() { return rare(&RareTexts::maskImage); }

void IBaseChunk::setRare(std::string RareTexts::*field, std::string value)
{
    if (!m_rare) {
        if (value.empty())
            return;
        m_rare = std::make_unique<RareTexts>();
    }
    (*m_rare).*field = std::move(value);
}

std::string IBaseChunk::rare(std::string RareTexts::*field) const
{
    return m_rare ? (*m_rare).*field : std::string();
}

void IBaseChunk::Reset()
{
    m_id = 0;
    m_owner = nullptr;
    if (m_rare)
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
    if (m_mutex)
        m_mutex->lock();
}

void IBaseChunk::UnLock()
{
    if (m_mutex)
        m_mutex->unlock();
}
