#include "library/qlibrarychunk.h"

#include "library/libraryitemids.h"
#include "library/qhistorychunk.h"

#include <QCoreApplication>

#include <algorithm>

QLibraryChunk::QLibraryChunk()
    : IBaseChunk(false)
    , m_itemId(LibraryItemIds::add(this))
{
}

QLibraryChunk::~QLibraryChunk()
{
    // Gone for everyone before its rows go.
    LibraryItemIds::remove(m_itemId, this);
    ClearAudioDatasList();
}

void QLibraryChunk::AddAudioChunk(IBaseChunk *row)
{
    if (row)
        m_rows.push_back(row);
}

bool QLibraryChunk::holds(const IBaseChunk *row) const
{
    return row && std::find(m_rows.begin(), m_rows.end(), row) != m_rows.end();
}

bool QLibraryChunk::DeleteOneAudioChunk(IBaseChunk *row)
{
    auto it = std::find(m_rows.begin(), m_rows.end(), row);
    if (it == m_rows.end() || !row)
        return false;
    m_rows.erase(it);
    delete row;
    return true;
}

bool QLibraryChunk::DeleteOneAudioChunk(const std::string &title)
{
    auto it = std::find_if(m_rows.begin(), m_rows.end(),
                           [&](IBaseChunk *row) { return row && row->GetTitle() == title; });
    if (it == m_rows.end())
        return false;
    IBaseChunk *row = *it;
    m_rows.erase(it);
    delete row;
    return true;
}

void QLibraryChunk::ClearAudioDatasList()
{
    std::vector<IBaseChunk *> rows;
    rows.swap(m_rows);
    for (IBaseChunk *row : rows)
        delete row;
}

void QLibraryChunk::setFixedItem(bool fixed)
{
    setBoolValue(kFixedItemKey, fixed);
}

bool QLibraryChunk::getFixedItem()
{
    return getBoolValue(kFixedItemKey);
}

bool QLibraryChunk::isAllRecordings() const
{
    return m_type == ListAll
           && const_cast<QLibraryChunk *>(this)->GetTitle()
                  == QCoreApplication::translate("QFileListWgt", "All Recordings").toStdString();
}

bool QLibraryChunk::isLatestRecordings() const
{
    return m_type == ListAll
           && const_cast<QLibraryChunk *>(this)->GetTitle()
                  == QCoreApplication::translate("QFileListWgt", "Latest Recordings").toStdString();
}
