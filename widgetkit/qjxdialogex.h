#pragma once
// Dialog base with drawn close, minimise and maximise buttons in its title
// band. It cannot be resized; subclasses connect the buttons they use.

#include "widgetkit/qjxdialog.h"

class QJXBaseButton;

class QJXDialogEx : public QJXDialog
{
    Q_OBJECT

public:
    explicit QJXDialogEx(QWidget *parent = nullptr);
    ~QJXDialogEx() override;

    void addCloseBtn(const QString &image, bool show);
    void addMinBtn(const QString &image, bool show);
    void addMaxBtn(const QString &image, bool show);
    void addRestoreBtn(const QString &image, bool show);

protected:
    QJXBaseButton *m_btnClose = nullptr;
    QJXBaseButton *m_btnMin = nullptr;
    QJXBaseButton *m_btnMax = nullptr;
    QJXBaseButton *m_btnRestore = nullptr;

private:
    QJXBaseButton *replaceButton(QJXBaseButton *&slot, const QString &image, bool show, QPoint at);
};
