#pragma once
// Delegate of the tile grids: a picture fitted into the tile in one of four
// modes, an overlay picture, a gradient band behind the caption, the caption,
// a check box and image buttons at fixed places in the tile.
//
// The picture comes from the model: a QImage in QJXItemRole::MemoryImage when
// the model keeps it in memory, otherwise the file path of role 1.

#include "widgetkit/views/qdelegatecheckimages.h"

#include <QFont>
#include <QMap>
#include <QMargins>
#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

class IBaseChunk;
class QDelegateControl;
class QJXStyleButton;

enum drawPhotoType {
    drawPhotoOriginal = 0, // own size at the top-left corner
    drawPhotoStretch = 1,  // stretched over the picture rectangle
    drawPhotoFit = 2,      // whole picture, aspect kept, centred
    drawPhotoFill = 3,     // fills the rectangle, aspect kept, middle cropped
};

class QBaseIconListDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit QBaseIconListDelegate(QObject *parent = nullptr);
    ~QBaseIconListDelegate() override;

    bool addButtonWidget(QDelegateControl *control);

    void setSelectedBackgroundColor(const QColor &color) { m_selectedBgColor = color; }
    void setImageMargins(int left, int top, int right, int bottom);
    void setImageMargins(const QMargins &margins) { m_imageMargins = margins; }
    QMargins ImageMargins() const { return m_imageMargins; }
    void setImageDrawType(int type) { m_drawType = type; }
    int getImageDrawType() const { return m_drawType; }
    void setFrameWidth(int width) { m_frameWidth = width; }
    int getFrameWidth() const { return m_frameWidth; }
    void setFrameColor(const QColor &color) { m_frameColor = color; }
    QColor getFrameColor() const { return m_frameColor; }
    void setHoverFrameWidth(int width) { m_hoverFrameWidth = width; }
    int getHoverFrameWidth() const { return m_hoverFrameWidth; }
    void setHoverFrameColor(const QColor &color) { m_hoverFrameColor = color; }
    QColor getHoverFrameColor() const { return m_hoverFrameColor; }
    void setImageBgColor(const QColor &color) { m_imageBgColor = color; }
    QColor getImageBgColor() const { return m_imageBgColor; }
    void setAlignment(Qt::Alignment alignment) { m_alignment = alignment; }
    void setTextElideMode(Qt::TextElideMode mode) { m_elideMode = mode; }
    Qt::TextElideMode textElideMode() const { return m_elideMode; }
    void setDrawTextMargins(int left, int top, int right, int bottom);
    void setDrawTextMargins(const QMargins &margins) { m_textMargins = margins; }
    QMargins drawTextMargins() const { return m_textMargins; }
    // No button is drawn or hit on any tile while set.
    void setHideCtrl(bool hide) { m_hideCtrl = hide; }
    bool isHideCtrl() const { return m_hideCtrl; }
    void setMouseInCtrlRect(bool inside) { m_mouseInCtrlRect = inside; }
    bool mouseInCtrlRect() const { return m_mouseInCtrlRect; }
    void setHoverRow(int row);
    int hoverRow() const { return m_hoverRow; }
    void setMouseState(int state) { m_mouseState = state; }
    int getMouseState() const { return m_mouseState; }
    void setMousePoint(const QPoint &point) { m_mousePoint = point; }
    QPoint getMousePoint() const { return m_mousePoint; }
    void setIndexPress(const QModelIndex &index) { m_pressedIndex = index; }
    QModelIndex getIndexPress() const { return m_pressedIndex; }
    void setCheckboxEnable(bool on) { m_checkboxEnabled = on; }
    bool checkboxEnable() const { return m_checkboxEnabled; }
    void setCheckboxImage(const QString &unchecked, const QString &partially, const QString &checked);
    QImage *unCheckedImage() const { return m_checkImages.unchecked(); }
    QImage *partiallyImage() const { return m_checkImages.partially(); }
    QImage *checkedImage() const { return m_checkImages.checked(); }
    void setCheckboxOffest(int all) { m_checkOffsets = QMargins(all, all, all, all); }
    void setCheckboxOffest(int left, int top, int right, int bottom);
    QMargins getCheckboxOffest() const { return m_checkOffsets; }
    void setCheckboxPos(const QPoint &pos) { m_checkPos = pos; }
    QPoint checkboxPos() const { return m_checkPos; }
    void setTextShadowRect(const QRect &rect) { m_shadowRect = rect; }
    QRect getTextShadowRect() const { return m_shadowRect; }
    void setShadowGradualColor(const QColor &first, const QColor &second, bool vertical = true);
    void setFont(const QFont &font) { m_font = font; }
    QFont getFont() const { return m_font; }
    void setSelectTextColor(const QColor &color) { m_selectTextColor = color; }
    QColor getSelectTextColor() const { return m_selectTextColor; }

    // The row background the model gives the tile; invalid for no index.
    virtual QColor itemBgColor(const QModelIndex &index) const;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

    // The picture a tile shows: the in-memory image, else the file of role 1.
    static QImage tileImage(const QModelIndex &index);
    // Where the fitting mode draws a picture of the given pixel size, and
    // which part of it (in pixels); an empty target draws nothing.
    static void fitImage(int drawType, const QSize &imagePixels, const QRect &target,
                         QRect *drawRect, QRect *sourceRect);

signals:
    void emitPaintIndex(const QModelIndex &index) const;
    void clickWidgt(const QModelIndex &index);
    void emitCheckStateChange(const QModelIndex &index, int state);

protected:
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;
    virtual void drawImage(QPainter *painter, const QStyleOptionViewItem &option,
                           const QModelIndex &index) const;
    virtual void DrawBackground(QPainter *painter, const QStyleOptionViewItem &option,
                                const QModelIndex &index) const;
    virtual void DrawTextShadow(QPainter *painter, const QStyleOptionViewItem &option,
                                const QModelIndex &index) const;
    virtual void drawItemText(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const;
    virtual void drawControl(QPainter *painter, const QStyleOptionViewItem &option,
                             const QModelIndex &index) const;
    virtual void DrawCheckbox(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const;
    virtual bool editorControlEvent(QEvent *event, QAbstractItemModel *model,
                                    const QStyleOptionViewItem &option, const QModelIndex &index);

    // The tile's button group when its buttons are drawn and hit.
    QDelegateControl *activeGroup(const QModelIndex &index) const;
    static IBaseChunk *itemOf(const QModelIndex &index);
    QRect checkboxRect(const QRect &tile) const;

private:
    QMap<int, QDelegateControl *> m_controls;
    QColor m_selectedBgColor{135, 135, 135};
    int m_hoverRow = -1;
    QPoint m_mousePoint;
    bool m_mouseInCtrlRect = false;
    bool m_hideCtrl = false;
    QMargins m_imageMargins;
    int m_drawType = drawPhotoFit;
    int m_frameWidth = 0;
    QColor m_frameColor{0, 0, 255};
    int m_hoverFrameWidth = 0;
    QColor m_hoverFrameColor{0, 0, 255};
    QFont m_font;
    QColor m_selectTextColor{255, 255, 255};
    QMargins m_textMargins{1, 1, 1, 1};
    Qt::Alignment m_alignment = Qt::AlignCenter;
    Qt::TextElideMode m_elideMode = Qt::ElideRight;
    bool m_checkboxEnabled = true;
    QDelegateCheckImages m_checkImages;
    QPoint m_checkPos{5, -1};
    QMargins m_checkOffsets;
    QColor m_imageBgColor{0, 0, 0};
    QRect m_shadowRect;
    QColor m_shadowFirst{0, 0, 0, 0};
    QColor m_shadowSecond{0, 0, 0};
    bool m_shadowVertical = true;
    QPersistentModelIndex m_pressedIndex;
    QJXStyleButton *m_pressedButton = nullptr;
    int m_mouseState = 0;
};
