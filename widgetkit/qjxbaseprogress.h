#pragma once
// Drawn progress indicator: horizontal or vertical bar from a track and a
// fill picture (or palette colours), or a round ring, pie or arc.

#include <QColor>
#include <QPair>
#include <QVector>
#include <QPainterPath>
#include <QWidget>

#include <functional>

class QPainter;
class QImage;

class QJXBaseProgress : public QWidget
{
    Q_OBJECT
public:
    enum ProgressPolicy { HorizontalBar = 1, VerticalBar = 2, RoundBar = 3 };
    enum BarStyle { StyleRing = 0, StylePie = 1, StyleLine = 2 };
    using DataColors = QVector<QPair<double, QColor>>;

    explicit QJXBaseProgress(QWidget *parent = nullptr);
    ~QJXBaseProgress() override;

    void setProgressPolicy(ProgressPolicy policy);
    ProgressPolicy progressPolicy() const;
    void setBarStyle(BarStyle style);
    BarStyle barStyle() const;

    bool setBottomImage(QString path);
    bool setTopImage(QString path);

    double value() const;
    double minimum() const;
    double maximum() const;

    void setFormat(const QString &format);
    void resetFormat();
    QString format() const;
    QString getFormatValue() const;
    void setTextAlignment(int alignment);
    void setTextOffset(float x, float y);
    void setDecimals(int decimals);
    int decimals() const;

    void setCircle(bool on);
    void setCircleLenght(int length);
    // Track offsets along the bar: start and end margin.
    void setOffset(int topLeft, int rightBottom);
    int getTLOffset() const;
    int getRBOffset() const;

    void setOutlinePenWidth(double width);
    double outlinePenWidth() const;
    void setDataPenWidth(double width);
    double dataPenWidth() const;
    void setNullPosition(double degrees);
    double nullPosition() const;
    void setDataColors(const DataColors &stops);
    // Coalesces value repaints to at most one per interval (0 = every change).
    void setUpdateInterval(int ms);
    // The throttle's milliseconds clock (a steady one by default); tests drive it.
    void setThrottleClock(std::function<qint64()> msecs);

    // Filled fraction of the range, 0 for an empty range.
    double fraction() const;
    // The filled part of a bar as a path (empty for the round style): a
    // rounded rectangle from the track's start, or for a fill shorter than
    // both caps the track's two rounded ends, each cut to half the fill.
    QPainterPath getProPath();

signals:
    void valueChanged(double value);

public slots:
    void setRange(double minimum, double maximum);
    void setMinimum(double minimum);
    void setMaximum(double maximum);
    void setValue(double value);
    void setValue(int value);
    void UpdateTime();

protected:
    void paintEvent(QPaintEvent *event) override;

    virtual void DrawBackground(QPainter &painter);
    virtual void DrawBottomImage(QPainter &painter, int r);
    virtual void DrawTopImage(QPainter &painter, QImage &image, int r);
    virtual void DrawProgress(QPainter &painter);
    virtual void DrawProgressText(QPainter &painter);
    virtual QString valueToText(double value) const;
    virtual void valueFormatChanged();
    virtual void drawBase(QPainter &painter, const QRectF &rect);
    virtual void drawRoundValue(QPainter &painter, const QRectF &rect, double value, double arc);
    virtual void calculateInnerRect(const QRectF &outer, double outerRadius, QRectF &inner,
                                    double &innerRadius);
    virtual void drawInnerBackground(QPainter &painter, const QRectF &inner);

    double span() const;
    int capRadius();
    QRect getBgRect() const;
    int lengthAlongBar() const;

private:
    void rebuildDataBrushIfNeeded();
    void DrawCircleImage(QPainter &painter, QImage &image, const QRect &rect, bool top, int r);
    void requestRepaint();

    struct Data;
    Data *d;
};
