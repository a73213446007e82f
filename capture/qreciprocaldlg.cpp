#include "capture/qreciprocaldlg.h"

#include "ui_qreciprocaldlg.h"

#include <QPainter>
#include <QPainterPath>

QReciprocalDlg::QReciprocalDlg(QWidget *parent)
    : QDialog(parent), ui(new Ui::QReciprocalDlg), m_timer(new QTimer(this))
{
    ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setWindowTitle(QStringLiteral("Velmora Audio Recorder"));
    resize(300, 190);
    connect(m_timer, &QTimer::timeout, this, &QReciprocalDlg::OnReciprocalCount);
    m_timer->start(kTickMs);
}

QReciprocalDlg::~QReciprocalDlg()
{
    delete ui;
}

int QReciprocalDlg::digitFor(int count)
{
    if (count >= kStartCount || count < 1)
        return 0;
    return count / 10 + 1;
}

void QReciprocalDlg::OnReciprocalCount()
{
    --m_count;
    update();
    if (m_count < 1) {
        m_timer->stop();
        hide();
    }
}

void QReciprocalDlg::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), QColor(255, 0, 0, 1));
    QPainterPath panel;
    panel.addRoundedRect(QRectF(rect()), 10, 10);
    p.setPen(Qt::NoPen);
    p.fillPath(panel, QColor(0, 0, 0, 125));
    const int digit = digitFor(m_count);
    if (digit == 0)
        return;
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(150);
    p.setFont(font);
    p.setPen(Qt::white);
    const QString text = p.fontMetrics().elidedText(QString::number(digit), Qt::ElideRight, width());
    p.drawText(rect(), Qt::AlignCenter, text);
}
