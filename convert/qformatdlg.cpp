#include "convert/qformatdlg.h"

#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "convert/qformatresolver.h"
#include "convert/qformatsettingdlg.h"
#include "convert/qformattype.h"
#include "convert/qplistread.h"
#include "widgetkit/qinitctrlstyle.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxcombobox.h"
#include "widgetkit/qjxlineedit.h"
#include "widgetkit/views/qdelegatecontrol.h"
#include "widgetkit/views/qjxlistview.h"
#include "widgetkit/views/qjxstylebutton.h"

#include <QLabel>

QFormatDlg *QFormatDlg::m_myself = nullptr;

namespace {

const QString kGroup = QStringLiteral("FormatSet");
// Combo indexes of the quality list.
enum { IndexHigh = 0, IndexSmall = 1, IndexCustomized = 2 };

} // namespace

QFormatDlg *QFormatDlg::getFormatWidget(QWidget *parent)
{
    if (!m_myself)
        m_myself = new QFormatDlg(parent);
    return m_myself;
}

void QFormatDlg::releaseFormatWgt()
{
    delete m_myself;
    m_myself = nullptr;
}

QFormatDlg::QFormatDlg(QWidget *parent)
    : QJXDialogEx(parent)
{
    m_settingDlg = new QFormatSettingDlg(this);
    m_settingDlg->setObjectName(QStringLiteral("m_settingDlg"));
    m_cmbQuality = new QJXComboBox(this);
    m_cmbQuality->setObjectName(QStringLiteral("m_cmbQuality"));
    m_lblPreset = new QLabel(this);
    m_lblPreset->setObjectName(QStringLiteral("m_lblPreset"));
    m_btnOk = new QJXBaseButton(this);
    m_btnCancel = new QJXBaseButton(this);
    m_listView = new QJXListView(this);
    m_listView->setObjectName(QStringLiteral("m_listView"));
    m_listView->setGeometry(50, 40, 431, 181);
    m_editSearch = new QJXLineEdit(this);
    m_editSearch->setObjectName(QStringLiteral("m_editSearch"));
    m_editSearch->setGeometry(40, 370, 113, 20);
    connect(m_editSearch, &QLineEdit::textChanged, this, &QFormatDlg::OnSearchString);
    QPalette palette = m_cmbQuality->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Text, QColor(172, 170, 171));
        palette.setColor(group, QPalette::Highlight, QColor(0, 0, 0, 0));
    }
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 120, 120));
    palette.setColor(QPalette::Disabled, QPalette::Highlight, QColor(51, 153, 255));
    m_cmbQuality->setPalette(palette);
    Init();
    InitCtrl();
    retranslateUi();
}

QFormatDlg::~QFormatDlg()
{
    // The view and its filter go before the model and records they read.
    delete m_listView;
    m_listView = nullptr;
    m_sortModel = nullptr;
    ReleaseDatas();
    if (m_myself == this)
        m_myself = nullptr;
}

void QFormatDlg::Init()
{
    const QString res = QIAnyUtil::getResourcePath();
    QInitCtrlStyle::InitBg3(this);
    setFixedSize(401, 300);
    setDlgTitle(tr("Format Setting"));
    setGridViewInfo({80, 80}, {80, 80}, {80, 80}, {80, 80});
    installEventFilter(this);
    addCloseBtn(res + QStringLiteral("/image/btn_close.png"), true);
    addMinBtn(res + QStringLiteral("/image/btn_min.png"), true);
    addMaxBtn(res + QStringLiteral("/image/btn_max.png"), true);
    connect(m_btnClose, &QJXBaseButton::clicked, this, &QFormatDlg::OnBtnCancel);
}

void QFormatDlg::InitCtrl()
{
    QInitCtrlStyle::InitJXButton(m_btnCancel, 80, 24);
    QInitCtrlStyle::InitJXButton(m_btnOk, 80, 24);
    connect(m_btnOk, &QJXBaseButton::clicked, this, &QFormatDlg::OnBtnOk);
    connect(m_btnCancel, &QJXBaseButton::clicked, this, &QFormatDlg::OnBtnCancel);

    QInitCtrlStyle::InitJXCombox1(m_cmbQuality, 100, 25);
    m_cmbQuality->setDrawTextMargins(5, 0, 17, 1);
    QInitCtrlStyle::InitFont(m_cmbQuality, 11);
    m_cmbQuality->clear();
    m_cmbQuality->addItem(tr("High Quality"));
    m_cmbQuality->addItem(tr("Small Size"));
    m_cmbQuality->addItem(tr("Customized"));
    connect(m_cmbQuality, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &QFormatDlg::OnQualityChange);

    QInitCtrlStyle::InitFont(m_lblPreset, 12);
    QInitCtrlStyle::InitPalette(m_lblPreset, QPalette::WindowText, QInitCtrlStyle::lightText());
    m_lblPreset->resize(54, 20);
    m_lblPreset->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    m_formatType = new QFormatType(this);
    connect(m_formatType, &QFormatType::emitTypeChange, this, &QFormatDlg::changeCategories);
    m_listView->hide();
    m_editSearch->hide();
    m_formatType->hide();
    m_settingDlg->show();
    connect(m_settingDlg, &QFormatSettingDlg::emitCustomized, this, &QFormatDlg::settingValueChanged);
    connect(m_settingDlg, &QFormatSettingDlg::emitChangeFormat, this, &QFormatDlg::OnChangeFormat);
    connect(m_settingDlg, &QFormatSettingDlg::emitReset, this, &QFormatDlg::OnReset);
}

void QFormatDlg::retranslateUi()
{
    m_lblPreset->setText(tr("Preset:"));
    m_btnCancel->setText(tr("Cancel"));
    m_btnOk->setText(tr("OK"));
}

QFormatResolver QFormatDlg::resolver()
{
    return QFormatResolver(*QPlistRead::getPlistRead(QPlistRead::cataloguePath()));
}

void QFormatDlg::InitSetting()
{
    resolver().InitSetting();
}

void QFormatDlg::saveUseSetting(bool video)
{
    resolver().saveUseSetting(video);
}

void QFormatDlg::getConverterInfo(const QString &category, const QString &id, VideoQuality quality,
                                  AttributeSetting *setting)
{
    if (setting)
        resolver().getConverterInfo(category, id, quality, *setting);
}

void QFormatDlg::resetFormat()
{
    resolver().resetFormat();
}

void QFormatDlg::showFormat(bool video)
{
    m_video = video;
    m_formatType->RefreshBtn(video);
    const FormatChoice stored = QFormatResolver::storedChoice(video);
    m_formatType->setCheckType(stored.category);
    m_settingDlg->SetInitialFormat(stored.id);
    selectQuality(QConverterSetting::getFormatDefaultQuality(stored.id));
}

void QFormatDlg::selectQuality(VideoQuality quality)
{
    int index = -1;
    switch (quality) {
    case SmallSize:
        index = IndexSmall;
        break;
    case HighQuality:
        index = IndexHigh;
        break;
    case Customized:
        index = IndexCustomized;
        break;
    }
    if (index < 0)
        return;
    m_settingDlg->setVideoQuality(quality);
    // The index change comes back through OnQualityChange once, with the
    // same quality; the combo no longer changes then.
    m_cmbQuality->setCurrentIndex(index);
}

void QFormatDlg::OnQualityChange(int index)
{
    if (m_qualityGuard) {
        m_qualityGuard = false;
        return;
    }
    selectQuality(index == IndexHigh ? HighQuality : index == IndexSmall ? SmallSize : Customized);
}

void QFormatDlg::settingValueChanged()
{
    setCustomizedItem(true);
    if (m_cmbQuality->currentIndex() != IndexCustomized) {
        m_qualityGuard = true;
        m_cmbQuality->setCurrentIndex(IndexCustomized);
    }
}

void QFormatDlg::setCustomizedItem(bool show)
{
    if (show && m_cmbQuality->count() < 3)
        m_cmbQuality->addItem(tr("Customized"));
    else if (!show && m_cmbQuality->count() > 2)
        m_cmbQuality->removeItem(IndexCustomized);
}

void QFormatDlg::resetQuality(const QString &id)
{
    setCustomizedItem(QVideoSettingXml::GetDefaultFormat(id).has_value());
}

void QFormatDlg::OnChangeFormat(const QString &id)
{
    resetQuality(id);
    selectQuality(QConverterSetting::getFormatDefaultQuality(id));
}

void QFormatDlg::OnReset()
{
    resetFormat();
    selectQuality(QConverterSetting::getFormatDefaultQuality(QFormatResolver::storedChoice(false).id));
}

void QFormatDlg::OnBtnOk()
{
    const QString id = m_settingDlg->getFormatId();
    if (id.isEmpty()) {
        // No preset is shown (the catalogue could not be read): there is
        // nothing to store, and the current settings stay.
        accept();
        return;
    }
    m_settingDlg->OnOkSet();
    QVideoSettingXml::SetDefaultFormatValue(id, QStringLiteral("QUALITY_VALUE"),
                                            QString::number(m_cmbQuality->currentIndex()));
    QVideoSettingXml::SetItemValue(kGroup, m_video ? QStringLiteral("Video_Categories")
                                                   : QStringLiteral("Audio_Categories"),
                                   m_settingDlg->getCategories());
    QVideoSettingXml::SetItemValue(kGroup, m_video ? QStringLiteral("Video_Id") : QStringLiteral("Audio_Id"), id);
    saveUseSetting(m_video);
    accept();
}

void QFormatDlg::OnBtnCancel()
{
    reject();
}

bool QFormatDlg::eventFilter(QObject *, QEvent *)
{
    return false;
}

void QFormatDlg::keyPressEvent(QKeyEvent *)
{
    // No key closes the dialog: only OK, Cancel and the close button do.
}

void QFormatDlg::resetControlLocation()
{
    if (!m_settingDlg)
        return;
    const int W = width();
    const int H = height();
    m_settingDlg->setGeometry(8, 30, W - 16, H - 88);
    const auto band = [H](QWidget *w) { return H - 58 + (50 - w->height()) / 2; };
    m_btnCancel->move(W - 23 - m_btnCancel->width(), band(m_btnCancel));
    m_btnOk->move(m_btnCancel->x() - 13 - m_btnOk->width(), band(m_btnOk));
    m_lblPreset->move(18, band(m_lblPreset));
    // A small gap, so the right-aligned label does not run into the box.
    m_cmbQuality->move(m_lblPreset->geometry().right() + 5, band(m_cmbQuality));
}
