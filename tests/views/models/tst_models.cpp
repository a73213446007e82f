// The details model and the filter and sort model over real item vectors.

#include "widgetkit/views/ibasechunk.h"
#include "widgetkit/views/qbasedetailsmodel.h"
#include "widgetkit/views/qjxbasesortmodel.h"
#include "widgetkit/views/qjxitemroles.h"

#include <QAbstractItemModelTester>
#include <QtTest>

#include <memory>

namespace {
// A screen's model: the title is the display text of every column.
class TitleModel : public QBaseDetailsModel
{
public:
    using QBaseDetailsModel::QBaseDetailsModel;
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::DisplayRole && index.isValid())
            return QString::fromStdString(itemAt(index.row())->GetTitle());
        return QBaseDetailsModel::data(index, role);
    }
};

struct Items
{
    std::vector<IBaseChunk *> vector;
    std::vector<std::unique_ptr<IBaseChunk>> owned;
    IBaseChunk *add(const std::string &title)
    {
        owned.push_back(std::make_unique<IBaseChunk>(false));
        owned.back()->SetTitle(title);
        vector.push_back(owned.back().get());
        return owned.back().get();
    }
};

QColor brushColor(const QVariant &value)
{
    return value.value<QBrush>().color();
}

QList<int> spiedStates(const QSignalSpy &spy)
{
    QList<int> states;
    for (const auto &arguments : spy)
        states << arguments.at(0).toInt();
    return states;
}

const QColor kDefaultBg(35, 35, 35);
const QColor kDefaultText(205, 196, 180);
const QColor kDeletedText(255, 140, 71);
const QColor kHoverBg(51, 51, 51);
const QColor kHoverText(255, 255, 255);
} // namespace

class TestModels : public QObject
{
    Q_OBJECT
private slots:
    void modelWithoutVector();
    void indexesAndHeaders();
    void rolesAndFlags();
    void rowColoursAndHover();
    void checkSummaries();
    void changeAnnouncements();
    void modelPassesQtConsistencyChecks();

    void sortSummaryOverVisibleRows();
    void sortByTextAndColourByViewOrder();
    void deletedFilterAndRegExp();
    void filterIdsMatchWholeIds();
    void sortSetDataOnlyInFirstColumn();
};

void TestModels::modelWithoutVector()
{
    TitleModel model;
    QCOMPARE(model.rowCount(), 0);
    QVERIFY(!model.index(0, 0).isValid());
    model.setHeaderList({"Name"});
    QCOMPARE(model.columnCount(), 1);
    QVERIFY(!model.setData(model.index(0, 0), 2, Qt::CheckStateRole));
    QSignalSpy summary(&model, &QBaseDetailsModel::itemCheckChange);
    model.refreshCheckState();
    QCOMPARE(summary.count(), 0);
}

void TestModels::indexesAndHeaders()
{
    Items items;
    items.add("a");
    items.add("b");
    TitleModel model;
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    model.setDatas(&items.vector);
    QCOMPARE(reset.count(), 1);
    model.setHeaderList({"Name", "Size", "Time"});
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.columnCount(), 3);
    QVERIFY(!model.index(2, 0).isValid());
    QVERIFY(!model.index(-1, 0).isValid());
    QVERIFY(model.index(1, 7).isValid()); // columns are not bounded here
    QCOMPARE(model.index(1, 0).internalPointer(), items.vector[1]);
    QVERIFY(!model.index(0, 0, model.index(0, 0)).isValid());
    QVERIFY(!model.parent(model.index(0, 0)).isValid());
    QCOMPARE(model.rowCount(model.index(0, 0)), 0);

    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QString("Size"));
    QVERIFY(!model.headerData(1, Qt::Vertical).isValid());
    QVERIFY(!model.headerData(1, Qt::Horizontal, Qt::ToolTipRole).isValid());
    QVERIFY(!model.headerData(3, Qt::Horizontal).isValid());
    QVERIFY(!model.headerData(-1, Qt::Horizontal).isValid());
}

void TestModels::rolesAndFlags()
{
    Items items;
    IBaseChunk *first = items.add("a");
    IBaseChunk *second = items.add("b");
    TitleModel model;
    model.setDatas(&items.vector);
    model.setHeaderList({"Name", "Size"});

    QCOMPARE(int(model.flags(model.index(0, 0))), 57);
    QCOMPARE(int(model.flags(model.index(0, 1))), 41);
    QCOMPARE(int(model.flags(QModelIndex())), 0);
    model.setCheckInColumn(1);
    QCOMPARE(int(model.flags(model.index(0, 1))), 57);
    QCOMPARE(int(model.flags(model.index(0, 0))), 41);
    model.setCheckInColumn(0);

    first->setColumnEnable(1, false);
    QCOMPARE(model.data(model.index(0, 1), Qt::EditRole).toBool(), false);
    QCOMPARE(model.data(model.index(0, 0), Qt::EditRole).toBool(), true);

    first->SetCheck(1);
    QCOMPARE(model.data(model.index(0, 0), Qt::CheckStateRole).toInt(), 2);
    QVERIFY(!model.data(model.index(0, 1), Qt::CheckStateRole).isValid());
    QCOMPARE(model.data(model.index(1, 0), Qt::CheckStateRole).toInt(), 0);

    QCOMPARE(model.data(model.index(1, 0), QJXItemRole::ItemPointer).value<void *>(),
             static_cast<void *>(second));
    second->setIsDeleted(true);
    QCOMPARE(model.data(model.index(1, 0), QJXItemRole::ItemDeleted).toBool(), true);
    QCOMPARE(model.data(model.index(0, 0), QJXItemRole::ItemDeleted).toBool(), false);

    const QFont font = model.data(model.index(0, 0), Qt::FontRole).value<QFont>();
    QCOMPARE(font.family(), QString("Tahoma"));
    QCOMPARE(font.pixelSize(), 12);

    for (int role : {int(Qt::DecorationRole), int(Qt::ToolTipRole), int(Qt::StatusTipRole),
                     int(Qt::WhatsThisRole), int(Qt::TextAlignmentRole), int(Qt::SizeHintRole),
                     256, 258, 261})
        QVERIFY2(!model.data(model.index(0, 0), role).isValid(), qPrintable(QString::number(role)));
    QVERIFY(!model.data(QModelIndex(), QJXItemRole::ItemPointer).isValid());
}

void TestModels::rowColoursAndHover()
{
    Items items;
    items.add("a");
    IBaseChunk *deleted = items.add("b");
    items.add("c");
    deleted->setIsDeleted(true);
    TitleModel model;
    model.setDatas(&items.vector);
    model.setHeaderList({"Name"});
    for (int row = 0; row < 3; ++row) {
        QCOMPARE(brushColor(model.data(model.index(row, 0), Qt::BackgroundRole)), kDefaultBg);
        QCOMPARE(brushColor(model.data(model.index(row, 0), Qt::ForegroundRole)),
                 row == 1 ? kDeletedText : kDefaultText);
    }
    model.setHoverRow(1);
    QCOMPARE(brushColor(model.data(model.index(1, 0), Qt::BackgroundRole)), kHoverBg);
    QCOMPARE(brushColor(model.data(model.index(1, 0), Qt::ForegroundRole)), kDeletedText);
    model.setHoverRow(2);
    QCOMPARE(brushColor(model.data(model.index(2, 0), Qt::ForegroundRole)), kHoverText);

    model.setHoverRow(-1);
    model.setItemBgColor(Qt::red, Qt::blue);
    model.setItemTextColor(Qt::green, Qt::yellow);
    QCOMPARE(brushColor(model.data(model.index(0, 0), Qt::BackgroundRole)), QColor(Qt::red));
    QCOMPARE(brushColor(model.data(model.index(1, 0), Qt::BackgroundRole)), QColor(Qt::blue));
    QCOMPARE(brushColor(model.data(model.index(0, 0), Qt::ForegroundRole)), QColor(Qt::yellow));
    QCOMPARE(brushColor(model.data(model.index(2, 0), Qt::ForegroundRole)), QColor(Qt::yellow));
    deleted->setIsDeleted(false);
    QCOMPARE(brushColor(model.data(model.index(1, 0), Qt::ForegroundRole)), QColor(Qt::green));
}

void TestModels::checkSummaries()
{
    Items items;
    for (const char *title : {"a", "b", "c"})
        items.add(title);
    TitleModel model;
    model.setDatas(&items.vector);
    model.setHeaderList({"Name", "Size"});
    QSignalSpy summary(&model, &QBaseDetailsModel::itemCheckChange);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    QVERIFY(model.setData(model.index(0, 0), 2, Qt::CheckStateRole));
    QVERIFY(model.setData(model.index(1, 0), 2, Qt::CheckStateRole));
    QCOMPARE(spiedStates(summary), (QList<int>{1, 1}));
    QVERIFY(model.setData(model.index(2, 0), 2, Qt::CheckStateRole));
    QCOMPARE(spiedStates(summary), (QList<int>{1, 1, 2}));
    QCOMPARE(changed.count(), 3);
    summary.clear();
    model.OnStateChanged(0);
    QCOMPARE(spiedStates(summary), (QList<int>{1, 1, 0}));
    for (IBaseChunk *item : items.vector)
        QCOMPARE(item->GetCheck(), 0);

    summary.clear();
    model.OnStateChanged(true);
    QCOMPARE(spiedStates(summary), (QList<int>{1, 1, 2}));

    // The user role sets the state without a summary; other columns refuse.
    summary.clear();
    QVERIFY(model.setData(model.index(1, 0), 0, QJXItemRole::CheckNoSummary));
    QCOMPARE(items.vector[1]->GetCheck(), 0);
    QVERIFY(!model.setData(model.index(0, 1), 0, Qt::CheckStateRole));
    QVERIFY(!model.setData(model.index(0, 0), 0, Qt::DisplayRole));
    QCOMPARE(items.vector[0]->GetCheck(), 2);
    QCOMPARE(summary.count(), 0);
    model.refreshCheckState();
    QCOMPARE(spiedStates(summary), (QList<int>{1}));
}

void TestModels::changeAnnouncements()
{
    Items items;
    items.add("a");
    TitleModel model;
    model.setDatas(&items.vector);
    model.setHeaderList({"Name", "Size", "Time"});
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    qRegisterMetaType<Qt::Orientation>();
    QSignalSpy header(&model, &QAbstractItemModel::headerDataChanged);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

    items.add("b");
    model.insertRefeshLastRow();
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), 1);
    QCOMPARE(inserted.at(0).at(2).toInt(), 1);

    model.refeshRow(1);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).value<QModelIndex>(), model.index(1, 0));
    QCOMPARE(changed.at(0).at(1).value<QModelIndex>(), model.index(1, 2));
    model.refreshData(0, 2);
    QCOMPARE(changed.count(), 2);
    model.refreshData(5, 0);
    QCOMPARE(changed.count(), 2);

    changed.clear();
    model.refreshColumn(2);
    QCOMPARE(header.count(), 1);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).value<QModelIndex>(), model.index(0, 2));
    QCOMPARE(changed.at(0).at(1).value<QModelIndex>(), model.index(1, 2));
    QCOMPARE(header.at(0).at(0).value<Qt::Orientation>(), Qt::Horizontal);
    QCOMPARE(header.at(0).at(1).toInt(), 2);

    model.refresh();
    QCOMPARE(reset.count(), 1);
}

void TestModels::modelPassesQtConsistencyChecks()
{
    Items items;
    for (const char *title : {"b", "a", "c"})
        items.add(title);
    TitleModel model;
    model.setDatas(&items.vector);
    model.setHeaderList({"Name", "Size"});
    QJXBaseSortModel sort;
    sort.setSourceModel(&model);
    QAbstractItemModelTester modelTester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QAbstractItemModelTester sortTester(&sort, QAbstractItemModelTester::FailureReportingMode::QtTest);
    // The screen appends first, then announces: the views must see the
    // insertion as Qt requires (old count before, new count after).
    int countBefore = -1;
    connect(&model, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [&] { countBefore = model.rowCount(); });
    items.add("d");
    model.insertRefeshLastRow();
    QCOMPARE(countBefore, 3);
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(sort.rowCount(), 4);
    sort.sort(0);
    QCOMPARE(sort.index(3, 0).data().toString(), QString("d"));
    // Several at once take their sorted places.
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    items.add("0");
    items.add("bb");
    model.insertRefreshLastRows(2);
    QCOMPARE(countBefore, 4);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), 4);
    QCOMPARE(inserted.at(0).at(2).toInt(), 5);
    QCOMPARE(sort.rowCount(), 6);
    QCOMPARE(sort.index(0, 0).data().toString(), QString("0"));
    QCOMPARE(sort.index(3, 0).data().toString(), QString("bb"));
    // More than the vector holds announces nothing.
    model.insertRefreshLastRows(7);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(model.rowCount(), 6);
    sort.setFilterIdSet("x");
    sort.setDeleteFilter(FilterDeleteHide);
    model.refresh();
    QCOMPARE(sort.rowCount(), 6);
}

void TestModels::sortSummaryOverVisibleRows()
{
    Items items;
    TitleModel model;
    model.setDatas(&items.vector);
    model.setHeaderList({"Name"});
    QJXBaseSortModel sort;
    sort.setSourceModel(&model);
    QSignalSpy summary(&sort, &QJXBaseSortModel::itemCheckChange);
    QCOMPARE(sort.getItemChangeState(), 0);
    sort.OnItemStateChange();
    QCOMPARE(summary.count(), 0);

    for (const char *title : {"keep1", "keep2", "keep3", "hidden"})
        items.add(title);
    items.vector[3]->SetFilterId("h");
    model.refresh();
    sort.setFilterIdSet("h");
    QCOMPARE(sort.rowCount(), 3);

    sort.setAllItemCheck(true);
    QCOMPARE(sort.getItemChangeState(), 2);
    QCOMPARE(items.vector[3]->GetCheck(), 0); // hidden rows keep their state
    sort.setAllItemCheck(false);
    QCOMPARE(sort.getItemChangeState(), 0);

    sort.itemCheckStateChanged(sort.index(1, 0), 2);
    QCOMPARE(spiedStates(summary), (QList<int>{1}));
    sort.itemCheckStateChanged(QModelIndex(), 2);
    QCOMPARE(summary.count(), 1);
    sort.setAllItemCheck(2);
    sort.refreshCheckState();
    QCOMPARE(spiedStates(summary), (QList<int>{1, 2}));
    // A new expression re-announces the summary of the rows it leaves.
    items.vector[0]->SetCheck(0);
    sort.setFilterRegExp(QRegExp("keep[12]"));
    QCOMPARE(sort.rowCount(), 2);
    QCOMPARE(spiedStates(summary), (QList<int>{1, 2, 1}));
}

void TestModels::sortByTextAndColourByViewOrder()
{
    Items items;
    for (const char *title : {"9", "b", "10", "A"})
        items.add(title);
    TitleModel model;
    model.setDatas(&items.vector);
    model.setHeaderList({"Name"});
    QJXBaseSortModel sort;
    sort.setSourceModel(&model);
    sort.setItemBgColor(QColor(10, 10, 10), QColor(20, 20, 20));
    sort.setItemTextColor(QColor(1, 1, 1), QColor(2, 2, 2));
    QSignalSpy sorted(&sort, &QJXBaseSortModel::emitSort);

    sort.sort(0, Qt::AscendingOrder);
    QCOMPARE(sorted.count(), 1);
    QCOMPARE(sorted.at(0).at(0).toInt(), 0);
    QCOMPARE(sorted.at(0).at(1).value<Qt::SortOrder>(), Qt::AscendingOrder);
    QStringList order;
    for (int row = 0; row < sort.rowCount(); ++row)
        order << sort.index(row, 0).data().toString();
    QCOMPARE(order, (QStringList{"10", "9", "A", "b"}));

    // Stripes follow the rows as shown, not the source rows.
    for (int row = 0; row < sort.rowCount(); ++row) {
        const QModelIndex cell = sort.index(row, 0);
        QCOMPARE(brushColor(cell.data(Qt::BackgroundRole)),
                 row % 2 ? QColor(20, 20, 20) : QColor(10, 10, 10));
        QCOMPARE(brushColor(cell.data(Qt::ForegroundRole)),
                 row % 2 ? QColor(1, 1, 1) : QColor(2, 2, 2));
    }
    // "10" sits at source row 2 (even) but shows at view row 0.
    QCOMPARE(sort.mapToSource(sort.index(0, 0)).row(), 2);
    sort.sort(0, Qt::DescendingOrder);
    QCOMPARE(sort.index(0, 0).data().toString(), QString("b"));
    QCOMPARE(brushColor(sort.index(0, 0).data(Qt::BackgroundRole)), QColor(10, 10, 10));

    // A deleted item keeps its text colour on the hover row; the background hovers.
    items.vector[1]->setIsDeleted(true); // "b", now view row 0
    sort.setHoverRow(0);
    QCOMPARE(brushColor(sort.index(0, 0).data(Qt::ForegroundRole)), kDeletedText);
    QCOMPARE(brushColor(sort.index(0, 0).data(Qt::BackgroundRole)), kHoverBg);
    QCOMPARE(sort.index(0, 0).data(QJXItemRole::ItemPointer).value<void *>(),
             static_cast<void *>(items.vector[1]));
    QVERIFY(!sort.data(QModelIndex(), Qt::BackgroundRole).isValid());

    QSignalSpy changed(&sort, &QAbstractItemModel::dataChanged);
    sort.refreshIndex(sort.index(1, 0));
    sort.refreshIndex(QModelIndex());
    QCOMPARE(changed.count(), 1);
}

void TestModels::deletedFilterAndRegExp()
{
    Items items;
    for (const char *title : {"alpha", "beta", "alpine"})
        items.add(title);
    items.vector[2]->setIsDeleted(true);
    TitleModel model;
    model.setDatas(&items.vector);
    model.setHeaderList({"Name"});
    QJXBaseSortModel sort;
    sort.setSourceModel(&model);
    QSignalSpy reset(&sort, &QAbstractItemModel::modelReset);

    sort.setFilterRegExp(QRegExp("^al"));
    QCOMPARE(sort.rowCount(), 2);
    sort.setDeleteFilter(FilterDeleteHide);
    QCOMPARE(reset.count(), 1);
    sort.setDeleteFilter(FilterDeleteHide);
    QCOMPARE(reset.count(), 1);
    QCOMPARE(sort.rowCount(), 1);
    QCOMPARE(sort.index(0, 0).data().toString(), QString("alpha"));
    sort.setDeleteFilter(FilterDeleteOnly);
    QCOMPARE(sort.rowCount(), 1);
    QCOMPARE(sort.index(0, 0).data().toString(), QString("alpine"));
    sort.setFilterRegExp(QRegExp());
    sort.setDeleteFilter(FilterDeleteNone);
    QCOMPARE(sort.rowCount(), 3);
}

void TestModels::filterIdsMatchWholeIds()
{
    Items items;
    for (const char *id : {"1", "12", "13", "2", ""})
        items.add(std::string("item") + id)->SetFilterId(id);
    TitleModel model;
    model.setDatas(&items.vector);
    model.setHeaderList({"Name"});
    QJXBaseSortModel sort;
    sort.setSourceModel(&model);
    QSignalSpy reset(&sort, &QAbstractItemModel::modelReset);

    sort.setFilterIdSet("12,13");
    sort.setFilterIdSet("12,13");
    QCOMPARE(reset.count(), 1);
    QStringList shown;
    for (int row = 0; row < sort.rowCount(); ++row)
        shown << sort.index(row, 0).data().toString();
    // "1" is part of "12" as text, but not one of the ids: it stays.
    QCOMPARE(shown, (QStringList{"item1", "item2", "item"}));

    sort.setFilterIdSet(" 2 ; 1 ");
    shown.clear();
    for (int row = 0; row < sort.rowCount(); ++row)
        shown << sort.index(row, 0).data().toString();
    QCOMPARE(shown, (QStringList{"item12", "item13", "item"}));
    sort.setFilterIdSet(QString());
    QCOMPARE(sort.rowCount(), 5);
}

void TestModels::sortSetDataOnlyInFirstColumn()
{
    Items items;
    items.add("a");
    TitleModel model;
    model.setDatas(&items.vector);
    model.setHeaderList({"Name", "Size"});
    QJXBaseSortModel sort;
    sort.setSourceModel(&model);
    QSignalSpy summary(&sort, &QJXBaseSortModel::itemCheckChange);
    QVERIFY(!sort.setData(sort.index(0, 1), 2, Qt::CheckStateRole));
    QCOMPARE(items.vector[0]->GetCheck(), 0);
    QVERIFY(sort.setData(sort.index(0, 0), 2, Qt::CheckStateRole));
    QCOMPARE(items.vector[0]->GetCheck(), 2);
    QVERIFY(sort.setData(sort.index(0, 0), 1, QJXItemRole::CheckNoSummary));
    QCOMPARE(items.vector[0]->GetCheck(), 1);
    QCOMPARE(summary.count(), 0);
}

QTEST_MAIN(TestModels)
#include "tst_models.moc"
