#include "convert/qformatsettingdlg.h"

#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "convert/qplistread.h"
#include "widgetkit/qinitctrlstyle.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxcombobox.h"

#include <QLabel>

namespace {

const char kCategory[] = "General Audio";

std::string utf8(const QString &text)
{
    return text.toUtf8().toStdString();
}

QString qs(const std::string &text)
{
    return QString::fromUtf8(text.c_str(), int(text.size()));
}

// The current item's key (encoders, channels) or "".
QString currentKey(const QComboBox *combo)
{
    return combo->currentIndex() < 0 ? QString() : combo->currentData(Qt::UserRole).toString();
}

// Makes the first item whose text equals the value current; false when none.
bool selectText(QComboBox *combo, const QString &text)
{
    const int at = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (at < 0)
        return false;
    combo->setCurrentIndex(at);
    return true;
}

} // namespace

QFormatSettingDlg::QFormatSettingDlg(QWidget *parent)
    : QJXWidget(parent)
{
    setMinimumSize(0, 0);
    resize(659, 310);
    m_catalogue = QPlistRead::getPlistRead(QPlistRead::cataloguePath());
    InitFormatMap();
    Init();
}

QFormatSettingDlg::~QFormatSettingDlg() = default;

QJXComboBox *QFormatSettingDlg::newCombo(const char *name)
{
    auto *combo = new QJXComboBox(this);
    combo->setObjectName(QLatin1String(name));
    return combo;
}

QLabel *QFormatSettingDlg::newLabel(const char *name)
{
    auto *label = new QLabel(this);
    label->setObjectName(QLatin1String(name));
    return label;
}

void QFormatSettingDlg::InitFormatMap()
{
    // A repeated title keeps the id of its last occurrence.
    for (const CategoryInfo &preset : m_catalogue->getCategoriesInfoList(kCategory))
        m_formatMap[preset.title] = preset.id;
}

void QFormatSettingDlg::Init()
{
    const QString res = QIAnyUtil::getResourcePath();
    m_lblAFormat = newLabel("m_lblAFormat");
    m_cmbAFormat = newCombo("m_cmbAFormat");
    m_labCodec = newLabel("m_labCodec");
    m_cmbVEncoder = newCombo("m_cmbVEncoder");
    m_labReslution = newLabel("m_labReslution");
    m_cmbVResolution = newCombo("m_cmbVResolution");
    m_labFrame = newLabel("m_labFrame");
    m_cmbVFrame = newCombo("m_cmbVFrame");
    m_labBitRate = newLabel("m_labBitRate");
    m_cmbVBitRate = newCombo("m_cmbVBitRate");
    m_labQuality = newLabel("m_labQuality");
    m_cmbVQuality = newCombo("m_cmbVQuality");
    m_labACodec = newLabel("m_labACodec");
    m_cmbAEncoder = newCombo("m_cmbAEncoder");
    m_labChannel = newLabel("m_labChannel");
    m_cmbAChannel = newCombo("m_cmbAChannel");
    m_labSampleRate = newLabel("m_labSampleRate");
    m_cmbASample = newCombo("m_cmbASample");
    m_labABitRate = newLabel("m_labABitRate");
    m_cmbABitRate = newCombo("m_cmbABitRate");
    m_btnVideo = new QJXBaseButton(this);
    m_btnAudio = new QJXBaseButton(this);
    m_btnReset = new QJXBaseButton(this);

    // The video page keeps its designed places; the audio column is laid
    // out by resetControlLocation.
    m_labCodec->move(40, 20);
    m_cmbVEncoder->move(130, 20);
    m_labReslution->move(340, 20);
    m_cmbVResolution->move(440, 20);
    m_labFrame->move(30, 70);
    m_cmbVFrame->move(130, 70);
    m_labBitRate->move(350, 70);
    m_cmbVBitRate->move(440, 70);
    m_labQuality->move(350, 110);
    m_cmbVQuality->move(440, 110);
    m_btnVideo->setGeometry(240, 260, 75, 23);
    m_btnAudio->setGeometry(310, 260, 75, 23);

    for (QLabel *label : {m_lblAFormat, m_labCodec, m_labReslution, m_labFrame, m_labBitRate, m_labQuality,
                          m_labACodec, m_labChannel, m_labSampleRate, m_labABitRate})
        InitLabel(label);

    QInitCtrlStyle::InitJXCombox2(m_cmbAFormat, 130, 25);
    connect(m_cmbAFormat, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) { OnChangeFormat(index < 0 ? QString() : m_cmbAFormat->itemText(index)); });

    QInitCtrlStyle::InitJXButton(m_btnReset, 80, 24);
    connect(m_btnReset, &QJXBaseButton::clicked, this, &QFormatSettingDlg::OnBtnReset);
    m_btnAudio->hide();
    m_btnVideo->hide();

    for (QJXComboBox *combo : {m_cmbVEncoder, m_cmbVResolution, m_cmbVFrame, m_cmbVBitRate, m_cmbVQuality})
        QInitCtrlStyle::InitJXCombox2(combo, 100, 25);
    resetVideoQuality();
    for (QJXComboBox *combo : {m_cmbAEncoder, m_cmbAChannel, m_cmbASample, m_cmbABitRate})
        QInitCtrlStyle::InitJXCombox2(combo, 130, 25);
    for (QJXComboBox *combo : valueCombos())
        connect(combo, QOverload<int>::of(&QComboBox::activated), this, [this, combo] { CmbItemChange(combo); });

    // The first title (in byte order) becomes current and is shown at once.
    for (const auto &entry : m_formatMap)
        m_cmbAFormat->addItem(qs(entry.first));

    for (QJXBaseButton *button : {m_btnVideo, m_btnAudio}) {
        button->setCheckable(true);
        button->setTextColor(QColor(250, 237, 237), QColor(250, 237, 237), QColor(250, 237, 237),
                             QColor(250, 237, 237));
        QInitCtrlStyle::InitFont(button, 12);
    }
    m_btnVideo->setButtonImage(res + QStringLiteral("/image/Format_Dlg/btn_video.png"), false);
    m_btnAudio->setButtonImage(res + QStringLiteral("/image/Format_Dlg/btn_audio.png"), false);
    connect(m_btnVideo, &QJXBaseButton::clicked, this, &QFormatSettingDlg::OnClickVideo);
    connect(m_btnAudio, &QJXBaseButton::clicked, this, &QFormatSettingDlg::OnClickAudio);
    ShowVideoSet(false);
    retranslateUi();
}

void QFormatSettingDlg::retranslateUi()
{
    m_lblAFormat->setText(tr("Format:"));
    m_labCodec->setText(tr("Codec:"));
    m_labReslution->setText(tr("Resolution:"));
    m_labFrame->setText(tr("Frame Rate:"));
    m_labBitRate->setText(tr("Bit Rate:"));
    m_labQuality->setText(tr("Quality:"));
    m_labACodec->setText(tr("Codec:"));
    m_labChannel->setText(tr("Channel:"));
    m_labSampleRate->setText(tr("Sample Rate:"));
    m_labABitRate->setText(tr("Bit Rate:"));
    m_btnVideo->setText(tr("Video"));
    m_btnAudio->setText(tr("Audio"));
    m_btnReset->setText(tr("Reset"));
}

void QFormatSettingDlg::InitLabel(QLabel *label)
{
    QInitCtrlStyle::InitFont(label, 12);
    QInitCtrlStyle::InitPalette(label, QPalette::WindowText, QInitCtrlStyle::lightText());
    label->resize(100, 20);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

QList<QJXComboBox *> QFormatSettingDlg::valueCombos() const
{
    return {m_cmbVEncoder, m_cmbVResolution, m_cmbVFrame, m_cmbVBitRate, m_cmbVQuality,
            m_cmbAEncoder, m_cmbAChannel,   m_cmbASample, m_cmbABitRate};
}

void QFormatSettingDlg::resetVideoQuality()
{
    m_cmbVQuality->clear();
    m_cmbVQuality->addItem(QStringLiteral("Auto"));
    for (int percent = 10; percent <= 100; percent += 10)
        m_cmbVQuality->addItem(QStringLiteral("%1 %").arg(percent));
}

void QFormatSettingDlg::resetSetting()
{
    m_categories.clear();
    m_formatId.clear();
    m_info.reset();
    m_values.reset();
}

QString QFormatSettingDlg::getChannelName(const QString &key)
{
    if (key == QLatin1String("Auto") || key == QLatin1String("0"))
        return QStringLiteral("Auto");
    if (key == QLatin1String("1"))
        return tr("Mono");
    if (key == QLatin1String("2"))
        return tr("Stereo");
    if (key == QLatin1String("6"))
        return tr("5.1 Surround");
    return key;
}

void QFormatSettingDlg::setFormatInfoToCtrl(const FormatAllInfo *info, bool reset)
{
    if (!info)
        return;
    if (reset)
        resetSetting();
    m_info = *info;
    m_btnVideo->setVisible(!info->onlyAudio);
    if (info->onlyAudio)
        ShowVideoSet(false);
    m_cmbVQuality->setEnabled(info->autoMode);
    m_categories = qs(info->category);
    m_formatId = qs(info->formatId);

    const auto fillKeys = [this](QJXComboBox *combo, const std::vector<std::string> &keys,
                                 const std::string &chosen, bool channels) {
        combo->clear();
        for (const std::string &key : keys) {
            QString text;
            if (channels) {
                text = getChannelName(qs(key));
            } else {
                text = qs(m_catalogue->getCodecsForKey(key));
                if (text.isEmpty())
                    text = qs(key);
            }
            combo->addItem(text, qs(key));
        }
        const int at = combo->findData(qs(chosen), Qt::UserRole, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (at >= 0)
            combo->setCurrentIndex(at);
    };
    const auto fillValues = [](QJXComboBox *combo, const std::vector<std::string> &values,
                               const std::string &chosen) {
        combo->clear();
        for (const std::string &value : values)
            combo->addItem(qs(value));
        selectText(combo, qs(chosen));
    };
    fillKeys(m_cmbVEncoder, info->videoEncoders, info->videoEncoder, false);
    fillValues(m_cmbVResolution, info->videoResolutions, info->defaultResolution);
    fillValues(m_cmbVFrame, info->videoFrameRates, info->defaultFrameRate);
    fillValues(m_cmbVBitRate, info->videoBitRates, info->maxVideoBitRate);
    fillKeys(m_cmbAEncoder, info->audioEncoders, info->audioEncoder, false);
    fillKeys(m_cmbAChannel, info->audioChannels, info->defaultChannels, true);
    fillValues(m_cmbASample, info->audioSampleRates, info->defaultSampleRate);
    fillValues(m_cmbABitRate, info->audioBitRates, info->maxAudioBitRate);
}

void QFormatSettingDlg::ShowVideoSet(bool video)
{
    m_btnVideo->setChecked(video);
    m_btnVideo->setEnabled(!video);
    m_btnAudio->setChecked(!video);
    m_btnAudio->setEnabled(video);
    for (QWidget *w : std::initializer_list<QWidget *>{m_labCodec, m_cmbVEncoder, m_labReslution, m_cmbVResolution,
                                                       m_labFrame, m_cmbVFrame, m_labBitRate, m_cmbVBitRate,
                                                       m_labQuality, m_cmbVQuality})
        w->setVisible(video);
    for (QWidget *w : std::initializer_list<QWidget *>{m_labACodec, m_cmbAEncoder, m_labChannel, m_cmbAChannel,
                                                       m_labSampleRate, m_cmbASample, m_labABitRate,
                                                       m_cmbABitRate})
        w->setVisible(!video);
}

void QFormatSettingDlg::OnClickVideo()
{
    ShowVideoSet(true);
}

void QFormatSettingDlg::OnClickAudio()
{
    ShowVideoSet(false);
}

void QFormatSettingDlg::setAudioDlgCtrl(bool audioOnly)
{
    m_btnVideo->setHidden(audioOnly);
    if (audioOnly)
        ShowVideoSet(false);
}

std::optional<FormatAllInfo> QFormatSettingDlg::query(const QString &videoEncoder, const QString &resolution,
                                                      const QString &audioEncoder, const QString &channel) const
{
    return m_catalogue->GetFormatInfoForPlist(utf8(m_categories), utf8(m_formatId), utf8(videoEncoder),
                                              utf8(resolution), utf8(audioEncoder), utf8(channel));
}

void QFormatSettingDlg::OnChangeFormat(const QString &title)
{
    const auto it = m_formatMap.find(utf8(title));
    const std::string id = it == m_formatMap.end() ? std::string() : it->second;
    const auto info = m_catalogue->GetFormatInfoForPlist(kCategory, id, "", "", "", "");
    setFormatInfoToCtrl(info ? &*info : nullptr, true);
    emit emitChangeFormat(qs(id));
}

void QFormatSettingDlg::SetInitialFormat(const QString &id)
{
    int index = 0;
    for (const auto &entry : m_formatMap) {
        if (qs(entry.second) == id) {
            m_cmbAFormat->setCurrentIndex(index);
            return;
        }
        ++index;
    }
    m_cmbAFormat->setCurrentIndex(-1);
}

void QFormatSettingDlg::CmbItemChange(QComboBox *combo)
{
    if (!m_info)
        return;
    QString videoEncoder, resolution, audioEncoder, channel;
    bool requery = false;
    if (combo == m_cmbVEncoder) {
        if (currentKey(combo) != qs(m_info->videoEncoder)) {
            videoEncoder = currentKey(combo);
            requery = true;
        }
    } else if (combo == m_cmbVResolution) {
        if (combo->currentText() != qs(m_info->defaultResolution)) {
            resolution = combo->currentText();
            requery = true;
        }
    } else if (combo == m_cmbAEncoder) {
        if (currentKey(combo) != qs(m_info->audioEncoder)) {
            audioEncoder = currentKey(combo);
            requery = true;
        }
    } else if (combo == m_cmbAChannel) {
        if (currentKey(combo) != qs(m_info->defaultChannels)) {
            channel = currentKey(combo);
            requery = true;
        }
    } else if (combo == m_cmbVBitRate) {
        m_cmbVQuality->setCurrentIndex(0);
    } else if (combo == m_cmbVQuality) {
        m_cmbVBitRate->setCurrentIndex(0);
    }
    getDefaultChagen();
    if (requery) {
        const auto info = query(videoEncoder, resolution, audioEncoder, channel);
        setFormatInfoToCtrl(info ? &*info : nullptr, false);
        // The user's other choices stay where the new lists still hold them.
        setCheckValue(*m_values);
    }
    emit emitCustomized();
}

QualitySet QFormatSettingDlg::currentValues() const
{
    QualitySet values;
    values.onlyAudio = m_info && m_info->onlyAudio;
    // A preset without video stores no video values (the quality list is
    // never empty).
    if (!values.onlyAudio) {
        values.videoEncoder = currentKey(m_cmbVEncoder);
        values.videoResolution = m_cmbVResolution->currentText();
        values.videoFrameRate = m_cmbVFrame->currentText();
        values.videoBitRate = m_cmbVBitRate->currentText();
        values.videoQuality = m_cmbVQuality->currentText();
    }
    values.audioEncoder = currentKey(m_cmbAEncoder);
    values.audioChannel = currentKey(m_cmbAChannel);
    values.audioSampleRate = m_cmbASample->currentText();
    values.audioBitRate = m_cmbABitRate->currentText();
    return values;
}

void QFormatSettingDlg::getDefaultChagen()
{
    m_values = currentValues();
}

void QFormatSettingDlg::setCheckValue(const QualitySet &values)
{
    if (!values.onlyAudio) {
        selectText(m_cmbVEncoder, values.videoEncoder);
        selectText(m_cmbVResolution, values.videoResolution);
        selectText(m_cmbVFrame, values.videoFrameRate);
        selectText(m_cmbVBitRate, values.videoBitRate);
        selectText(m_cmbVQuality, values.videoQuality);
    }
    selectText(m_cmbAEncoder, values.audioEncoder);
    selectText(m_cmbAChannel, values.audioChannel);
    selectText(m_cmbASample, values.audioSampleRate);
    selectText(m_cmbABitRate, values.audioBitRate);
}

void QFormatSettingDlg::setVideoQuality(VideoQuality quality)
{
    if (quality == Customized && SetDefaultValue(m_formatId))
        return;
    const auto info = query(currentKey(m_cmbVEncoder), m_cmbVResolution->currentText(), currentKey(m_cmbAEncoder),
                            currentKey(m_cmbAChannel));
    if (!info)
        return;
    setFormatInfoToCtrl(&*info, false);
    if (info->autoMode) {
        ResetValue();
        return;
    }
    // The bit rates shown are the ones the quality resolves to, for both
    // video and sound.
    const bool small = quality == SmallSize;
    selectText(m_cmbVBitRate, qs(small ? info->minVideoBitRate : info->maxVideoBitRate));
    selectText(m_cmbABitRate, qs(small ? info->minAudioBitRate : info->maxAudioBitRate));
}

bool QFormatSettingDlg::SetDefaultValue(const QString &id)
{
    std::optional<QualitySet> values = m_values;
    if (!values)
        values = QVideoSettingXml::GetDefaultFormat(id);
    if (!values)
        return false;
    const auto info = query(values->videoEncoder, values->videoResolution, values->audioEncoder,
                            values->audioChannel);
    setFormatInfoToCtrl(info ? &*info : nullptr, false);
    setCheckValue(*values);
    getDefaultChagen();
    return true;
}

void QFormatSettingDlg::ResetValue()
{
    for (QJXComboBox *combo : valueCombos())
        if (combo->count() > 0)
            combo->setCurrentIndex(0);
}

void QFormatSettingDlg::OnBtnReset()
{
    // The dialog stores the factory choice at its quality first, so that
    // showing the preset below applies that quality.
    emit emitReset();
    std::string title;
    for (const auto &entry : m_formatMap) {
        if (entry.second == "5000") {
            title = entry.first;
            break;
        }
    }
    const int at = title.empty() ? -1 : m_cmbAFormat->findText(qs(title), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (at < 0)
        ResetValue();
    else if (at != m_cmbAFormat->currentIndex())
        m_cmbAFormat->setCurrentIndex(at);
    else
        OnChangeFormat(qs(title)); // already shown: back to its catalogue values
}

void QFormatSettingDlg::OnOkSet()
{
    QVideoSettingXml::SetDefaultFormat(m_formatId, currentValues());
}

void QFormatSettingDlg::paintEvent(QPaintEvent *)
{
    // The dialog behind shows through.
}

void QFormatSettingDlg::mouseDoubleClickEvent(QMouseEvent *)
{
}

void QFormatSettingDlg::resetControlLocation()
{
    if (!m_lblAFormat)
        return;
    if (!m_layoutDone) {
        m_columnWidth = m_lblAFormat->width() + m_cmbAFormat->width() + m_btnReset->width() + 35;
        m_layoutDone = true;
    }
    const auto beside = [](QLabel *label, QWidget *w) {
        w->move(label->geometry().right() + 10, label->y() + (label->height() - w->height()) / 2);
    };
    m_lblAFormat->move((width() - m_columnWidth) / 2, (height() - 80 - 5 * m_lblAFormat->height()) / 2);
    beside(m_lblAFormat, m_cmbAFormat);
    QLabel *above = m_lblAFormat;
    const std::pair<QLabel *, QJXComboBox *> rows[] = {
        {m_labACodec, m_cmbAEncoder}, {m_labChannel, m_cmbAChannel},
        {m_labSampleRate, m_cmbASample}, {m_labABitRate, m_cmbABitRate}};
    for (const auto &row : rows) {
        row.first->move(m_lblAFormat->x(), above->geometry().bottom() + 20);
        beside(row.first, row.second);
        above = row.first;
    }
    m_btnReset->move(m_cmbABitRate->geometry().right() + 25,
                     m_cmbABitRate->y() + (m_cmbABitRate->height() - m_btnReset->height()) / 2);
}
