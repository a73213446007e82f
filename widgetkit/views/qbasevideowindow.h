#pragma once
// Black box of the minimal player that letter-boxes its frame display by the
// video's proportions.

#include <QColor>
#include <QWidget>

class QJXVideoShowWidget;

class QBaseVideoWindow : public QWidget
{
    Q_OBJECT
public:
    explicit QBaseVideoWindow(QWidget *parent = nullptr);

    // Ignored unless both are at least 1.
    void setVideoSize(int width, int height);
    WId getWId() const;
    QRect getVideoViewRect() const;
    void setBgColor(const QColor &color);
    void resetOpenGl();
    void SetOpenGl(bool) {}
    QJXVideoShowWidget *videoView() const { return m_view; }

    // Any thread: handed to the frame display, which copies the pixels.
    virtual void showImage(const unsigned char *pixels, unsigned int width, unsigned int height,
                           unsigned int stride);
    virtual void showYUVImage(const unsigned char *const *planes, int width, int height,
                              const int *strides);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitVideo();

    int m_videoWidth = 1;
    int m_videoHeight = 1;
    QJXVideoShowWidget *m_view = nullptr;
    QColor m_background = QColor(0, 0, 0);
};
