#pragma once
// Item model of the recordings table: eight columns over the shown rows,
// each a QAudioFileChunk; the state column answers with picture paths.

#include "widgetkit/views/qbasedetailsmodel.h"

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

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
};
