#include "qdelegatecheckimages.h"

void QDelegateCheckImages::clear()
{
    delete m_unchecked;
    delete m_partially;
    delete m_checked;
    m_unchecked = m_partially = m_checked = nullptr;
    m_boxSize = QSize(0, 0);
}

QImage *QDelegateCheckImages::loadOne(const QString &path)
{
    if (path.isEmpty())
        return nullptr;
    auto *image = new QImage(path);
    image->setDevicePixelRatio(2);
    return image;
}

void QDelegateCheckImages::load(const QString &unchecked, const QString &partially,
                                const QString &checked)
{
    clear();
    m_unchecked = loadOne(unchecked);
    m_partially = loadOne(partially);
    m_checked = loadOne(checked);
    if (m_checked)
        m_boxSize = QSize(m_checked->width() / 2, m_checked->height() / 2);
}

QImage *QDelegateCheckImages::forState(int state) const
{
    QImage *image = state == 0 ? m_unchecked : state == 1 ? m_partially : m_checked;
    return image && !image->isNull() ? image : nullptr;
}
