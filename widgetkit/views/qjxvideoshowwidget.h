#pragma once
// OpenGL frame display. Decoded frames (packed 32-bit colour or planar YUV
// 4:2:0) arrive from any thread, are copied into a queue and drawn on the GUI
// thread through queued signals; planar frames are converted to colour by the
// fragment shader. The picture fills the view; the container letter-boxes it.

#include "widgetkit/views/qjxvideoframequeue.h"
#include "widgetkit/views/qjxvideotexturesize.h"

#include <QColor>
#include <QOpenGLFunctions>
#include <QOpenGLWidget>

class QOpenGLShaderProgram;

class QJXVideoShowWidget : public QOpenGLWidget, protected QOpenGLFunctions
{
    Q_OBJECT
public:
    explicit QJXVideoShowWidget(QWidget *parent = nullptr);
    ~QJXVideoShowWidget() override;

    // Any thread; the pixels are copied before returning. Null data clears
    // the picture. Stride 0 means rows of width × 4 bytes. False when the
    // frame was dropped because nine wait already.
    bool showImage(const unsigned char *pixels, unsigned int width, unsigned int height,
                   unsigned int stride);
    // Any thread; three planes Y, U, V with their strides. Null planes clear.
    bool showYUVImage(const unsigned char *const *planes, int width, int height,
                      const int *strides);

    void setBackgroundColor(const QColor &color);
    // Frees every GL object and every queued frame.
    void reset();
    // Repaints follow the frame queue; switching them off is not offered.
    void setUpdatesEnabled(bool) {}

    int pendingFrames() const { return m_queue.pending(); }
    // Size of the picture being shown (0 × 0 when none) and of its texture.
    QSize frameSize() const { return QSize(m_frameWidth, m_frameHeight); }
    QJXVideoTextureSize textureSize() const { return m_texture; }

signals:
    void emitDrawImageData();
    void emitDrawYUVImageData();

public slots:
    void drawImageData();
    void drawYUVImageData();

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;

private:
    void drawNextFrame();
    void uploadPacked(const QJXVideoFrame &frame);
    void uploadPlanar(const QJXVideoFrame &frame);
    QOpenGLShaderProgram *buildProgram(const char *fragmentSource);
    GLuint makeTexture(int width, int height, GLenum format, int fill);
    void releaseGL();

    GLuint m_packedTexture = 0;
    GLuint m_planeTextures[3] = {0, 0, 0};
    QOpenGLShaderProgram *m_packedProgram = nullptr;
    QOpenGLShaderProgram *m_planarProgram = nullptr;
    bool m_planarProgramFailed = false;
    QJXVideoFrame::Kind m_kind = QJXVideoFrame::Packed;
    int m_frameWidth = 0;
    int m_frameHeight = 0;
    QJXVideoTextureSize m_texture;
    QJXVideoFrameQueue m_queue;
    QColor m_clearColor = QColor(0, 0, 0);
    QMetaObject::Connection m_contextGone;
};
