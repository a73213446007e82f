#pragma once
// An empty dialog form.

#include <QDialog>
#include <memory>

namespace Ui {
class QAcceptDialog;
}

class QAcceptDialog : public QDialog
{
    Q_OBJECT

public:
    explicit QAcceptDialog(QWidget *parent = nullptr);
    ~QAcceptDialog() override;

private:
    std::unique_ptr<Ui::QAcceptDialog> m_ui;
};
