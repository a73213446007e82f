#include "controls/qvolumewidget.h"

#include "common/qianyutil.h"
#include "widgetkit/qjxbaseslider.h"

#include <QEvent>
#include <QPainter>

QVolumeWidget::QVolumeWidget(QWidget *parent)
    : QWidget(parent)
{
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowSystemMenuHint | Qt::WindowStaysOnTopHint);
    installEventFilter(this);
    QPalette pal = palette();
    pal.setColor(QPalette::All, QPalette::Window, QColor(44, 44, 44));
    setPalette(pal);
    setAutoFillBackground(true);

    const QString res = QIAnyUtil::getResourcePath();
    m_slider = new QJXBaseSlider(this);
    m_slider->setProgressPolicy(QJXBaseProgress::VerticalBar);
    m_slider->setFormat(QString());
    m_slider->setBottomImage(res + QStringLiteral("/image/slider_bottom.png"));
    m_slider->setTopImage(res + QStringLiteral("/image/slider_top.png"));
    m_slider->setBtnImage(res + QStringLiteral("/image/slider_btn.png"));
    m_slider->setOffset(0, 6);
}

QVolumeWidget::~QVolumeWidget()
{
    delete m_slider;
    m_slider = nullptr;
}

QJXBaseSlider *QVolumeWidget::GetSlider() const
{
    return m_slider;
}

QString QVolumeWidget::buttonImageFor(double fraction)
{
    const char *name = "btn_volume_full.png";
    if (fraction <= 0.001)
        name = "btn_volume_null.png";
    else if (fraction <= 0.5)
        name = "btn_volume_little.png";
    else if (fraction < 1.0)
        name = "btn_volume_big.png";
    return QStringLiteral("/image/BottomWidget/") + QLatin1String(name);
}

QPoint QVolumeWidget::popupPosition(const QRect &button, const QSize &popup)
{
    return QPoint(button.left() + (button.width() - popup.width()) / 2,
                  button.top() - popup.height() - 1);
}

void QVolumeWidget::OnSetVolume(double value)
{
    if (m_slider)
        m_slider->setValue(value);
}

bool QVolumeWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == this && event->type() == QEvent::WindowDeactivate) {
        hide();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void QVolumeWidget::paintEvent(QPaintEvent *)
{
    // A one-pixel frame around the popup, under the slider's free bottom rows.
    QPainter painter(this);
    painter.setPen(QColor(20, 20, 20));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    layoutSlider();
}

void QVolumeWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutSlider();
}

// The slider covers the popup but for its two bottom pixel rows.
void QVolumeWidget::layoutSlider()
{
    if (m_slider)
        m_slider->setGeometry(QRect(QPoint(0, 0), QPoint(width() - 1, height() - 3)));
}
