#pragma once
// An in-cell image button. One object serves every row of a list: the delegate
// places it in each cell and paints it through its style; it is never shown
// as a widget of its own.

#include <QImage>
#include <QModelIndex>
#include <QPushButton>

class QDelegateStyleWidget;

class QJXStyleButton : public QPushButton
{
    Q_OBJECT
public:
    explicit QJXStyleButton(QWidget *parent = nullptr);
    ~QJXStyleButton() override;

    // A four-frame strip at ratio 2, and the strip used on the selected row
    // (the normal one when that file is missing). Sizes the button to one
    // frame. False, with nothing changed, when the normal file is missing.
    bool setButtonImage(const QString &normalPath, const QString &selectedPath = QString(),
                        bool grid = false);
    void SetBgSelected(bool selected);
    QDelegateStyleWidget *delegateStyle() const { return m_style; }
    QImage normalImage() const { return m_normalImage; }
    QImage selectedImage() const { return m_selectedImage; }

    // 0 normal, 1 mouse over, 2 pressed; shared by every row.
    void setBtnState(int state) { m_state = state; }
    int getBtnState() const { return m_state; }
    // A button that is not shown is neither drawn nor clicked on any row.
    void setShow(bool show) { m_show = show; }
    bool isShow() const { return m_show; }
    void setColumn(int column) { m_column = column; }
    int getColumn() const { return m_column; }
    // Place inside a tile, for the icon delegate.
    void setPos(const QPoint &pos) { m_pos = pos; }
    QPoint getPos() const { return m_pos; }

    void clickWidgt(const QModelIndex &index);
    // Paints the button into a cell: the selected row's strip when selected;
    // the disabled frame when not enabled; otherwise hover or pressed by the
    // shared button state while the mouse point lies inside the rectangle.
    void drawInCell(QPainter *painter, const QRect &rect, bool selected, bool enabled,
                    const QPoint &mousePoint);

signals:
    void emitClickIndex(const QModelIndex &index);

private:
    int m_column = -1;
    QDelegateStyleWidget *m_style;
    QImage m_normalImage;
    QImage m_selectedImage;
    bool m_show = true;
    int m_state = 0;
    QPoint m_pos;
};
