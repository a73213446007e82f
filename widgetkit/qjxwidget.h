#pragma once
// An embedded pane (or any plain widget window) drawn by the engine.

#include "widgetkit/qjxwindowbase.h"

#include <QWidget>

class QJXWidget : public QJXWindowBase<QWidget>
{
    Q_OBJECT

public:
    explicit QJXWidget(QWidget *parent = nullptr, dlgType type = DlgPane)
        : QJXWindowBase<QWidget>(parent, type)
    {
    }
};
