#pragma once
// Level bar of equal segments ("lumps"): unlit lumps with as many lit ones
// drawn over them as the value asks for.

#include <QColor>
#include <QImage>
#include <QWidget>

class QPainter;

class QLumpProgress : public QWidget
{
    Q_OBJECT
public:
    explicit QLumpProgress(QWidget *parent = nullptr);

    void setOrientation(Qt::Orientation orientation);
    Qt::Orientation orientation() const;
    void setBottomLumpColor(QColor color);
    void setTopLumpColor(QColor color);
    void setBottomImage(QString path);
    void setTopImage(QString path);
    void setLumpSpace(int space);
    void setRadius(int radius);
    int radius() const;
    int lumpSize() const;
    double value() const;

    // Number of lumps the bar holds, and of those lit at the current value.
    int lumpCount() const;
    int litCount() const;

public slots:
    void setValue(double value);
    // Percent, 0 to 100.
    void setValue(int percent);

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void initData();
    void paintHorizontal(QPainter &painter);
    void paintVertical(QPainter &painter);
    void drawLump(QPainter &painter, const QRect &rect, bool lit);
    bool hasPictures() const;

    Qt::Orientation m_orientation = Qt::Horizontal;
    QColor m_bottomColor = QColor(0, 0, 0);
    QColor m_topColor = QColor(255, 0, 0);
    double m_value = 0.0;
    int m_lumpSpace = 2;
    int m_lumpSize = 5;
    int m_radius = 0;
    QImage m_bottomImage;
    QImage m_topImage;
};
