#pragma once
// The dark pane base of the options pages, with its title in the accent colour.

#include "widgetkit/qjxwidget.h"

class QBaseOptionsWgt : public QJXWidget
{
    Q_OBJECT

public:
    explicit QBaseOptionsWgt(QWidget *parent = nullptr);

protected:
    void Init();
};
