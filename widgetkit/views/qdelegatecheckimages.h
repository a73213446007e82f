#pragma once
// The three check pictures of a delegate's check box, owned, at ratio 2.

#include <QImage>
#include <QSize>

class QDelegateCheckImages
{
public:
    QDelegateCheckImages() = default;
    ~QDelegateCheckImages() { clear(); }
    QDelegateCheckImages(const QDelegateCheckImages &) = delete;
    QDelegateCheckImages &operator=(const QDelegateCheckImages &) = delete;

    // Drops the old pictures, loads each non-empty path; the box becomes half
    // the checked picture's pixel size (0 x 0 without one).
    void load(const QString &unchecked, const QString &partially, const QString &checked);
    QImage *unchecked() const { return m_unchecked; }
    QImage *partially() const { return m_partially; }
    QImage *checked() const { return m_checked; }
    // The picture for a check state: 0 unchecked, 1 partial, others checked.
    QImage *forState(int state) const;
    QSize boxSize() const { return m_boxSize; }

private:
    void clear();
    static QImage *loadOne(const QString &path);

    QImage *m_unchecked = nullptr;
    QImage *m_partially = nullptr;
    QImage *m_checked = nullptr;
    QSize m_boxSize{0, 0};
};
