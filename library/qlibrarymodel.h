#pragma once
// Model and proxy of the library panel: two columns over the panel's
// entries (icon and name; the "+" button and the playing mark).

#include "widgetkit/views/qbasedetailsmodel.h"
#include "widgetkit/views/qjxbasesortmodel.h"

class QLibraryChunk;

class QLibraryModel : public QBaseDetailsModel
{
    Q_OBJECT
public:
    explicit QLibraryModel(QObject *parent = nullptr);

    // The entry behind any index of a model that serves the item role.
    static QLibraryChunk *entryAt(const QModelIndex &index);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
};

class QLibrarySortModel : public QJXBaseSortModel
{
    Q_OBJECT
public:
    explicit QLibrarySortModel(QObject *parent = nullptr);
};
