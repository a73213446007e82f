#pragma once
// The parameter panel of the format dialog: the presets of "General Audio"
// in a Format list and the encoder parameters of the chosen preset, filled
// from the output-profile catalogue and narrowed again when an encoder, a
// resolution or the channels change. On OK it stores the shown values as
// the preset's saved parameters.

#include "common/formatallinfo.h"
#include "common/qconvertersetting.h"
#include "common/qualityset.h"
#include "widgetkit/qjxwidget.h"

#include <map>
#include <optional>
#include <string>

class QComboBox;
class QJXBaseButton;
class QJXComboBox;
class QLabel;
class QPlistRead;

class QFormatSettingDlg : public QJXWidget
{
    Q_OBJECT

public:
    explicit QFormatSettingDlg(QWidget *parent = nullptr);
    ~QFormatSettingDlg() override;

    // Shows a profile record (the panel keeps its own copy); with reset the
    // values the user set for the previous preset are forgotten.
    void setFormatInfoToCtrl(const FormatAllInfo *info, bool reset);
    // Selects the preset of the id in the Format list (none: no selection).
    void SetInitialFormat(const QString &id);
    void setVideoQuality(VideoQuality quality);
    // Stores the shown values as the saved parameters of the shown preset.
    void OnOkSet();
    QString getFormatId() const { return m_formatId; }
    QString getCategories() const { return m_categories; }
    // The values as OK would store them.
    QualitySet currentValues() const;

    static QString getChannelName(const QString &key);

    // The controls, for the dialog's layout and for tests.
    QJXComboBox *formatCombo() const { return m_cmbAFormat; }
    QJXComboBox *audioEncoderCombo() const { return m_cmbAEncoder; }
    QJXComboBox *channelCombo() const { return m_cmbAChannel; }
    QJXComboBox *sampleRateCombo() const { return m_cmbASample; }
    QJXComboBox *audioBitRateCombo() const { return m_cmbABitRate; }
    QJXComboBox *videoBitRateCombo() const { return m_cmbVBitRate; }
    QJXComboBox *videoQualityCombo() const { return m_cmbVQuality; }
    QJXBaseButton *resetButton() const { return m_btnReset; }

signals:
    void emitCustomized();
    void emitChangeFormat(const QString &id);
    void emitReset();

public slots:
    // A value combo was picked by the user.
    void CmbItemChange(QComboBox *combo);
    void OnChangeFormat(const QString &title);
    void OnBtnReset();
    void OnClickVideo();
    void OnClickAudio();
    void ShowVideoSet(bool video);
    void setAudioDlgCtrl(bool audioOnly);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resetControlLocation() override;

private:
    void InitFormatMap();
    void Init();
    void retranslateUi();
    void resetSetting();
    bool SetDefaultValue(const QString &id);
    void ResetValue();
    void setCheckValue(const QualitySet &values);
    void getDefaultChagen();
    void resetVideoQuality();
    void InitLabel(QLabel *label);
    // The catalogue's record of the shown preset narrowed by the selectors.
    std::optional<FormatAllInfo> query(const QString &videoEncoder, const QString &resolution,
                                       const QString &audioEncoder, const QString &channel) const;
    QJXComboBox *newCombo(const char *name);
    QLabel *newLabel(const char *name);
    QList<QJXComboBox *> valueCombos() const;

    QPlistRead *m_catalogue = nullptr;
    std::optional<FormatAllInfo> m_info;
    QString m_categories;
    QString m_formatId;
    std::optional<QualitySet> m_values;
    // Title to id, titles in byte order.
    std::map<std::string, std::string> m_formatMap;
    bool m_layoutDone = false;
    int m_columnWidth = 0;

    QLabel *m_lblAFormat = nullptr;
    QJXComboBox *m_cmbAFormat = nullptr;
    QLabel *m_labCodec = nullptr;
    QJXComboBox *m_cmbVEncoder = nullptr;
    QLabel *m_labReslution = nullptr;
    QJXComboBox *m_cmbVResolution = nullptr;
    QLabel *m_labFrame = nullptr;
    QJXComboBox *m_cmbVFrame = nullptr;
    QLabel *m_labBitRate = nullptr;
    QJXComboBox *m_cmbVBitRate = nullptr;
    QLabel *m_labQuality = nullptr;
    QJXComboBox *m_cmbVQuality = nullptr;
    QLabel *m_labACodec = nullptr;
    QJXComboBox *m_cmbAEncoder = nullptr;
    QLabel *m_labChannel = nullptr;
    QJXComboBox *m_cmbAChannel = nullptr;
    QLabel *m_labSampleRate = nullptr;
    QJXComboBox *m_cmbASample = nullptr;
    QLabel *m_labABitRate = nullptr;
    QJXComboBox *m_cmbABitRate = nullptr;
    QJXBaseButton *m_btnVideo = nullptr;
    QJXBaseButton *m_btnAudio = nullptr;
    QJXBaseButton *m_btnReset = nullptr;
};
