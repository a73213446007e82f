#pragma once
// Scroll bar painted flat by its own proxy style.

#include "widgetkit/qjxscrollbarstyle.h"

#include <QScrollBar>

class QJXScrollBar : public QScrollBar
{
    Q_OBJECT
public:
    explicit QJXScrollBar(QWidget *parent = nullptr);
    QJXScrollBar(Qt::Orientation orientation, QWidget *parent = nullptr);
    ~QJXScrollBar() override;

    void setOrientation(Qt::Orientation orientation);
    void InitScrollBar();
    void setStyleAttribute(QJXScrollBarStyleAttribute attribute);
    QJXScrollBarStyleAttribute styleAttribute() const;

private:
    void fixThickness();

    QJXScrollBarStyle *m_style = nullptr;
};
