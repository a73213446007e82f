#pragma once
// A notice with a check box by which the user turns it off for the future;
// OK and the close button hide it, its owner decides whether to show it again.

#include "widgetkit/qjxdialogex.h"

#include <memory>

namespace Ui {
class QRecorderMessage;
}

class QRecorderMessage : public QJXDialogEx
{
    Q_OBJECT

public:
    explicit QRecorderMessage(QWidget *parent = nullptr);
    ~QRecorderMessage() override;

    bool isShowThisDlg() const;
    void resetControlLocation() override;

private:
    std::unique_ptr<Ui::QRecorderMessage> m_ui;
};
