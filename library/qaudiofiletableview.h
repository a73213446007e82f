#pragma once
// View of the recordings table: drags the selected recordings out as our
// own payload, never takes drops, and swallows presses on disabled rows.

#include "widgetkit/views/qjxtableview.h"

class ILibraryMembership;
class QAudioFileChunk;
class QMimeData;

class QAudioFileTableView : public QJXTableView
{
    Q_OBJECT
public:
    explicit QAudioFileTableView(QWidget *parent = nullptr);

    // Who answers for the ids of a drag at its drop; without one no drag starts.
    void setLibraryMembership(const ILibraryMembership *membership) { m_membership = membership; }
    // The payload of the selected rows, in selection order; null when a
    // selected row has no item.
    QMimeData *selectionMimeData() const;
    // The rows of the whole rows selected, in selection order.
    QList<QAudioFileChunk *> selectedRows() const;
    // False while rows are still to join (the history being read): the
    // start-up marker waits for the table painted with all of them.
    void setRowsComplete(bool complete) { m_rowsComplete = complete; }

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void paintEvent(QPaintEvent *event) override;

private:
    const ILibraryMembership *m_membership = nullptr;
    bool m_paintedRows = false;
    bool m_rowsComplete = true;
};
