// The format dialog's preset list: tiles of every preset of the catalogue,
// filtered by category and search text, with an in-tile Settings button that
// slides the parameter panel in and out.
#include "convert/qformatdlg.h"

#include "common/qianyutil.h"
#include "convert/qformatchunk.h"
#include "convert/qformatsettingdlg.h"
#include "convert/qformattype.h"
#include "convert/qplistread.h"
#include "widgetkit/qinitctrlstyle.h"
#include "widgetkit/qjxscrollbar.h"
#include "widgetkit/views/qdelegatecontrol.h"
#include "widgetkit/views/qjxlistview.h"
#include "widgetkit/views/qjxstylebutton.h"

#include <QPropertyAnimation>

namespace {

QPlistRead &catalogue()
{
    return *QPlistRead::getPlistRead(QPlistRead::cataloguePath());
}

} // namespace

void QFormatDlg::InitView()
{
    if (m_sortModel)
        return;
    m_listView->setStyleSheet(QStringLiteral("QListView{background:%1;}QScrollBar:vertical {width:10px;}")
                                  .arg(QColor(44, 44, 44).name()));
    m_listView->setAttribute(Qt::WA_MacShowFocusRect, false);

    m_sortModel = new QFormatSortModel(m_listView);
    m_sortModel->setSourceModel(&m_sourceModel);
    m_sortModel->setDynamicSortFilter(true);
    m_sortModel->setFilterKeyColumn(-1);
    m_sortModel->setItemBgColor(QColor(64, 62, 62), QColor(64, 62, 62));
    m_sortModel->setItemTextColor(QColor(250, 237, 237), QColor(250, 237, 237));
    m_sortModel->setHoverBgColor(QColor(70, 68, 68), QColor(250, 237, 237));

    m_listView->setModel(m_sortModel);
    m_listView->setSourceModel(&m_sourceModel);
    m_listView->setSortModel(m_sortModel);
    m_listView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_sourceModel.setDatas(&m_datas);
    m_sourceModel.setItemSize(QSize(128, 95));
    m_listView->setViewMode(QListView::IconMode);
    m_listView->setGridSize(QSize(130, 97));
    m_listView->setResizeMode(QListView::Adjust);

    auto *bar = new QJXScrollBar(Qt::Vertical, m_listView);
    QInitCtrlStyle::InitJxScrollBar(bar);
    m_listView->setVerticalScrollBar(bar);

    m_delegate = new QFormatListDelegate(m_listView);
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(12);
    m_delegate->setFont(font);
    m_delegate->setAlignment(Qt::AlignBottom | Qt::AlignHCenter);
    m_delegate->setDrawTextMargins(1, 70, 1, 8);
    m_delegate->setImageMargins(0, 10, 0, 32);
    m_delegate->setSelectedBackgroundColor(QColor(84, 82, 82));
    m_delegate->setSelectTextColor(QColor(250, 237, 237));
    m_delegate->setCheckboxEnable(false);
    m_listView->setItemDelegate(m_delegate);
    m_listView->setStyleDelegate(m_delegate);

    m_settingButton = std::make_unique<QJXStyleButton>();
    m_settingButton->setText(tr("Settings"));
    m_settingButton->setButtonImage(QIAnyUtil::getResourcePath() + QStringLiteral("/image/Format_Dlg/btn_setting.png"));
    m_settingButton->setPos(QPoint(126 - m_settingButton->width(), 2));
    connect(m_settingButton.get(), &QJXStyleButton::emitClickIndex, this, &QFormatDlg::OnSetting);
    m_control = std::make_unique<QDelegateControl>(0);
    m_control->setHoverShow(false);
    m_control->addButton(m_settingButton.get());
    m_control->setDrawWidth(m_settingButton->width());
    m_control->setDrawHeight(m_settingButton->height());
    m_delegate->addButtonWidget(m_control.get());

    connect(m_listView, &QListView::doubleClicked, this, &QFormatDlg::doubleClickItemView);
    connect(m_listView, &QJXListView::emitCurrentChanged, this, &QFormatDlg::itemChange);
}

void QFormatDlg::InitCategories()
{
    m_categoryNames = catalogue().getCategories();
    m_formatType->createTypeBtn(m_categoryNames);
}

void QFormatDlg::InitDates()
{
    ReleaseDatas();
    const QString icons = QIAnyUtil::getResourcePath() + QStringLiteral("/image/Format/");
    for (const std::string &category : m_categoryNames) {
        for (const CategoryInfo &preset : catalogue().getCategoriesInfoList(category)) {
            auto *record = new QFormatChunk;
            record->SetTitle(preset.title);
            record->SetID(QString::fromStdString(preset.id).toInt());
            record->setImage((icons + QStringLiteral("icon_%1.png").arg(QString::fromStdString(preset.icon)))
                                 .toStdString());
            record->setStringValue(QFormatChunk::CategoryKey, preset.category);
            record->setStringValue(QFormatChunk::ExtensionKey, preset.ext);
            m_datas.push_back(record);
        }
    }
    m_sourceModel.refresh();
}

void QFormatDlg::ReleaseDatas()
{
    std::vector<IBaseChunk *> records;
    records.swap(m_datas);
    m_sourceModel.refresh(); // no row may point at a freed record
    for (IBaseChunk *record : records)
        delete record;
}

void QFormatDlg::setFormatId(const QString &id)
{
    if (!m_sortModel)
        return;
    for (int row = 0; row < m_sortModel->rowCount(); ++row) {
        const QModelIndex index = m_sortModel->index(row, 0);
        IBaseChunk *record = m_sortModel->itemAt(index);
        if (record && QString::number(record->GetID()) == id)
            m_listView->setCurrentIndex(index);
    }
}

void QFormatDlg::changeCategories(const QString &categories)
{
    if (m_sortModel)
        m_sortModel->setCategories(categories);
    startShowSetDlgAnimtion(false, false);
}

void QFormatDlg::OnSearchString(const QString &text)
{
    if (!m_sortModel || m_datas.empty())
        return;
    startShowSetDlgAnimtion(false, false);
    m_sortModel->setFilterRegExp(QRegExp(text, Qt::CaseInsensitive, QRegExp::FixedString));
}

void QFormatDlg::OnSetting(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    if (index.row() == m_listView->currentIndex().row())
        startShowSetDlgAnimtion(!m_panelShown, false);
    else
        m_listView->setCurrentIndex(index);
}

void QFormatDlg::doubleClickItemView(const QModelIndex &)
{
    OnBtnOk();
}

void QFormatDlg::itemChange(const QModelIndex &index)
{
    IBaseChunk *record = m_sortModel ? m_sortModel->itemAt(index) : nullptr;
    if (!record)
        return;
    const std::string category = record->getStringValue(QFormatChunk::CategoryKey);
    const QString id = QString::number(record->GetID());
    const auto info = catalogue().GetFormatInfoForPlist(category, id.toStdString(), "", "", "", "");
    m_settingDlg->setFormatInfoToCtrl(info ? &*info : nullptr, true);
    resetQuality(id);
    selectQuality(QConverterSetting::getFormatDefaultQuality(id));
}

void QFormatDlg::OnShowSettingDlg(bool show)
{
    startShowSetDlgAnimtion(show, false);
}

void QFormatDlg::startShowSetDlgAnimtion(bool show, bool atOnce)
{
    const QRect listOpen(20, 67, 661, 279), listShort(20, 67, 661, 199);
    const QRect panelHidden(21, 346, 648, 0), panelShown(21, 261, 648, 88);
    if (atOnce) {
        m_listView->setGeometry(listOpen);
        m_settingDlg->setGeometry(20, 346, 653, 0);
        m_settingDlg->hide();
        return;
    }
    if (show == m_panelShown)
        return;
    m_panelShown = show;
    if (!m_listAnimation) {
        m_listAnimation = new QPropertyAnimation(m_listView, "geometry", this);
        m_panelAnimation = new QPropertyAnimation(m_settingDlg, "geometry", this);
        m_listAnimation->setDuration(150);
        m_panelAnimation->setDuration(150);
        connect(m_panelAnimation, &QPropertyAnimation::finished, this, [this] {
            if (!m_panelShown)
                m_settingDlg->hide();
        });
    }
    m_listAnimation->stop();
    m_panelAnimation->stop();
    if (show)
        m_settingDlg->show();
    m_panelAnimation->setStartValue(show ? panelHidden : panelShown);
    m_panelAnimation->setEndValue(show ? panelShown : panelHidden);
    m_listAnimation->setStartValue(show ? listOpen : listShort);
    m_listAnimation->setEndValue(show ? listShort : listOpen);
    m_panelAnimation->start();
    m_listAnimation->start();
}
