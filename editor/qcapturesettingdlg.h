#pragma once
// The "Snapshot Setting" dialog: the image format and the folder of the
// preview snapshots, kept in the editor's defaults file on OK.

#include "widgetkit/qjxdialog.h"

class QJXBaseButton;
class QJXComboBox;
class QJXLineEdit;
class QLabel;

class QCaptureSettingDlg : public QJXDialog
{
    Q_OBJECT
public:
    explicit QCaptureSettingDlg(QWidget *parent = nullptr);

    QString chosenFolder() const { return m_folder; }
    QJXComboBox *formatBox() const { return m_cmbFormat; }

signals:
    void emitDlgClose();

public slots:
    void onOpenPath();
    void onOk();

protected:
    void resetControlLocation() override;
    void closeEvent(QCloseEvent *event) override;

private:
    void initControls();
    void initCbbSuffix();
    void setSavePath();
    void setFolder(const QString &folder);

    QString m_folder;
    QLabel *m_labPath = nullptr;
    QJXLineEdit *m_editPath = nullptr;
    QJXBaseButton *m_btnCancel = nullptr;
    QJXBaseButton *m_btnClose = nullptr;
    QLabel *m_labFormat = nullptr;
    QJXBaseButton *m_btnOk = nullptr;
    QJXComboBox *m_cmbFormat = nullptr;
    QJXBaseButton *m_btnOpen = nullptr;
    QJXBaseButton *m_btnMax = nullptr;
    QJXBaseButton *m_btnMin = nullptr;
};
