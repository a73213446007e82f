#include "widgetkit/qjxbuttonex.h"

#include <QPainter>

QJXButtonEx::QJXButtonEx(QWidget *parent)
    : QJXBaseButton(parent)
{
}

QJXButtonEx::~QJXButtonEx() { delete m_tagImage; }

void QJXButtonEx::setTagBgColor(const QColor &colour) { m_tagBgColour = colour; }

bool QJXButtonEx::setTagImg(const QRect &rect, const std::string &bytes)
{
    QImage decoded;
    if (!bytes.empty()
        && decoded.loadFromData(reinterpret_cast<const uchar *>(bytes.data()), int(bytes.size()))) {
        delete m_tagImage;
        m_tagImage = new QImage(decoded);
        m_tagImageRect = rect;
        m_hasTagImage = true;
    } else {
        m_hasTagImage = false;
    }
    update();
    return m_hasTagImage;
}

QRect QJXButtonEx::fittedRect(const QSize &picture, const QRect &rect)
{
    if (picture.isEmpty())
        return rect;
    if (picture.height() > picture.width()) {
        const int w = picture.width() * rect.height() / picture.height();
        return QRect(rect.left() + (rect.width() - w) / 2, rect.top(), w, rect.height());
    }
    if (picture.width() > picture.height()) {
        const int h = picture.height() * rect.width() / picture.width();
        return QRect(rect.left(), rect.top() + (rect.height() - h) / 2, rect.width(), h);
    }
    return rect;
}

void QJXButtonEx::paintEvent(QPaintEvent *event)
{
    QJXBaseButton::paintEvent(event);
    if (!m_hasTagImage || !m_tagImage)
        return;
    QPainter painter(this);
    painter.fillRect(rect(), m_tagBgColour);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(fittedRect(m_tagImage->size(), m_tagImageRect), *m_tagImage);
}
