#pragma once
// The "Convert" page of the preferences: the output folder, automatic
// deletion and splitting by silence, plus three kept but hidden choices.
// It writes all of its settings when built and again on OK.

#include <QWidget>

#include <functional>

class QGroupBox;
class QLabel;
class QJXBaseButton;
class QJXCheckBox;
class QJXComboBox;
class QJXLineEdit;
class QJXTextEdit;

class ConvertWidget : public QWidget
{
    Q_OBJECT
public:
    // Asks the user for a folder; "" when cancelled. Tests give their own;
    // an empty one restores the folder chooser.
    using FolderChooser = std::function<QString(QWidget *parent)>;

    explicit ConvertWidget(QWidget *parent = nullptr);

    void saveSetting();
    void retranslateUi();
    void SetOutPath(const QString &path);
    void SetScreenshotOutPath(const QString &path);
    void InitOutPath();
    static void setFolderChooser(FolderChooser chooser);

    QString outputFolder() const { return m_outPath; }
    QString shownFolder() const;
    QJXCheckBox *deleteByDuration() const { return m_chkDelDuration; }
    QJXLineEdit *durationEdit() const { return m_leDelDuration; }
    QJXCheckBox *deleteSilent() const { return m_chkDeleteSilence; }
    QJXCheckBox *splitBySilence() const { return m_chkSplitSilence; }
    QJXLineEdit *silenceEdit() const { return m_leSplitSilence; }
    QJXBaseButton *changeButton() const { return m_btnChange; }
    QJXBaseButton *resetButton() const { return m_btnReset; }

public slots:
    void OnChangePath();
    void OnResetPath();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void InitCtrl();
    void InitBtn();
    void InitSetting();
    void placeRow(QJXCheckBox *check, QJXLineEdit *edit, QLabel *label);

    QString m_outPath;
    QString m_screenshotPath;
    QGroupBox *m_GroupFinish = nullptr;
    QJXComboBox *m_cmbFinished = nullptr;
    QGroupBox *m_GroupArchive = nullptr;
    QJXComboBox *m_cmbOutput = nullptr;
    QGroupBox *m_groupSplit = nullptr;
    QJXComboBox *m_cmbSplit = nullptr;
    QJXCheckBox *m_chkSplitSilence = nullptr;
    QJXLineEdit *m_leSplitSilence = nullptr;
    QLabel *m_lblSplitSilence = nullptr;
    QGroupBox *m_groupDelete = nullptr;
    QJXCheckBox *m_chkDelDuration = nullptr;
    QJXLineEdit *m_leDelDuration = nullptr;
    QLabel *m_lblDelDuration = nullptr;
    QJXCheckBox *m_chkDeleteSilence = nullptr;
    QGroupBox *m_groupOutput = nullptr;
    QJXBaseButton *m_btnChange = nullptr;
    QJXBaseButton *m_btnReset = nullptr;
    QJXTextEdit *m_pathTextEdit = nullptr;
};
