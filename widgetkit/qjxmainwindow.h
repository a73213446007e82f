#pragma once
// A main window drawn by the engine.

#include "widgetkit/qjxwindowbase.h"

#include <QMainWindow>

class QJXMainWindow : public QJXWindowBase<QMainWindow>
{
    Q_OBJECT

public:
    explicit QJXMainWindow(QWidget *parent = nullptr, dlgType type = DlgMainWindow)
        : QJXWindowBase<QMainWindow>(parent, type)
    {
    }
};
