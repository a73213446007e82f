#pragma once
// The three-way question asked before files leave a list: cancel (0), only
// remove them from the list (1) or delete them from the disk (2).

#include "widgetkit/qjxdialogex.h"

#include <memory>

namespace Ui {
class AskMessageDlg;
}

class AskMessageDlg : public QJXDialogEx
{
    Q_OBJECT

public:
    enum Answer { Cancel = 0, Remove = 1, Delete = 2 };

    explicit AskMessageDlg(QWidget *parent = nullptr);
    ~AskMessageDlg() override;

    void setMsgText(const QString &text);

public slots:
    void OnBtnDeleted();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void placeControls();

    std::unique_ptr<Ui::AskMessageDlg> m_ui;
    QString m_message;
};
