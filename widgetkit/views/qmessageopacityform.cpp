#include "widgetkit/views/qmessageopacityform.h"
#include "ui_qmessageopacityform.h"

#include "common/qianyutil.h"
#include "widgetkit/qjxbasebutton.h"

#include <QDesktopServices>
#include <QTimer>
#include <QUrl>

namespace {

// Light text in the small sans font of the notices.
void styleLabel(QLabel *label)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(250, 237, 237));
    label->setPalette(palette);
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(12);
    label->setFont(font);
}

} // namespace

QMessageOpacityForm::QMessageOpacityForm(QWidget *parent)
    : QJXDialog(parent, DlgDialog)
    , m_ui(new Ui::QMessageOpacityForm)
    , m_timer(new QTimer(this))
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    initControls();
    setFixedSize(351, 125);
    const rectSize corner { 50, 50 };
    setGridViewInfo(corner, corner, corner, corner);
}

QMessageOpacityForm::~QMessageOpacityForm() = default;

void QMessageOpacityForm::initControls()
{
    const QString resources = QIAnyUtil::getResourcePath();
    m_ui->m_btnClose->setButtonImage(resources + QStringLiteral("/VEditSource/btn_close.png"), true);
    m_ui->m_btnMin->setButtonImage(resources + QStringLiteral("/VEditSource/btn_min.png"), true);
    m_ui->m_btnMax->setButtonImage(resources + QStringLiteral("/VEditSource/btn_max.png"), true);
    m_ui->m_btnMin->setEnabled(false);
    m_ui->m_btnMax->setEnabled(false);
    m_ui->m_btnOk->setButtonImage(resources + QStringLiteral("/VEditSource/btn_common.png"), true);
    styleLabel(m_ui->m_labMessage);
    styleLabel(m_ui->m_labLink);

    connect(m_timer, &QTimer::timeout, this, &QMessageOpacityForm::onTimer);
    connect(m_ui->m_btnClose, &QPushButton::clicked, this, &QMessageOpacityForm::onClose);
    connect(m_ui->m_btnOk, &QPushButton::clicked, this, &QMessageOpacityForm::onClose);
    connect(m_ui->m_labLink, &QLabel::linkActivated, this, &QMessageOpacityForm::openUrl);
}

void QMessageOpacityForm::startOpacity()
{
    setWindowOpacity(1.0);
    m_timer->start(1000);
}

void QMessageOpacityForm::setMessageText(const QString &text)
{
    m_ui->m_labMessage->setText(text);
    m_ui->m_labMessage->adjustSize();
    m_ui->m_labMessage->setWordWrap(true);
    m_ui->m_labMessage->setAlignment(Qt::AlignTop);
    m_ui->m_labMessage->setGeometry(50, height() / 2 - 5, width(), 40);
}

void QMessageOpacityForm::setMessageText(const QString &text, int x, int y)
{
    m_ui->m_labMessage->setText(text);
    m_ui->m_labMessage->adjustSize();
    m_ui->m_labMessage->setWordWrap(true);
    m_ui->m_labMessage->setAlignment(Qt::AlignTop);
    m_ui->m_labMessage->setGeometry(x, y, width(), 40);
    m_ui->m_btnOk->show();
}

void QMessageOpacityForm::setShowlink(int x, int y, bool show)
{
    m_ui->m_labLink->setVisible(show);
    m_ui->m_labLink->move(x, y);
}

void QMessageOpacityForm::setCheckShow(bool show) { m_ui->m_chkNoShow->setVisible(show); }
void QMessageOpacityForm::setIsOpacity(bool enabled) { m_fadeEnabled = enabled; }

void QMessageOpacityForm::onTimer()
{
    const double opacity = windowOpacity();
    if (opacity > 0.9)
        m_timer->start(50);
    if (opacity >= 0.1) {
        setWindowOpacity(opacity - 0.1);
    } else {
        m_timer->stop();
        close();
    }
}

void QMessageOpacityForm::onClose()
{
    setWindowOpacity(1.0);
    m_timer->stop();
    close();
}

void QMessageOpacityForm::openUrl(const QString &)
{
    // No support address is configured; an empty one opens nothing.
    const QUrl address;
    if (address.isValid() && !address.isEmpty())
        QDesktopServices::openUrl(address);
}

void QMessageOpacityForm::setXmlSetting() {}

void QMessageOpacityForm::enterEvent(QEvent *event)
{
    QJXDialog::enterEvent(event);
    if (!m_fadeEnabled)
        return;
    setWindowOpacity(1.0);
    m_timer->stop();
}

void QMessageOpacityForm::leaveEvent(QEvent *event)
{
    QJXDialog::leaveEvent(event);
    if (!m_fadeEnabled)
        return;
    setWindowOpacity(1.0);
    m_timer->start(1000);
}

void QMessageOpacityForm::resizeEvent(QResizeEvent *event)
{
    QJXDialog::resizeEvent(event);
    QJXBaseButton *close = m_ui->m_btnClose;
    close->move(13, 13);
    m_ui->m_btnMin->move(close->geometry().right() + 1 + 8, 13);
    m_ui->m_btnMax->move(m_ui->m_btnMin->geometry().right() + 1 + 8, 13);
}
