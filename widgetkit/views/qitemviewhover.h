#pragma once
// Hover row and resting-mouse tool tip of one item view, shared by the table
// and the list view: the row under the mouse goes to the models' drawing
// attributes and to the delegate; a tool tip shows once per cell after the
// mouse rests on it for the delay.

#include <QModelIndex>
#include <QPersistentModelIndex>
#include <QStyleOptionViewItem>
#include <functional>

class QAbstractItemDelegate;
class QAbstractItemView;
class QMouseEvent;
class QBaseDetailsModel;
class QJXBaseSortModel;

class QItemViewHover
{
public:
    explicit QItemViewHover(QAbstractItemView *view);

    void setSourceModel(QBaseDetailsModel *model) { m_sourceModel = model; }
    QBaseDetailsModel *sourceModel() const { return m_sourceModel; }
    void setSortModel(QJXBaseSortModel *model) { m_sortModel = model; }
    QJXBaseSortModel *sortModel() const { return m_sortModel; }
    // How the delegate (whichever kind the view has) learns the hover row.
    void setDelegateHover(std::function<void(int)> setHoverRow) { m_delegateHover = std::move(setHoverRow); }

    int hoverRow() const { return m_hoverRow; }
    int hoverColumn() const { return m_hoverColumn; }
    bool isOtherCell(int row, int column) const { return row != m_hoverRow || column != m_hoverColumn; }

    // Clears the shown flag, restarts the rest time and hides any tool tip.
    void rearmToolTip();
    void updateRow(int row);
    void setHoverColumn(int column) { m_hoverColumn = column; }
    // The mouse left the view: no row is hovered any more.
    void leave();
    // Qt's views hand their delegates presses and releases only: moves reach
    // the in-cell controls here. Repaints that cell and the previous one.
    void routeMove(QAbstractItemDelegate *delegate, QMouseEvent *event, const QModelIndex &cell,
                   const QStyleOptionViewItem &cellOption);

    void setToolTipsOn(bool on) { m_toolTipsOn = on; }
    bool toolTipsOn() const { return m_toolTipsOn; }
    void setToolTipDelay(int ms) { m_toolTipDelay = ms; }
    int toolTipDelay() const { return m_toolTipDelay; }
    // True once per cell, when the mouse has rested longer than the delay.
    bool takeDueToolTip();
    // The milliseconds clock the rest is measured by (the system's by default); tests drive it.
    void setClock(std::function<qint64()> msecs);
    // Display text of the source cell behind a view index.
    QString cellText(const QModelIndex &index) const;
    // Shows the text at the cursor when tool tips are on and it is not empty.
    void showToolTip(const QString &text) const;

private:
    void repaintRow(int row) const;
    void setModelsHoverRow(int row) const;

    QAbstractItemView *m_view;
    QBaseDetailsModel *m_sourceModel = nullptr;
    QJXBaseSortModel *m_sortModel = nullptr;
    std::function<void(int)> m_delegateHover;
    int m_hoverRow = -1;
    int m_hoverColumn = -1;
    bool m_toolTipsOn = false;
    int m_toolTipDelay = 1000;
    std::function<qint64()> m_clock;
    qint64 m_lastMove = -1;
    bool m_toolTipShown = false;
    QPersistentModelIndex m_routedCell;
};
