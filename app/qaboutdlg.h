#pragma once
// The About dialog: logo, product name, the running version, the copyright
// line and a link to the maker's home page.

#include "widgetkit/qjxdialogex.h"

class QLabel;

class QAboutDlg : public QJXDialogEx
{
    Q_OBJECT
public:
    explicit QAboutDlg(QWidget *parent = nullptr);

    QLabel *projectLabel() const { return m_labProject; }
    QLabel *versionLabel() const { return m_labVersion; }
    QLabel *copyrightLabel() const { return m_labCopyright; }
    QLabel *homeLabel() const { return m_labHome; }

    static void setLabelStyle(QLabel &label);

public slots:
    void OnClickHome(const QString &link);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void InitCtrl();
    void placeLabels();

    QLabel *m_labProject = nullptr;
    QLabel *m_labVersion = nullptr;
    QLabel *m_labCopyright = nullptr;
    QLabel *m_labHome = nullptr;
    QLabel *m_labVisit = nullptr;
    QLabel *m_labProjectVersion = nullptr;
};
