#pragma once
// Table view of every row list: tracks the hovered row for the models and the
// delegate, routes mouse moves to the in-cell controls, shows a cell's text as
// a tool tip after the mouse rests on it, and reports Return and the current
// row as signals.

#include "widgetkit/views/qitemviewhover.h"

#include <QTableView>

class QTimer;
class QJXBaseStyleDelegate;

class QJXTableView : public QTableView
{
    Q_OBJECT
public:
    explicit QJXTableView(QWidget *parent = nullptr);

    // Pointers only; the caller installs model and delegate as usual too.
    void setSourceModel(QBaseDetailsModel *model) { m_hover.setSourceModel(model); }
    void setSortModel(QJXBaseSortModel *model) { m_hover.setSortModel(model); }
    void setStyleDelegate(QJXBaseStyleDelegate *delegate);
    QJXBaseStyleDelegate *styleDelegate() const { return m_delegate; }

    // Starts the tool tip timer; tips show only while on.
    void SetToolTip(bool on);
    void SetToolTipShowTime(int ms) { m_hover.setToolTipDelay(ms); }
    void setToolTipClock(std::function<qint64()> msecs) { m_hover.setClock(std::move(msecs)); }
    bool mouseIsInCtrlRect() const;
    void updateRow(int row);
    int hoverRow() const { return m_hover.hoverRow(); }
    int hoverColumn() const { return m_hover.hoverColumn(); }

    bool event(QEvent *event) override;

signals:
    void emitCurrentChanged(const QModelIndex &current);
    void emitEnterSelect();

public slots:
    virtual bool isReShowToolTipText(int row, int column);
    virtual QString showToolTipText(const QModelIndex &index);
    void showToolTip(int row, int column);
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
    QJXBaseStyleDelegate *m_delegate = nullptr;
    QTimer *m_toolTipTimer;
};
