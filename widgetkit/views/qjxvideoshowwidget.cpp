#include "widgetkit/views/qjxvideoshowwidget.h"

#include "widgetkit/views/qjxglwindow.h"
#include "widgetkit/views/viewslog.h"

#include <QOpenGLContext>
#include <QOpenGLShaderProgram>
#include <QVector2D>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const char *const kVertexShader = R"(
attribute vec4 vPosition;
attribute vec2 a_texCoord;
varying vec2 tc;
void main()
{
    gl_Position = vPosition;
    tc = a_texCoord;
}
)";

// BT.601 studio range to full-range RGB. Samples stop at the centre of the
// picture's last texel, so that the texture beyond it never bleeds in.
const char *const kPlanarShader = R"(
#ifdef GL_ES
precision mediump float;
#endif
varying vec2 tc;
uniform sampler2D SamplerY;
uniform sampler2D SamplerU;
uniform sampler2D SamplerV;
uniform vec2 LumaMax;
uniform vec2 ChromaMax;
void main()
{
    vec2 c = min(tc, ChromaMax);
    float y = texture2D(SamplerY, min(tc, LumaMax)).r - 0.0625;
    float u = texture2D(SamplerU, c).r - 0.5;
    float v = texture2D(SamplerV, c).r - 0.5;
    gl_FragColor = vec4(1.164 * y + 1.596 * v,
                        1.164 * y - 0.392 * u - 0.813 * v,
                        1.164 * y + 2.017 * u,
                        1.0);
}
)";

// Packed frames are uploaded byte for byte; their blue comes first.
const char *const kPackedShader = R"(
#ifdef GL_ES
precision mediump float;
#endif
varying vec2 tc;
uniform sampler2D SamplerRGB;
uniform vec2 RgbMax;
void main()
{
    vec4 c = texture2D(SamplerRGB, min(tc, RgbMax));
    gl_FragColor = vec4(c.b, c.g, c.r, 1.0);
}
)";

constexpr GLuint kPositionAttribute = 0;
constexpr GLuint kTexCoordAttribute = 1;

// Texture coordinate of the centre of a picture's last column and row.
QVector2D lastTexelCentre(int width, int height, int textureWidth, int textureHeight)
{
    return QVector2D((float(width) - 0.5f) / float(textureWidth),
                     (float(height) - 0.5f) / float(textureHeight));
}

} // namespace

QJXVideoShowWidget::QJXVideoShowWidget(QWidget *parent) : QOpenGLWidget(parent)
{
    // Containers ask before making the view, while nothing is half made.
    if (parent)
        QJXGlWindow::prepare(this);
    setMouseTracking(true);
    connect(this, &QJXVideoShowWidget::emitDrawImageData, this, &QJXVideoShowWidget::drawImageData);
    connect(this, &QJXVideoShowWidget::emitDrawYUVImageData, this,
            &QJXVideoShowWidget::drawYUVImageData);
}

QJXVideoShowWidget::~QJXVideoShowWidget()
{
    disconnect(m_contextGone);
    reset();
}

bool QJXVideoShowWidget::showImage(const unsigned char *pixels, unsigned int width,
                                   unsigned int height, unsigned int stride)
{
    if (pixels && stride == 0)
        stride = width * 4;
    if (!m_queue.pushPacked(pixels, width, height, stride)) {
        std::fputs("showImage too slow...\n", stdout);
        std::fflush(stdout);
        return false;
    }
    emit emitDrawImageData();
    return true;
}

bool QJXVideoShowWidget::showYUVImage(const unsigned char *const *planes, int width, int height,
                                      const int *strides)
{
    static const int kNoStrides[3] = {0, 0, 0};
    if (!m_queue.pushPlanar(planes, width, height, strides ? strides : kNoStrides)) {
        std::fputs("showYUVImage too slow...\n", stdout);
        std::fflush(stdout);
        return false;
    }
    emit emitDrawYUVImageData();
    return true;
}

void QJXVideoShowWidget::setBackgroundColor(const QColor &color)
{
    m_clearColor = color;
    update();
}

void QJXVideoShowWidget::drawImageData()
{
    drawNextFrame();
}

void QJXVideoShowWidget::drawYUVImageData()
{
    drawNextFrame();
}

void QJXVideoShowWidget::drawNextFrame()
{
    std::unique_ptr<QJXVideoFrame> frame = m_queue.takeOldest();
    if (!frame)
        return;
    if (!context() || !isValid()) {
        m_queue.done();
        return;
    }
    makeCurrent();
    if (frame->empty) {
        m_frameWidth = m_frameHeight = 0;
        m_texture = QJXVideoTextureSize();
    } else if (frame->kind == QJXVideoFrame::Packed) {
        uploadPacked(*frame);
    } else {
        uploadPlanar(*frame);
    }
    doneCurrent();
    m_queue.done();
    update();
}

GLuint QJXVideoShowWidget::makeTexture(int width, int height, GLenum format, int fill)
{
    GLuint id = 0;
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    const int bytesPerTexel = format == GL_RGBA ? 4 : 1;
    std::vector<uint8_t> initial(size_t(width) * size_t(height) * size_t(bytesPerTexel),
                                 uint8_t(fill));
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GLint(format), width, height, 0, format, GL_UNSIGNED_BYTE,
                 initial.data());
    return id;
}

void QJXVideoShowWidget::uploadPacked(const QJXVideoFrame &frame)
{
    const int texels = frame.strides[0] / 4;
    if (!m_packedTexture || m_kind != QJXVideoFrame::Packed || frame.width != m_frameWidth
        || frame.height != m_frameHeight || m_texture.width < texels) {
        if (m_packedTexture)
            glDeleteTextures(1, &m_packedTexture);
        m_texture = QJXVideoTextureSize::packed(frame.width, frame.height, frame.strides[0]);
        m_packedTexture = makeTexture(m_texture.width, m_texture.height, GL_RGBA, 0);
    }
    m_kind = QJXVideoFrame::Packed;
    m_frameWidth = frame.width;
    m_frameHeight = frame.height;

    const uint8_t *pixels = frame.planes[0].data();
    std::vector<uint8_t> packed;
    if (frame.strides[0] % 4) {
        // Rows must be whole texels for the upload.
        packed.resize(size_t(texels) * 4 * size_t(frame.height));
        for (int r = 0; r < frame.height; ++r)
            std::memcpy(packed.data() + size_t(r) * size_t(texels) * 4,
                        pixels + size_t(r) * size_t(frame.strides[0]), size_t(texels) * 4);
        pixels = packed.data();
    }
    glBindTexture(GL_TEXTURE_2D, m_packedTexture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, texels, frame.height, GL_RGBA, GL_UNSIGNED_BYTE,
                    pixels);
}

void QJXVideoShowWidget::uploadPlanar(const QJXVideoFrame &frame)
{
    if (!m_planarProgram && !m_planarProgramFailed) {
        m_planarProgram = buildProgram(kPlanarShader);
        m_planarProgramFailed = !m_planarProgram;
    }
    const int *strides = frame.strides;
    const bool tooNarrow = m_texture.width < strides[0]
                           || m_texture.width / 2 < strides[1] || m_texture.width / 2 < strides[2];
    if (!m_planeTextures[0] || m_kind != QJXVideoFrame::Planar || frame.width != m_frameWidth
        || frame.height != m_frameHeight || tooNarrow) {
        if (m_planeTextures[0])
            glDeleteTextures(3, m_planeTextures);
        m_texture = QJXVideoTextureSize::planar(frame.width, frame.height, strides);
        // Black until the first upload: luma 16, neutral chroma 128.
        m_planeTextures[0] = makeTexture(m_texture.width, m_texture.height, GL_LUMINANCE, 16);
        m_planeTextures[1] =
            makeTexture(m_texture.width / 2, m_texture.height / 2, GL_LUMINANCE, 128);
        m_planeTextures[2] =
            makeTexture(m_texture.width / 2, m_texture.height / 2, GL_LUMINANCE, 128);
    }
    m_kind = QJXVideoFrame::Planar;
    m_frameWidth = frame.width;
    m_frameHeight = frame.height;

    const int rows = frame.rows();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (int c = 0; c < 3; ++c) {
        glActiveTexture(GL_TEXTURE0 + GLenum(c));
        glBindTexture(GL_TEXTURE_2D, m_planeTextures[c]);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, strides[c], c == 0 ? rows : rows / 2,
                        GL_LUMINANCE, GL_UNSIGNED_BYTE, frame.planes[c].data());
    }
    glActiveTexture(GL_TEXTURE0);
}

QOpenGLShaderProgram *QJXVideoShowWidget::buildProgram(const char *fragmentSource)
{
    auto *program = new QOpenGLShaderProgram;
    const bool ok = program->addShaderFromSourceCode(QOpenGLShader::Vertex, kVertexShader)
                    && program->addShaderFromSourceCode(QOpenGLShader::Fragment, fragmentSource);
    if (ok) {
        program->bindAttributeLocation("vPosition", kPositionAttribute);
        program->bindAttributeLocation("a_texCoord", kTexCoordAttribute);
    }
    if (!ok || !program->link()) {
        qCWarning(lcViews, "Frame display: shader program not built: %s", qPrintable(program->log()));
        delete program;
        return nullptr;
    }
    return program;
}

void QJXVideoShowWidget::initializeGL()
{
    initializeOpenGLFunctions();
    disconnect(m_contextGone);
    m_contextGone = connect(context(), &QOpenGLContext::aboutToBeDestroyed, this,
                            [this] { releaseGL(); });
}

void QJXVideoShowWidget::resizeGL(int w, int h)
{
    glViewport(0, 0, w, h);
}

void QJXVideoShowWidget::paintGL()
{
    glClearColor(m_clearColor.redF(), m_clearColor.greenF(), m_clearColor.blueF(), 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    if (!m_frameWidth || !m_frameHeight) {
        glFlush();
        return;
    }
    const float s = m_texture.s, t = m_texture.t;
    QOpenGLShaderProgram *program = nullptr;
    GLenum mode = GL_TRIANGLE_STRIP;
    GLfloat positions[8];
    GLfloat coords[8];
    if (m_kind == QJXVideoFrame::Packed && m_packedTexture) {
        if (!m_packedProgram)
            m_packedProgram = buildProgram(kPackedShader);
        program = m_packedProgram;
        const GLfloat pos[8] = {-1, 1, -1, -1, 1, -1, 1, 1};
        const GLfloat tex[8] = {0, 0, 0, t, s, t, s, 0};
        std::memcpy(positions, pos, sizeof pos);
        std::memcpy(coords, tex, sizeof tex);
        mode = GL_TRIANGLE_FAN;
        if (program) {
            program->bind();
            glActiveTexture(GL_TEXTURE0);
            glBindTexture(GL_TEXTURE_2D, m_packedTexture);
            program->setUniformValue("SamplerRGB", 0);
            program->setUniformValue("RgbMax", lastTexelCentre(m_frameWidth, m_frameHeight,
                                                               m_texture.width, m_texture.height));
        }
    } else if (m_kind == QJXVideoFrame::Planar && m_planarProgram) {
        program = m_planarProgram;
        const GLfloat pos[8] = {-1, -1, 1, -1, -1, 1, 1, 1};
        const GLfloat tex[8] = {0, t, s, t, 0, 0, s, 0};
        std::memcpy(positions, pos, sizeof pos);
        std::memcpy(coords, tex, sizeof tex);
        program->bind();
        const char *const samplers[3] = {"SamplerY", "SamplerU", "SamplerV"};
        for (int c = 0; c < 3; ++c) {
            glActiveTexture(GL_TEXTURE0 + GLenum(c));
            glBindTexture(GL_TEXTURE_2D, m_planeTextures[c]);
            program->setUniformValue(samplers[c], c);
        }
        program->setUniformValue("LumaMax", lastTexelCentre(m_frameWidth, m_frameHeight,
                                                            m_texture.width, m_texture.height));
        program->setUniformValue("ChromaMax",
                                 lastTexelCentre((m_frameWidth + 1) / 2, (m_frameHeight + 1) / 2,
                                                 m_texture.width / 2, m_texture.height / 2));
    }
    if (program) {
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glVertexAttribPointer(kPositionAttribute, 2, GL_FLOAT, GL_FALSE, 0, positions);
        glVertexAttribPointer(kTexCoordAttribute, 2, GL_FLOAT, GL_FALSE, 0, coords);
        glEnableVertexAttribArray(kPositionAttribute);
        glEnableVertexAttribArray(kTexCoordAttribute);
        glDrawArrays(mode, 0, 4);
        glDisableVertexAttribArray(kPositionAttribute);
        glDisableVertexAttribArray(kTexCoordAttribute);
        program->release();
        glActiveTexture(GL_TEXTURE0);
    }
    glFlush();
}

void QJXVideoShowWidget::releaseGL()
{
    if (!context())
        return;
    makeCurrent();
    if (m_packedTexture)
        glDeleteTextures(1, &m_packedTexture);
    if (m_planeTextures[0])
        glDeleteTextures(3, m_planeTextures);
    m_packedTexture = 0;
    m_planeTextures[0] = m_planeTextures[1] = m_planeTextures[2] = 0;
    delete m_packedProgram;
    delete m_planarProgram;
    m_packedProgram = m_planarProgram = nullptr;
    m_planarProgramFailed = false;
    doneCurrent();
}

void QJXVideoShowWidget::reset()
{
    releaseGL();
    m_frameWidth = m_frameHeight = 0;
    m_texture = QJXVideoTextureSize();
    m_queue.clear();
}
