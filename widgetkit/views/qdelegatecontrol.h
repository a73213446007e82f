#pragma once
// One column's group of in-cell controls. The widgets are shared by every row;
// the delegate positions and paints them per cell. Owned by the screen.

#include <QList>
#include <Qt>

class QWidget;
class QJXStyleButton;
class QJXStyleProgress;

class QDelegateControl
{
public:
    explicit QDelegateControl(int column);

    bool addButton(QJXStyleButton *button);
    bool addProgress(QJXStyleProgress *progress);
    // Call after resizing a widget that was already added.
    void refreshAllWidgetWidth();

    int column() const { return m_column; }
    const QList<QWidget *> &getDrawWidgetList() const { return m_widgets; }
    int count() const { return m_widgets.size(); }
    QWidget *widgetFromIndex(int index) const { return m_widgets.value(index); }
    int allWidgetWidth() const { return m_allWidgetWidth; }

    void setDrawAlignment(Qt::Alignment alignment) { m_alignment = alignment; }
    Qt::Alignment drawAlignment() const { return m_alignment; }
    void setDrawSpacing(int spacing) { m_spacing = spacing; }
    int drawSpacing() const { return m_spacing; }
    void setDrawWidth(int width) { m_drawWidth = width; }
    int drawWidth() const { return m_drawWidth; }
    void setDrawHeight(int height) { m_drawHeight = height; }
    int drawHeight() const { return m_drawHeight; }
    // Drawn only on the hover row.
    void setHoverShow(bool hoverOnly) { m_hoverShow = hoverOnly; }
    bool hoverShow() const { return m_hoverShow; }
    // The delegate leaves a custom-drawn group to its subclass.
    void setCustomDraw(bool custom) { m_customDraw = custom; }
    bool customDraw() const { return m_customDraw; }

private:
    bool addWidget(QWidget *widget);

    QList<QWidget *> m_widgets;
    int m_column;
    Qt::Alignment m_alignment = Qt::AlignCenter;
    int m_spacing = 0;
    int m_drawWidth = 0;
    int m_drawHeight = 0;
    int m_allWidgetWidth = 0;
    bool m_hoverShow = true;
    bool m_customDraw = false;
};
