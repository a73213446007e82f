// The format dialog's preset list: records from the shipped catalogue, the
// model's roles, the category and search filters, the category row, choosing
// a tile, and the drawn tiles (screenshot).

#include "testsupport.h"

#include "common/qconvertersetting.h"
#include "common/qvideosettingxml.h"
#include "convert/qformatchunk.h"
#include "convert/qformatdlg.h"
#include "convert/qformatlistmodels.h"
#include "convert/qformatsettingdlg.h"
#include "convert/qformattype.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxcombobox.h"
#include "widgetkit/qjxlineedit.h"
#include "widgetkit/views/qjxitemroles.h"
#include "widgetkit/views/qjxlistview.h"

#include <QFile>
#include <QSignalSpy>
#include <QtTest>

class TestPresetList : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void recordsAndRoles();
    void categoryFilter();
    void categoryRow();
    void searchAndChoice();

private:
    QFormatDlg *m_dlg = nullptr;
};

void TestPresetList::init()
{
    QFile::remove(QVideoSettingXml::preferencesFilePath());
    QFile::remove(QVideoSettingXml::defaultFormatFilePath());
    QConverterSetting::InitSetting();
    m_dlg = QFormatDlg::getFormatWidget(nullptr);
    m_dlg->InitView();
    m_dlg->InitCategories();
    m_dlg->InitDates();
}

void TestPresetList::cleanup()
{
    QFormatDlg::releaseFormatWgt();
    QConverterSetting::releaseSetting();
}

void TestPresetList::recordsAndRoles()
{
    // Built but hidden: the choice is made in the panel.
    QVERIFY(m_dlg->listView()->isHidden());
    QVERIFY(m_dlg->categoryRow()->isHidden());
    const auto &records = m_dlg->presetRecords();
    QCOMPARE(int(records.size()), 10);
    QCOMPARE(records[0]->GetTitle(), std::string("MP3"));
    QCOMPARE(records[0]->GetID(), 5000);
    QCOMPARE(records[0]->getStringValue(QFormatChunk::CategoryKey), std::string("General Audio"));
    QCOMPARE(records[9]->getStringValue(QFormatChunk::ExtensionKey), std::string("m4a"));
    QVERIFY(QFile::exists(QString::fromStdString(records[0]->GetImage())));
    QVERIFY(QString::fromStdString(records[6]->GetImage()).endsWith("/image/Format/icon_opus.png"));

    QAbstractItemModel *model = m_dlg->sortModel();
    QCOMPARE(model->rowCount(), 10);
    QCOMPARE(model->columnCount(), 1);
    const QModelIndex first = model->index(0, 0);
    QCOMPARE(first.data(Qt::DisplayRole).toString(), QString("MP3"));
    QCOMPARE(first.data(Qt::ToolTipRole).toString(), QString("MP3"));
    QCOMPARE(first.data(Qt::DecorationRole).toString(), QString::fromStdString(records[0]->GetImage()));
    QVERIFY(!first.data(Qt::CheckStateRole).isValid());
    QCOMPARE(first.data(Qt::SizeHintRole).toSize(), QSize(128, 95));

    // A rebuild replaces the records rather than adding to them.
    m_dlg->InitDates();
    QCOMPARE(int(m_dlg->presetRecords().size()), 10);
    QCOMPARE(model->rowCount(), 10);

    m_dlg->listView()->setCurrentIndex(model->index(1, 0));
    m_dlg->listView()->resize(661, 279);
    m_dlg->listView()->show();
    QVERIFY(!TestSupport::saveScreenshot(m_dlg->listView(), "format_preset_list").isEmpty());
}

void TestPresetList::categoryFilter()
{
    std::vector<IBaseChunk *> records;
    for (const char *category : {"Video", "Devices", "", "Video"}) {
        auto *r = new QFormatChunk;
        r->SetTitle(std::string("t ") + category);
        r->setStringValue(QFormatChunk::CategoryKey, category);
        records.push_back(r);
    }
    QIconListModel model;
    model.setDatas(&records);
    QFormatSortModel sort;
    sort.setSourceModel(&model);
    QCOMPARE(sort.rowCount(), 4);
    sort.setCategories("Video");
    QCOMPARE(sort.rowCount(), 3); // the record without a category stays
    sort.setCategories("Video|Devices");
    QCOMPARE(sort.rowCount(), 4);
    sort.setCategories("Other");
    QCOMPARE(sort.rowCount(), 1);
    sort.setCategories("video");
    QCOMPARE(sort.rowCount(), 1); // case matters
    sort.setCategories(QString());
    QCOMPARE(sort.rowCount(), 4);
    sort.setSourceModel(nullptr);
    qDeleteAll(records);
}

void TestPresetList::categoryRow()
{
    QFormatType row;
    row.createTypeBtn({"General Video", "General Audio", "Devices"});
    QCOMPARE(row.buttons().size(), 3);
    QSignalSpy changed(&row, &QFormatType::emitTypeChange);
    row.setCheckType("Devices");
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.last().at(0).toString(), QString("Devices"));
    QVERIFY(row.buttons()[2]->isChecked());
    QVERIFY(!row.buttons()[2]->isEnabled());
    row.setCheckType("General Video");
    QCOMPARE(changed.count(), 2);
    QVERIFY(!row.buttons()[2]->isChecked());
    QVERIFY(row.buttons()[2]->isEnabled());
    row.setCheckType("Nothing");
    QCOMPARE(changed.count(), 2);

    row.RefreshBtn(true);
    QVERIFY(!row.buttons()[0]->isHidden() && row.buttons()[1]->isHidden() && !row.buttons()[2]->isHidden());
    row.RefreshBtn(false);
    QVERIFY(row.buttons()[0]->isHidden() && !row.buttons()[1]->isHidden() && row.buttons()[2]->isHidden());

    // A category of the dialog's row filters its list.
    m_dlg->categoryRow()->setCheckType("General Audio");
    QCOMPARE(m_dlg->sortModel()->categories(), QString("General Audio"));
    QCOMPARE(m_dlg->sortModel()->rowCount(), 10);
}

void TestPresetList::searchAndChoice()
{
    m_dlg->searchEdit()->setText("OP");
    QCOMPARE(m_dlg->sortModel()->rowCount(), 1);
    QCOMPARE(m_dlg->sortModel()->index(0, 0).data().toString(), QString("Opus"));
    m_dlg->searchEdit()->clear();
    QCOMPARE(m_dlg->sortModel()->rowCount(), 10);

    // Choosing a tile shows its preset in the panel with its stored quality.
    m_dlg->setFormatId("5008");
    QCOMPARE(m_dlg->listView()->currentIndex().data().toString(), QString("AC3"));
    QFormatSettingDlg *panel = m_dlg->settingPanel();
    QCOMPARE(panel->getFormatId(), QString("5008"));
    QCOMPARE(panel->sampleRateCombo()->currentText(), QString("48000 HZ"));
    QCOMPARE(panel->audioBitRateCombo()->currentText(), QString("384 kbps"));
    QCOMPARE(m_dlg->qualityCombo()->currentIndex(), 0);

    // The Settings button of the current tile slides the panel in and out.
    const QModelIndex current = m_dlg->listView()->currentIndex();
    m_dlg->OnSetting(current);
    QVERIFY(m_dlg->panelShown());
    m_dlg->OnSetting(current);
    QVERIFY(!m_dlg->panelShown());
    QTRY_VERIFY(panel->isHidden());
}

QTEST_MAIN(TestPresetList)
#include "tst_presetlist.moc"
