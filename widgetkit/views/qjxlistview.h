#pragma once
// Icon-mode list view of the tile grids: hover tile for the models and the
// delegate, in-tile buttons reached by mouse moves, resting-mouse tool tips,
// and Return, Backspace and the current tile as signals.

#include "widgetkit/views/qitemviewhover.h"

#include <QListView>

class QScrollBar;
class QTimer;
class QBaseIconListDelegate;

class QJXListView : public QListView
{
    Q_OBJECT
public:
    explicit QJXListView(QWidget *parent = nullptr);

    void setSourceModel(QBaseDetailsModel *model) { m_hover.setSourceModel(model); }
    void setSortModel(QJXBaseSortModel *model) { m_hover.setSortModel(model); }
    void setStyleDelegate(QBaseIconListDelegate *delegate);
    QBaseIconListDelegate *styleDelegate() const { return m_delegate; }

    void SetToolTip(bool on);
    void SetToolTipShowTime(int ms) { m_hover.setToolTipDelay(ms); }
    bool mouseIsInCtrlRect() const;
    void updateRow(int row);
    int hoverRow() const { return m_hover.hoverRow(); }
    // Installs a drawn scroll bar and keeps the view scrolling with it.
    void setVerticalScrollBar(QScrollBar *bar);

signals:
    void emitCurrentChanged(const QModelIndex &current);
    void emitEnterSelect();
    void emitKeyBackspace();

public slots:
    void showToolTip(int row, int column);
    virtual QString showToolTipText(const QModelIndex &index);
    void OnToolTipTimer();

protected slots:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    QItemViewHover m_hover;
    QBaseIconListDelegate *m_delegate = nullptr;
    QTimer *m_toolTipTimer;
};
