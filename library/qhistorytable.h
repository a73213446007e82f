#pragma once
// A kit for a table of history records (QHistoryChunk rows): a thumbnail
// column, an editable name, a new-item badge, a filter by file type and a
// tool tip describing the record. Model, delegate, sort model and view.

#include "library/qnameeditdelegate.h"
#include "widgetkit/views/qbasedetailsmodel.h"
#include "widgetkit/views/qjxbasesortmodel.h"
#include "widgetkit/views/qjxtableview.h"

#include <QImage>

#include <memory>

class QHistoryChunk;

// Role of column 0: the row's new-item flag.
constexpr int kHistoryNewRole = Qt::UserRole;

class QHistorModel : public QBaseDetailsModel
{
    Q_OBJECT
public:
    explicit QHistorModel(QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // A name typed in column 1 is reported, not stored: the owner renames.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

signals:
    void emitChangeName(QModelIndex index, QString text);
};

class QHistoryDelegate : public QNameEditDelegate
{
    Q_OBJECT
public:
    explicit QHistoryDelegate(QObject *parent = nullptr);

    // Pictures at double resolution; a missing file leaves the picture unset.
    void setItemBgImage(const QString &path);
    void setItemNewAddImage(const QString &path);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

protected:
    void drawBottomLine(QPainter *painter, const QStyleOptionViewItem &option,
                        const QModelIndex &index) const override;
    void drawControl(QPainter *painter, const QStyleOptionViewItem &option,
                     const QModelIndex &index) const override;

private:
    static std::unique_ptr<QImage> loadImage(const QString &path);

    std::unique_ptr<QImage> m_itemBgImage;
    std::unique_ptr<QImage> m_newAddImage;
};

class QHistorySortModel : public QJXBaseSortModel
{
    Q_OBJECT
public:
    enum FileType { FileTypeVideo = 1, FileTypeAudio = 2, FileTypeAll = 3 };

    explicit QHistorySortModel(QObject *parent = nullptr);

    void setFilterFileType(FileType type);
    FileType getFilterFileType() const { return m_fileType; }

    Qt::ItemFlags flags(const QModelIndex &index) const override;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    FileType m_fileType = FileTypeAll;
};

class QTableViewEx : public QJXTableView
{
    Q_OBJECT
public:
    explicit QTableViewEx(QWidget *parent = nullptr);

    void setSortModel(QJXBaseSortModel *model);
    // Global position of the centre of the cell.
    QPoint getIndexPoint(const QModelIndex &index) const;
    // The record's description for the name column; action names for the others.
    static QString describe(QHistoryChunk *row);

public slots:
    QString showToolTipText(const QModelIndex &index) override;

private:
    QJXBaseSortModel *m_sortModel = nullptr;
};
