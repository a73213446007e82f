#pragma once
// Drawing attributes shared by the details model and its sort model: hover
// row, row colours, font and tile size; and the row colours they serve.

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QSize>

class QJXViewModelDrawAttribute
{
public:
    QJXViewModelDrawAttribute();
    virtual ~QJXViewModelDrawAttribute() = default;

    void setHoverRow(int row) { m_hoverRow = row; }
    int hoverRow() const { return m_hoverRow; }
    void setTextFont(const QFont &font) { m_textFont = font; }
    QFont textFont() const { return m_textFont; }
    void setHoverBgColor(const QColor &background, const QColor &text);
    void setItemBgColor(const QColor &first, const QColor &second);
    void setItemTextColor(const QColor &first, const QColor &second);
    void setItemDeleteTextColor(const QColor &color) { m_deletedTextColor = color; }
    void setItemSize(const QSize &size) { m_itemSize = size; }
    QSize itemSize() const { return m_itemSize; }

protected:
    // Background of the row as a view shows it: hover, else striped.
    QBrush rowBackground(int row) const;
    // Text of the row: deleted items keep their colour, even when hovered.
    QBrush rowForeground(int row, bool deleted) const;

private:
    int m_hoverRow = -1;
    QColor m_hoverBgColor{51, 51, 51};
    QColor m_hoverTextColor{255, 255, 255};
    QColor m_firstBgColor{35, 35, 35};
    QColor m_secondBgColor{35, 35, 35};
    QColor m_firstTextColor{205, 196, 180};
    QColor m_secondTextColor{205, 196, 180};
    QColor m_deletedTextColor{255, 140, 71};
    QFont m_textFont;
    QSize m_itemSize{50, 50};
};
