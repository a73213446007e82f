#pragma once
// A small frameless notice: shown opaque, it stays a second, then fades out in
// tenths every 50 ms and closes itself; while the pointer rests on it, it stays.

#include "widgetkit/qjxdialog.h"

#include <memory>

class QTimer;

namespace Ui {
class QMessageOpacityForm;
}

class QMessageOpacityForm : public QJXDialog
{
    Q_OBJECT

public:
    explicit QMessageOpacityForm(QWidget *parent = nullptr);
    ~QMessageOpacityForm() override;

    void startOpacity();
    void setMessageText(const QString &text);
    void setMessageText(const QString &text, int x, int y);
    void setShowlink(int x, int y, bool show);
    void setCheckShow(bool show);
    void setIsOpacity(bool enabled);

    QTimer *fadeTimer() const { return m_timer; }

signals:
    void NoShowMsgDlg();

public slots:
    void onTimer();
    void onClose();
    void openUrl(const QString &link);
    void setXmlSetting();

protected:
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void initControls();

    std::unique_ptr<Ui::QMessageOpacityForm> m_ui;
    QTimer *m_timer = nullptr;
    bool m_fadeEnabled = true;
};
