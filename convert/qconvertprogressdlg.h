#pragma once
// The small modal window shown while a conversion runs: a ring that fills
// with the job's percentage and a Cancel button.

#include "widgetkit/qjxdialogex.h"

#include <memory>

namespace Ui {
class QConvertProgressDlg;
}

class QConvertProgressDlg : public QJXDialogEx
{
    Q_OBJECT

public:
    explicit QConvertProgressDlg(QWidget *parent = nullptr);
    ~QConvertProgressDlg() override;

    void setProgressValue(float percent);

public slots:
    // Closes the window and tells the owner to cancel.
    void onClose();

signals:
    void emitCancel();

protected:
    void resetControlLocation() override;

private:
    void initControls();

    std::unique_ptr<Ui::QConvertProgressDlg> m_ui;
};
