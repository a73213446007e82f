#pragma once
// Table header drawn from pictures, with a check box in one section whose
// state the screen keeps in step with the rows' check summary, and columns
// that can be kept from sorting.

#include <QHeaderView>
#include <QList>

class QJXCheckBox;
class QPixmap;

class QCheckHeaderView : public QHeaderView
{
    Q_OBJECT
public:
    explicit QCheckHeaderView(Qt::Orientation orientation, QWidget *parent = nullptr);
    ~QCheckHeaderView() override;

    // Each returns whether the picture loaded; a missing one leaves the
    // header drawn by the base class (background) or without that part.
    bool setBackgroundImage(const QString &path);
    bool setSlipImage(const QString &path);
    bool setSelBackgroundImage(const QString &path);
    // The ascending-order picture; the descending one is it flipped.
    bool setOrderFlagsImage(const QString &path);
    void setTextColor(const QColor &color) { m_textColor = color; }
    QColor getTextColor() const { return m_textColor; }

    // x from the section's left, y from the top (-1 centres the box).
    void setCheckPos(int x, int y);
    void setCheckInColumn(int column);
    int checkInColumn() const { return m_checkColumn; }
    void setOrderRightWidth(int width) { m_orderRightMargin = width; }
    // Width a section needs to show its whole text (and the check box of
    // its column): the 10 px bands either side hold the sort arrow.
    int sectionTextWidth(int logicalIndex) const;
    void setCheckVisable(bool visible);
    bool getCheckVisable() const;
    void setCheckboxEnable(bool enabled);
    bool checkboxEnable() const;
    void setTristate(bool tristate);
    bool isTristate() const;
    void setCheckState(Qt::CheckState state);
    Qt::CheckState getCheckState() const;
    void setCheckImage(const QString &unchecked, const QString &checked, const QString &partial);
    QJXCheckBox *checkBox() const { return m_checkBox; }

    void setSortEnable(int column, bool on);
    bool sortEnable(int column) const;

signals:
    void checkChange(bool checked);

public slots:
    // Takes the summary states of the models: 0 none, 1 some, 2 all checked.
    void OnStateChanged(int state);
    void OnClickCheckBox();

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool loadPixmap(QPixmap *&target, const QString &path);
    void updateClickable(const QPoint &pos);
    void placeCheckBox(const QRect &section) const;

    QPixmap *m_background = nullptr;
    QPixmap *m_separator = nullptr;
    QPixmap *m_selectedBackground = nullptr;
    QPixmap *m_orderAscending = nullptr;
    QPixmap *m_orderDescending = nullptr;
    QColor m_textColor{0, 0, 0};
    QJXCheckBox *m_checkBox;
    QPoint m_checkPos{5, -1};
    int m_checkColumn = 0;
    int m_pressedSection = -1;
    QList<int> m_unsortedColumns;
    int m_orderRightMargin = 3;
};
