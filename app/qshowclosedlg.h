#pragma once
// The close prompt: exit or minimise, and "Don't show this message again".
// It only collects the answer; the main window stores and acts on it.

#include "widgetkit/qjxdialogex.h"

class QJXBaseButton;
class QJXCheckBox;
class QJXRadioButton;

class QShowCloseDlg : public QJXDialogEx
{
    Q_OBJECT
public:
    explicit QShowCloseDlg(QWidget *parent = nullptr);

    // "Exit" is chosen.
    bool isCloseDlg() const;
    // The box "Don't show this message again" is ticked.
    bool isNoShowThisDlg() const;

    QJXRadioButton *minimiseChoice() const { return m_radioMin; }
    QJXRadioButton *exitChoice() const { return m_radioClose; }
    QJXCheckBox *noShowBox() const { return m_chkNote; }
    QJXBaseButton *okButton() const { return m_btnOk; }
    QJXBaseButton *closeButton() const { return m_btnClose; }

public slots:
    void OnClickRadio();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void placeControls();

    QJXBaseButton *m_btnOk = nullptr;
    QJXBaseButton *m_btnCancel = nullptr;
    QJXRadioButton *m_radioMin = nullptr;
    QJXRadioButton *m_radioClose = nullptr;
    QJXCheckBox *m_chkNote = nullptr;
};
