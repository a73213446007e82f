#pragma once
// The "Format Setting" dialog: the parameter panel above a bottom band with
// the quality list, OK and Cancel. OK stores the panel's values, the quality
// and the chosen preset, and refreshes the current output settings; Cancel
// and the close button store nothing. One instance at a time.

#include "common/qconvertersetting.h"
#include "convert/qformatlistmodels.h"
#include "widgetkit/qjxdialogex.h"

#include <QModelIndex>

#include <memory>
#include <string>
#include <vector>

class IBaseChunk;
class QDelegateControl;
class QFormatResolver;
class QFormatSettingDlg;
class QFormatType;
class QJXBaseButton;
class QJXComboBox;
class QJXLineEdit;
class QJXListView;
class QJXScrollBar;
class QJXStyleButton;
class QLabel;
class QPropertyAnimation;

class QFormatDlg : public QJXDialogEx
{
    Q_OBJECT

public:
    // The single instance, created with the parent on first use.
    static QFormatDlg *getFormatWidget(QWidget *parent = nullptr);
    static void releaseFormatWgt();

    // Start-up: resolves both halves of the stored choice into the current
    // output settings; the audio half always ends with a format. Needs no
    // dialog: it reads the catalogue and the stored choice only.
    static void InitSetting();
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

    // ---- The preset list: built on request, hidden by the dialog, which
    // makes its choice in the panel ----
    void InitView();
    void InitCategories();
    // Rebuilds the preset records from the catalogue.
    void InitDates();
    void ReleaseDatas();
    // Makes the tile of the preset id current.
    void setFormatId(const QString &id);
    void OnShowSettingDlg(bool show);
    void startShowSetDlgAnimtion(bool show, bool atOnce);
    QJXListView *listView() const { return m_listView; }
    QJXLineEdit *searchEdit() const { return m_editSearch; }
    QFormatType *categoryRow() const { return m_formatType; }
    QFormatSortModel *sortModel() const { return m_sortModel; }
    const std::vector<IBaseChunk *> &presetRecords() const { return m_datas; }
    bool panelShown() const { return m_panelShown; }

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
    void changeCategories(const QString &categories);
    void OnSetting(const QModelIndex &index);
    void doubleClickItemView(const QModelIndex &index);
    void itemChange(const QModelIndex &index);
    void OnSearchString(const QString &text);

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
    static QFormatResolver resolver();

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

    // The preset list.
    QJXListView *m_listView = nullptr;
    QJXLineEdit *m_editSearch = nullptr;
    QFormatType *m_formatType = nullptr;
    std::vector<std::string> m_categoryNames;
    std::vector<IBaseChunk *> m_datas; // owned
    QIconListModel m_sourceModel;
    QFormatSortModel *m_sortModel = nullptr;
    std::unique_ptr<QDelegateControl> m_control;
    std::unique_ptr<QJXStyleButton> m_settingButton;
    QFormatListDelegate *m_delegate = nullptr;
    QPropertyAnimation *m_listAnimation = nullptr;
    QPropertyAnimation *m_panelAnimation = nullptr;
    bool m_panelShown = false;
};
