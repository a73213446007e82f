#pragma once
// The modal Preferences dialog: "General" and "Convert" page buttons above a
// scroll area that shows one page. OK saves both pages; Cancel and the
// close button save nothing. Every run ends with the rejected result.

#include "widgetkit/qjxdialogex.h"

#include <QList>

class ConvertWidget;
class GeneralWidget;
class QHBoxLayout;
class QJXBaseButton;
class QJXScrollBar;
class QScrollArea;
class QVBoxLayout;

class QPreferencesDlg : public QJXDialogEx
{
    Q_OBJECT
public:
    enum ShowSettingDlg { ShowGeneral = 1, ShowConvert = 2 };

    explicit QPreferencesDlg(QWidget *parent = nullptr);
    ~QPreferencesDlg() override;

    void showPreferencesWgt(int page);
    void retranslateUi();

    GeneralWidget *generalPage() const { return m_generalWgt; }
    ConvertWidget *convertPage() const { return m_convertWgt; }
    QList<QJXBaseButton *> pageButtons() const { return m_btnList; }
    QJXBaseButton *okButton() const { return m_btnOk; }
    QJXBaseButton *cancelButton() const { return m_btnCancel; }
    QJXBaseButton *closeButton() const { return m_btnClose; }

signals:
    void emitAutoUpdate(bool bUpdate);
    void emitLangugeChangeSet(bool);

public slots:
    void OnBtnOk();
    void OnLeftBtn();
    bool setLanguge(const QString &path);

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Init();
    void InitBtn();
    void InitDlg();

    QJXBaseButton *m_btnCancel = nullptr;
    QJXBaseButton *m_btnOk = nullptr;
    QHBoxLayout *m_hBtnLayout = nullptr;
    QScrollArea *m_scrollArea = nullptr;
    QWidget *m_scrollAreaWidget = nullptr;
    QVBoxLayout *m_vListLayout = nullptr;
    QJXBaseButton *m_selectedBtn = nullptr;
    QList<QJXBaseButton *> m_btnList;
    GeneralWidget *m_generalWgt = nullptr;
    ConvertWidget *m_convertWgt = nullptr;
    QJXScrollBar *m_scrollBar = nullptr;
};
