#pragma once
// Painter and name editor of the library panel's entries.

#include "library/qnameeditdelegate.h"

class QLibraryDelegate : public QNameEditDelegate
{
    Q_OBJECT
public:
    static constexpr int kMaxNameLength = 20;

    explicit QLibraryDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    // Reports the typed name; the panel decides what becomes of it.
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

signals:
    void emitChangListName(QModelIndex index, QString newName);

private:
    // The picture at the path at half its pixel size, centred on the cell's height.
    static void drawHalfSizeImage(QPainter *painter, const QString &path, int x, const QRect &cell);
};
