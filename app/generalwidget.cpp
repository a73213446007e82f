#include "app/generalwidget.h"

#include "app/preferencegroupstyle.h"
#include "common/jxcommoninterface.h"
#include "common/qconverteroperate.h"
#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "widgetkit/qinitctrlstyle.h"
#include "widgetkit/qjxcombobox.h"
#include "widgetkit/qjxradiobutton.h"

#include <QGroupBox>
#include <QPainter>

namespace {
const QString kYes = QStringLiteral("Y");

QString languageListPath()
{
    return QIAnyUtil::getResourcePath() + QStringLiteral("/Language/Language.xml");
}
} // namespace

GeneralWidget::GeneralWidget(QWidget *parent)
    : QWidget(parent)
{
    resize(344, 189);
    m_GroupUpdates = new QGroupBox(this);
    m_radAutoUpdate = new QJXRadioButton(m_GroupUpdates);
    m_radCloseUpdate = new QJXRadioButton(m_GroupUpdates);
    m_GroupClose = new QGroupBox(this);
    m_radMin = new QJXRadioButton(m_GroupClose);
    m_radExit = new QJXRadioButton(m_GroupClose);
    m_GroupLanguage = new QGroupBox(this);
    m_GroupLanguage->setGeometry(11, 230, 281, 71);
    m_cmbLan = new QJXComboBox(m_GroupLanguage);
    m_cmbLan->resize(155, 21);
    InitCtrl();
}

void GeneralWidget::InitCtrl()
{
    m_GroupLanguage->hide();
    m_GroupUpdates->setTitle(tr("Automatic updates"));
    m_GroupClose->setTitle(tr("Close"));
    m_GroupLanguage->setTitle(tr("Language"));
    m_radAutoUpdate->setText(tr("Automatically update to the newest version"));
    m_radCloseUpdate->setText(tr("Close automatic updates"));
    m_radMin->setText(tr("Minimize to Tray"));
    m_radExit->setText(tr("Exit"));

    m_cmbLan->move(20, 32);
    m_radAutoUpdate->setGeometry(20, 26, 281, 16);
    m_radCloseUpdate->setGeometry(20, 51, 251, 16);
    m_radMin->setGeometry(20, 26, 251, 16);
    m_radExit->setGeometry(20, 51, 251, 16);

    PreferenceGroupStyle::apply({m_GroupUpdates, m_GroupClose, m_GroupLanguage});
    for (QJXRadioButton *radio : {m_radAutoUpdate, m_radCloseUpdate, m_radMin, m_radExit}) {
        QInitCtrlStyle::InitRadio(radio);
        QInitCtrlStyle::InitFont(radio, 11);
    }

    connect(m_radAutoUpdate, &QAbstractButton::clicked, this, &GeneralWidget::OnChanegeUpdate);
    connect(m_radCloseUpdate, &QAbstractButton::clicked, this, &GeneralWidget::OnChanegeUpdate);
    connect(m_radExit, &QAbstractButton::clicked, this, &GeneralWidget::OnChangeClose);
    connect(m_radMin, &QAbstractButton::clicked, this, &GeneralWidget::OnChangeClose);

    m_bInitUpdate = JxCommonInterface::autoCheckUpdate();
    m_radAutoUpdate->setChecked(m_bInitUpdate);
    m_radCloseUpdate->setChecked(!m_bInitUpdate);

    // An empty stored value reads as the default "Y".
    const QString close = QVideoSettingXml::GetItemValue(QStringLiteral("CLOSE_ITEM"), QStringLiteral("bIsCloseDlg"), kYes);
    m_bInitClose = close.isEmpty() || close == kYes;
    m_radExit->setChecked(m_bInitClose);
    m_radMin->setChecked(!m_bInitClose);
}

void GeneralWidget::OnChanegeUpdate()
{
    const bool on = sender() == m_radAutoUpdate;
    m_radAutoUpdate->setChecked(on);
    m_radCloseUpdate->setChecked(!on);
}

void GeneralWidget::OnChangeClose()
{
    const bool exit = sender() == m_radExit;
    m_radExit->setChecked(exit);
    m_radMin->setChecked(!exit);
}

void GeneralWidget::saveSetting()
{
    const bool update = m_radAutoUpdate->isChecked();
    if (update != m_bInitUpdate) {
        JxCommonInterface::setAutoCheckUpdate(update);
        emit sendUpdate(update);
    }
    const bool exit = m_radExit->isChecked();
    if (exit != m_bInitClose) {
        QVideoSettingXml::SetItemValue(QStringLiteral("CLOSE_ITEM"), QStringLiteral("bIsCloseDlg"),
                                       exit ? kYes : QStringLiteral("N"));
    }
}

void GeneralWidget::InitLanguage()
{
    const QString stored = QVideoSettingXml::GetItemValue(QStringLiteral("Language_item"),
                                                          QStringLiteral("Language_Name"), QStringLiteral("English"));
    m_cmbLan->addItems(QVideoSettingXml::GetLanguage(languageListPath()));
    const int index = m_cmbLan->findText(stored);
    if (index >= 0) {
        m_cmbLan->setCurrentIndex(index);
        m_nInitLanguage = index;
    }
}

bool GeneralWidget::getChangeLanguage() const
{
    return m_cmbLan->currentIndex() != m_nInitLanguage;
}

void GeneralWidget::languageChange(int)
{
    const auto fileAndType = QVideoSettingXml::GetLanguageFile(languageListPath(), m_cmbLan->currentText());
    QConverterOperate::setLanguageType(fileAndType.second);
    emit sendLanguageName(QIAnyUtil::getResourcePath() + QStringLiteral("/Language/") + fileAndType.first);
}

void GeneralWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QInitCtrlStyle::darkBackground());
    m_GroupUpdates->setGeometry(QRect(QPoint(38, 5), QPoint(width() - 39, 84)));
    PreferenceGroupStyle::placeBelow(m_GroupClose, m_GroupUpdates);
}
