#pragma once
// Item model of the recordings table: eight columns over the shown rows,
// each a QAudioFileChunk; the state column answers with picture paths. The
// rows come in the table's order (library/qlibraryrows.h), which tells the
// model of each change around it.

#include "widgetkit/views/qbasedetailsmodel.h"

#include <functional>
#include <vector>

class QAudioFileChunk;

class QAudioFileModel : public QBaseDetailsModel
{
    Q_OBJECT
public:
    enum Column {
        ColumnState = 0,
        ColumnName = 1,
        ColumnFormat = 2,
        ColumnArtist = 3,
        ColumnAlbum = 4,
        ColumnDuration = 5,
        ColumnCreated = 6,
        ColumnOperate = 7,
    };

    explicit QAudioFileModel(QObject *parent = nullptr);

    // The file name without its last extension; the whole name without a dot.
    static QString baseName(const QString &fileName);
    // The row's item behind any index of a model that serves the item role.
    static QAudioFileChunk *rowItem(const QModelIndex &index);

    // The shown rows change around the call: as a whole, one row in at
    // `at`, the rows first to last out, one row from `from` to `to` (its
    // index once moved), or all of them into a new order (places[i] is the
    // old index of the row that comes i-th).
    void resetAround(const std::function<void()> &change);
    void insertAround(int at, const std::function<void()> &change);
    void removeRowsAround(int first, int last, const std::function<void()> &change);
    void moveAround(int from, int to, const std::function<void()> &change);
    void reorderAround(const std::vector<int> &places, const std::function<void()> &change);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
};
