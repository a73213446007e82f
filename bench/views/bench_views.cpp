// Sorting, filtering and check summaries of the list models over large item
// vectors, as the recordings table sees them. Prints milliseconds per step.

#include "widgetkit/views/ibasechunk.h"
#include "widgetkit/views/qbasedetailsmodel.h"
#include "widgetkit/views/qjxbasesortmodel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegExp>
#include <cstdio>
#include <memory>
#include <vector>

namespace {
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

void run(int count)
{
    std::vector<std::unique_ptr<IBaseChunk>> owned;
    std::vector<IBaseChunk *> items;
    for (int i = 0; i < count; ++i) {
        owned.push_back(std::make_unique<IBaseChunk>(false));
        owned.back()->SetTitle("REC_2026120" + std::to_string((i * 7919) % 10) + "_"
                               + std::to_string((i * 104729) % count) + ".mp3");
        owned.back()->SetFilterId(std::to_string(i % 50));
        owned.back()->setIsDeleted(i % 13 == 0);
        items.push_back(owned.back().get());
    }
    TitleModel model;
    model.setHeaderList({"Name", "Size"});
    QJXBaseSortModel sort;
    sort.setSourceModel(&model);

    QElapsedTimer timer;
    timer.start();
    model.setDatas(&items);
    const qint64 load = timer.restart();
    sort.sort(0, Qt::AscendingOrder);
    const qint64 sorted = timer.restart();
    sort.setFilterRegExp(QRegExp("_1"));
    const int shown = sort.rowCount();
    const qint64 searched = timer.restart();
    sort.setFilterRegExp(QRegExp());
    sort.setDeleteFilter(FilterDeleteHide);
    sort.setFilterIdSet("3,17,42");
    const int kept = sort.rowCount();
    const qint64 filtered = timer.restart();
    sort.setAllItemCheck(true);
    const int summary = sort.getItemChangeState();
    const qint64 checked = timer.restart();
    std::printf("%7d items: load %4lld ms, sort %5lld ms, search %4lld ms (%d rows), "
                "delete+id filter %4lld ms (%d rows), check all + summary %4lld ms (%d)\n",
                count, load, sorted, searched, shown, filtered, kept, checked, summary);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    for (int count : {1000, 10000, 100000})
        run(count);
    return 0;
}
