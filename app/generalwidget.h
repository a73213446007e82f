#pragma once
// The "General" page of the preferences: automatic updates and what closing
// the main window does. Only OK stores, and only what changed.

#include <QWidget>

class QGroupBox;
class QJXComboBox;
class QJXRadioButton;

class GeneralWidget : public QWidget
{
    Q_OBJECT
public:
    explicit GeneralWidget(QWidget *parent = nullptr);

    void saveSetting();
    // Fills the (hidden) language list from the resources' language file.
    void InitLanguage();
    bool getChangeLanguage() const;
    void retranslateUi() {}

    QJXRadioButton *autoUpdateChoice() const { return m_radAutoUpdate; }
    QJXRadioButton *noAutoUpdateChoice() const { return m_radCloseUpdate; }
    QJXRadioButton *minimiseChoice() const { return m_radMin; }
    QJXRadioButton *exitChoice() const { return m_radExit; }
    QGroupBox *languageGroup() const { return m_GroupLanguage; }
    QJXComboBox *languageList() const { return m_cmbLan; }

signals:
    void sendUpdate(bool bUpdate);
    void sendLanguageName(const QString &path);

public slots:
    void OnChanegeUpdate();
    void OnChangeClose();
    void languageChange(int);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void InitCtrl();

    bool m_bInitUpdate = false;
    bool m_bInitClose = false;
    int m_nInitLanguage = 0;
    QGroupBox *m_GroupUpdates = nullptr;
    QJXRadioButton *m_radAutoUpdate = nullptr;
    QJXRadioButton *m_radCloseUpdate = nullptr;
    QGroupBox *m_GroupClose = nullptr;
    QJXRadioButton *m_radMin = nullptr;
    QJXRadioButton *m_radExit = nullptr;
    QGroupBox *m_GroupLanguage = nullptr;
    QJXComboBox *m_cmbLan = nullptr;
};
