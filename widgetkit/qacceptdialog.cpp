#include "widgetkit/qacceptdialog.h"
#include "ui_qacceptdialog.h"

QAcceptDialog::QAcceptDialog(QWidget *parent)
    : QDialog(parent)
    , m_ui(new Ui::QAcceptDialog)
{
    m_ui->setupUi(this);
}

QAcceptDialog::~QAcceptDialog() = default;
