#pragma once
// The "Format Setting" dialog: the parameter panel above a bottom band with
// the quality list, OK and Cancel. OK stores the panel's values, the quality
// and the chosen preset, and refreshes the current output settings; Cancel
// and the close button store nothing. One instance at a time.

#include "common/qconvertersetting.h"
#include "widgetkit/qjxdialogex.h"

class QFormatResolver;
class QFormatSettingDlg;
class QJXBaseButton;
class QJXComboBox;
class QLabel;

class QFormatDlg : public QJXDialogEx
{
    Q_OBJECT

public:
    // The single instance, created with the parent on first use.
    static QFormatDlg *getFormatWidget(QWidget *parent = nullptr);
    static void releaseFormatWgt();

    // Start-up: resolves both halves of the stored choice into the current
    // output settings; the audio half always ends with a format.
    void InitSetting();
    // Prepares the video (true) or audio (false) half before showing.
    void showFormat(bool video);
    void saveUseSetting(bool video);
    void getConverterInfo(const QString &category, const QString &id, VideoQuality quality,
                          AttributeSetting *setting);
    // Back to the factory presets at High Quality.
    void resetFormat();

    void selectQuality(VideoQuality quality);
    void resetQuality(const QString &id);
    void setCustomizedItem(bool show);

    QFormatSettingDlg *settingPanel() const { return m_settingDlg; }
    QJXComboBox *qualityCombo() const { return m_cmbQuality; }
    QJXBaseButton *okButton() const { return m_btnOk; }
    QJXBaseButton *cancelButton() const { return m_btnCancel; }
    QJXBaseButton *closeButton() const { return m_btnClose; }

public slots:
    void OnBtnOk();
    void OnBtnCancel();
    void OnQualityChange(int index);
    void settingValueChanged();
    void OnChangeFormat(const QString &id);
    void OnReset();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resetControlLocation() override;

private:
    explicit QFormatDlg(QWidget *parent);
    ~QFormatDlg() override;
    void Init();
    void InitCtrl();
    void retranslateUi();
    QFormatResolver resolver() const;

    static QFormatDlg *m_myself;

    QJXBaseButton *m_btnCancel = nullptr;
    QJXBaseButton *m_btnOk = nullptr;
    QFormatSettingDlg *m_settingDlg = nullptr;
    QJXComboBox *m_cmbQuality = nullptr;
    QLabel *m_lblPreset = nullptr;
    bool m_video = true;
    // Set while the dialog itself switches to Customized, so the panel keeps
    // the values the user just edited.
    bool m_qualityGuard = false;
};
