#pragma once
// A small frameless pop-up that hides itself when it loses activation.

#include "widgetkit/qjxdialog.h"

namespace Ui {
class QStatusToolbar;
}

class QStatusToolbar : public QJXDialog
{
    Q_OBJECT

public:
    explicit QStatusToolbar(QWidget *parent = nullptr);
    ~QStatusToolbar() override;

    bool eventFilter(QObject *watched, QEvent *event) override;

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    Ui::QStatusToolbar *ui;
};
