#pragma once
// Delegate of every table: selected-row colours, a line under each row, an
// image check box in one column, and groups of in-cell buttons that it places,
// paints and turns mouse events into clicks for.

#include "widgetkit/views/qdelegatecheckimages.h"

#include <QImage>
#include <QMap>
#include <QStyledItemDelegate>
#include <QVector>
#include <vector>

class IBaseChunk;
class QDelegateControl;
class QJXStyleButton;

class QJXBaseStyleDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit QJXBaseStyleDelegate(QObject *parent = nullptr);
    ~QJXBaseStyleDelegate() override;

    // Replaces an earlier group of the same column; null gives false.
    bool addButtonWidget(QDelegateControl *control);
    QDelegateControl *controlOfColumn(int column) const { return m_controls.value(column); }

    void setSelectedBackgroundColor(const QColor &color) { m_selectedBgColor = color; }
    QColor getSelectedBackgroundColor() const { return m_selectedBgColor; }
    void setSelectedTextColor(const QColor &color) { m_selectedTextColor = color; }
    QColor getSelectedTextColor() const { return m_selectedTextColor; }
    void setBottomLineColor(const QColor &color) { m_bottomLineColor = color; }
    void setDrawBottomLine(bool on) { m_drawBottomLine = on; }

    void setHoverRow(int row);
    int hoverRow() const { return m_hoverRow; }
    void setMouseState(int state) { m_mouseState = state; }
    int getMouseState() const { return m_mouseState; }
    void setMousePoint(const QPoint &point) { m_mousePoint = point; }
    QPoint getMousePoint() const { return m_mousePoint; }
    void setMouseInCtrlRect(bool inside) { m_mouseInCtrlRect = inside; }
    bool mouseInCtrlRect() const { return m_mouseInCtrlRect; }

    void setCheckInColumn(int column) { m_checkColumn = column; }
    // The column of recordings' names: a name too long keeps the end that
    // tells an edited copy apart (QUiAnyUtiliy::elideName); -1 for none.
    void setNameColumn(int column) { m_nameColumn = column; }
    int checkInColumn() const { return m_checkColumn; }
    void setCheckboxEnable(bool on) { m_checkboxEnabled = on; }
    bool checkboxEnable() const { return m_checkboxEnabled; }
    // Empty paths leave that picture absent; the box is half the checked
    // picture's pixel size.
    void setCheckboxImage(const QString &unchecked, const QString &partially, const QString &checked);
    QImage *unCheckedImage() const { return m_checkImages.unchecked(); }
    QImage *partiallyImage() const { return m_checkImages.partially(); }
    QImage *checkedImage() const { return m_checkImages.checked(); }
    void setCheckboxOffest(int all);
    void setCheckboxOffest(int left, int top, int right, int bottom);
    void getCheckboxOffest(int &left, int &top, int &right, int &bottom) const;
    // x from the cell's left (-1: 5), y from its top (-1: centred).
    void setCheckboxPos(const QPoint &pos) { m_checkPos = pos; }
    QPoint checkboxPos() const { return m_checkPos; }
    int checkboxWidth() const { return m_checkImages.boxSize().width(); }
    int checkboxHeight() const { return m_checkImages.boxSize().height(); }
    void setCheckTextSpacing(int spacing) { m_checkTextSpacing = spacing; }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

signals:
    // A click was released over a shown, enabled button of the row.
    void clickWidgt(const QModelIndex &index);
    // The user pressed the row's check box; the state it asks for (2 or 0).
    void emitCheckStateChange(const QModelIndex &index, int state);

protected:
    // The name column's text comes pre-fitted (QUiAnyUtiliy::elideName).
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
    // One control as placed in a cell.
    struct PlacedControl
    {
        QWidget *widget = nullptr;
        QRect rect;
        bool progress = false;
    };

    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;
    virtual bool editorControlEvent(QEvent *event, QAbstractItemModel *model,
                                    const QStyleOptionViewItem &option, const QModelIndex &index);
    virtual void drawBottomLine(QPainter *painter, const QStyleOptionViewItem &option,
                                const QModelIndex &index) const;
    virtual void drawControl(QPainter *painter, const QStyleOptionViewItem &option,
                             const QModelIndex &index) const;
    virtual void DrawCheckbox(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const;

    // The controls of the cell's group that are drawn and hit in this cell.
    virtual std::vector<PlacedControl> layoutControls(const QStyleOptionViewItem &option,
                                                  const QModelIndex &index) const;
    // Whether a control takes clicks and shows hover in this cell.
    virtual bool controlEnabled(const QModelIndex &index, QWidget *control) const;
    // The group of the cell's column, when it is drawn on this row.
    QDelegateControl *activeGroup(const QModelIndex &index) const;
    // Value shown by an in-cell progress bar in this cell.
    virtual int progressValue(const QModelIndex &index, QWidget *control) const;
    // Left edges of controls of the given widths, placed by the group's rules.
    static QVector<int> placeHorizontally(const QDelegateControl *group, int cellWidth,
                                          int groupWidth, const QVector<int> &widths);
    static IBaseChunk *itemOf(const QModelIndex &index);
    QRect checkboxRect(const QRect &cell) const;

private:
    QMap<int, QDelegateControl *> m_controls;
    QColor m_selectedBgColor{254, 202, 113};
    QColor m_selectedTextColor{38, 38, 38};
    QColor m_bottomLineColor{28, 28, 28};
    int m_hoverRow = -1;
    bool m_drawBottomLine = true;
    QPoint m_mousePoint;
    bool m_mouseInCtrlRect = false;
    int m_mouseState = 0;
    bool m_checkboxEnabled = true;
    int m_checkColumn = -1;
    int m_nameColumn = -1;
    QDelegateCheckImages m_checkImages;
    int m_checkOffsetLeft = 0;
    int m_checkOffsetTop = 0;
    int m_checkOffsetRight = 0;
    int m_checkOffsetBottom = 0;
    QPoint m_checkPos{5, -1};
    int m_checkTextSpacing = 5;
    // The button and cell of the last press: a click needs its release there.
    QWidget *m_pressedControl = nullptr;
    QPersistentModelIndex m_pressedIndex;
};
