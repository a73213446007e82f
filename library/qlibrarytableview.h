#pragma once
// View of the library panel: takes recordings dragged from the recordings
// table onto a user playlist. Only our own drags are taken, and a drop
// reaches the signal only while the library still holds every row it names.

#include "library/librarymetatypes.h"
#include "widgetkit/views/qjxtableview.h"

#include <QList>

class QLibraryTableView : public QJXTableView
{
    Q_OBJECT
public:
    explicit QLibraryTableView(QWidget *parent = nullptr);

    bool isDragging() const { return m_bDragging; }
    int dropRow() const { return m_nDropRow; }

signals:
    // The rows' ids, in the drag's order.
    void emitAddToList(QString listName, QList<quint64> rowIds);

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void repaintNameCell(int row);
    void endDrag();

    bool m_bDragging = false;
    int m_nPreDropRow = -1;
    int m_nDropRow = -1;
};
