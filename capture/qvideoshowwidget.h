#pragma once
// Hosts one frame view: the OpenGL frame display (packed and planar frames)
// or the bitmap view (packed frames only).

#include <QWidget>

class BitmapVideoView;
class QJXVideoShowWidget;

class QVideoShowWidget : public QWidget
{
    Q_OBJECT
public:
    explicit QVideoShowWidget(QWidget *parent = nullptr);

    // Replaces the hosted view: true the OpenGL display, false the bitmap view.
    void SetOpenGl(bool openGl);
    bool isOpenGl() const { return m_openGl; }
    void reshape();

    // Any thread; false when the frame was dropped. The bitmap view takes no
    // planar frames and refuses them.
    bool showImage(const unsigned char *pixels, unsigned int width, unsigned int height,
                   unsigned int stride);
    bool showYUVImage(const unsigned char *const planes[3], int width, int height,
                      const int strides[3]);

    QJXVideoShowWidget *openGlView() const { return m_glView; }
    BitmapVideoView *bitmapView() const { return m_bitmapView; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    bool m_openGl = true;
    QJXVideoShowWidget *m_glView = nullptr;
    BitmapVideoView *m_bitmapView = nullptr;
};
