#include "widgetkit/qstatustoolbar.h"

#include "ui_qstatustoolbar.h"

QStatusToolbar::QStatusToolbar(QWidget *parent)
    : QJXDialog(parent, DlgDialog)
    , ui(new Ui::QStatusToolbar)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setBackgrounColor(QColor(44, 44, 44));
    resize(100, 30);
    installEventFilter(this);
    // Neither resized nor dragged.
    setStretchPolicy(StretchNone);
    setMoveTopHeight(0);
}

QStatusToolbar::~QStatusToolbar() { delete ui; }

bool QStatusToolbar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == this && event->type() == QEvent::WindowDeactivate) {
        hide();
        return true;
    }
    return false;
}

void QStatusToolbar::focusInEvent(QFocusEvent *event) { QWidget::focusInEvent(event); }

void QStatusToolbar::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    QBaseDrawWidget::focusOutEvent(event);
}
