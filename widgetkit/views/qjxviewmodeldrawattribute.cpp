#include "qjxviewmodeldrawattribute.h"

QJXViewModelDrawAttribute::QJXViewModelDrawAttribute()
{
    m_textFont.setFamily(QStringLiteral("Tahoma"));
    m_textFont.setPixelSize(12);
    m_textFont.setWeight(QFont::Normal);
}

void QJXViewModelDrawAttribute::setHoverBgColor(const QColor &background, const QColor &text)
{
    m_hoverBgColor = background;
    m_hoverTextColor = text;
}

void QJXViewModelDrawAttribute::setItemBgColor(const QColor &first, const QColor &second)
{
    m_firstBgColor = first;
    m_secondBgColor = second;
}

void QJXViewModelDrawAttribute::setItemTextColor(const QColor &first, const QColor &second)
{
    m_firstTextColor = first;
    m_secondTextColor = second;
}

QBrush QJXViewModelDrawAttribute::rowBackground(int row) const
{
    if (row == m_hoverRow)
        return QBrush(m_hoverBgColor);
    return QBrush(row % 2 == 0 ? m_firstBgColor : m_secondBgColor);
}

QBrush QJXViewModelDrawAttribute::rowForeground(int row, bool deleted) const
{
    if (deleted)
        return QBrush(m_deletedTextColor);
    if (row == m_hoverRow)
        return QBrush(m_hoverTextColor);
    // Text stripes run opposite to the background stripes; every screen sets
    // equal pairs, so only a custom pair ever shows the difference.
    return QBrush(row % 2 == 0 ? m_secondTextColor : m_firstTextColor);
}
