#pragma once
// Dashed rectangle with eight handles (and an optional centre mark) drawn over
// a preview picture to show a crop or watermark area. It appears about 100 ms
// after it is shown, so that it never flashes at a stale place while the
// picture under it is still being laid out.

#include <QImage>
#include <QTimer>
#include <QWidget>

class QMediaDashedFrame : public QWidget
{
    Q_OBJECT
public:
    explicit QMediaDashedFrame(QWidget *parent = nullptr);

    // Handle picture (ratio 2): 6 × 6 handles at its corners and edge middles,
    // a 16 × 16 mark at its centre.
    void setImage(const QString &path);
    void showCenterImage(bool show);
    void setVisible(bool visible) override;

    int paintCount() const { return m_paintCount; }

private slots:
    void UpdateTimer();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void drawFrame(class QPainter &p);

    QImage m_image;
    bool m_showCenter = true;
    int m_paintCount = 0;
    QTimer m_timer;
};
