#pragma once
// A dialog drawn by the engine.

#include "widgetkit/qjxwindowbase.h"

#include <QDialog>

class QJXDialog : public QJXWindowBase<QDialog>
{
    Q_OBJECT

public:
    explicit QJXDialog(QWidget *parent = nullptr, dlgType type = DlgDialog)
        : QJXWindowBase<QDialog>(parent, type)
    {
    }
};
