#pragma once
// Base of the library's delegates whose name cell opens a one-line editor
// that commits when editing finishes.

#include "widgetkit/views/qjxcontrolstyledelegate.h"

class IBaseChunk;
class QLineEdit;

class QNameEditDelegate : public QJXControlStyleDelegate
{
    Q_OBJECT
public:
    explicit QNameEditDelegate(QObject *parent = nullptr);

    // The row's item from the item role of any index; null without one.
    static IBaseChunk *itemOfIndex(const QModelIndex &index);

public slots:
    void commitAndCloseEditor();

protected:
    // A line edit in 12 px Tahoma that commits itself when editing finishes.
    QLineEdit *createNameEditor(QWidget *parent) const;
    // 20 px high, centred on the cell's height, reaching 27 px past its right edge.
    static void placeNameEditor(QWidget *editor, const QRect &cell);
};
