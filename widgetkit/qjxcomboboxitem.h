#pragma once
// One drawn row of the combo box pop-up, and the look shared by all rows.

#include "widgetkit/qjxbaserectimagedraw.h"

#include <QColor>
#include <QPoint>
#include <QPointer>
#include <QWidget>

class QListWidgetItem;

struct QComboBoxItemAttribute
{
    QColor bgColor = QColor(255, 255, 255);
    QColor hoverColor = QColor(229, 243, 255);
    QColor selectedColor = QColor(205, 232, 255);
    int extraValue = -1;
    QColor extraColor = QColor(0, 0, 0);
    int spacing = 0;
    QColor spacingColor = QColor(0, 0, 0);
    int alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool hoverColorSet = false;
    QPoint widgetPos = QPoint(-1, -1);
    QColor separatorColor = QColor(0, 0, 0);
};

class QJXComboBoxItem : public QWidget, public QJXBaseRectImageDraw
{
    Q_OBJECT
public:
    QJXComboBoxItem(QWidget *parent, QListWidgetItem *item);
    ~QJXComboBoxItem() override;

    void setItemAttribute(QComboBoxItemAttribute attribute);
    QComboBoxItemAttribute itemAttribute() const;
    int calcItemWidth(QString text, QFont font) const;
    void setWidgtPos(QPoint pos);
    void setWidgt(QWidget *widget);
    QWidget *getWidgt() const;
    int index() const;
    QListWidgetItem *listItem() const;
    void setSeparatorHeight(int height);
    int separatorHeight() const;
    bool isHovered() const;

    void drawBackgroundColor(QPainter &painter);
    void drawSpacing(QPainter &painter);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void placeWidget();

    QListWidgetItem *m_item = nullptr;
    QComboBoxItemAttribute *m_attribute;
    bool m_hovered = false;
    QPointer<QWidget> m_widget;
    int m_separatorHeight = 0;
};
