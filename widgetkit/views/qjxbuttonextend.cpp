#include "widgetkit/views/qjxbuttonextend.h"

#include "widgetkit/qjxbuttonex.h"

#include <QPainter>

QJXButtonExtend::QJXButtonExtend(QWidget *parent) : QJXBaseButton(parent) {}

bool QJXButtonExtend::showTag(const QRect &rect, const QImage &image)
{
    m_hasTag = !image.isNull();
    m_tag = m_hasTag ? image : QImage();
    m_tagRect = rect;
    update();
    return m_hasTag;
}

bool QJXButtonExtend::setTagImg(const QRect &rect, const std::string &encoded)
{
    QImage image;
    if (!encoded.empty())
        image.loadFromData(reinterpret_cast<const uchar *>(encoded.data()), int(encoded.size()));
    return showTag(rect, image);
}

bool QJXButtonExtend::setTagImg(const QRect &rect, const QString &path)
{
    return showTag(rect, path.isEmpty() ? QImage() : QImage(path));
}

bool QJXButtonExtend::setTagImg(const QRect &rect, const QImage &image)
{
    return showTag(rect, image);
}

void QJXButtonExtend::setIconColor(const QColor &color)
{
    m_iconColor = color;
    update();
}

void QJXButtonExtend::setIconColorRect(const QRect &rect)
{
    m_iconColorRect = rect;
    update();
}

void QJXButtonExtend::paintEvent(QPaintEvent *event)
{
    QJXBaseButton::paintEvent(event);
    QPainter p(this);
    if (m_hasTag) {
        p.fillRect(rect(), m_background);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QJXButtonEx::fittedRect(m_tag.size(), m_tagRect), m_tag);
    }
    if (m_iconColorRect.isValid()) {
        p.fillRect(m_iconColorRect, m_iconColor);
        p.setPen(QColor(128, 128, 128));
        p.setBrush(Qt::NoBrush);
        p.drawRect(m_iconColorRect.adjusted(0, 0, -1, -1));
    }
}
