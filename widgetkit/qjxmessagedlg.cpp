#include "widgetkit/qjxmessagedlg.h"
#include "ui_qjxmessagedlg.h"

#include "widgetkit/qbaseimagedraw.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qveanyutiliy.h"
#include "widgetkit/qwindowcompositing.h"
#include "widgetkit/qwindowplacement.h"

#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>

namespace {
const int kResultOk = 0x400;
const int kResultCancel = 0x400000;
const int kResultYes = 0x4000;
const int kResultNo = 0x10000;
const int kResultClose = 0x200000;
const int kBaseWidth = 261;
const int kBaseHeight = 161;
} // namespace

QJXMessageDlg::QJXMessageDlg(QWidget *parent)
    : QDialog(parent)
    , m_ui(new Ui::QJXMessageDlg)
    , m_title(QStringLiteral("Audio Recorder"))
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(QStringLiteral("Velmora Audio Recorder"));
    GetAppPath(m_resourcePath);
    LoadBorderImg();
    InitConnects();
}

QJXMessageDlg::~QJXMessageDlg() = default;

void QJXMessageDlg::SetTitle(const QString &title) { m_title = title; }
void QJXMessageDlg::SetMessage(const QString &message) { m_message = message; }
void QJXMessageDlg::SetMessageStyle(unsigned int style) { m_style = style; }
void QJXMessageDlg::SetCenterScreen(bool centre) { m_centreOnScreen = centre; }

void QJXMessageDlg::GetAppPath(QString &path) const
{
    path = QVeAnyUtiliy::getResourcePath();
}

void QJXMessageDlg::setBackgroundImage(const QString &path)
{
    QString normalised = path;
    normalised.replace(QLatin1Char('\\'), QLatin1Char('/'));
    m_background = QImage(normalised);
    m_background.setDevicePixelRatio(2);
    const rectSize corner { m_background.width() / 3, m_background.height() / 3 };
    for (rectSize &c : m_corners)
        c = corner;
    update();
}

void QJXMessageDlg::setGridViewInfo(rectSize topLeft, rectSize topRight, rectSize bottomLeft,
                                    rectSize bottomRight)
{
    m_corners[0] = topLeft;
    m_corners[1] = topRight;
    m_corners[2] = bottomLeft;
    m_corners[3] = bottomRight;
    update();
}

void QJXMessageDlg::InitConnects()
{
    connect(m_ui->m_btnOk, &QPushButton::clicked, this, &QJXMessageDlg::OnBtnOk, Qt::UniqueConnection);
    connect(m_ui->m_btnCancel, &QPushButton::clicked, this, &QJXMessageDlg::OnBtnCancel,
            Qt::UniqueConnection);
    connect(m_ui->m_btnClose, &QPushButton::clicked, this, &QJXMessageDlg::OnBtnClose,
            Qt::UniqueConnection);
}

QRect QJXMessageDlg::desktopRect() const
{
    // The screen the dialog opens on: its parent's, else the one under the cursor.
    return QWindowPlacement::availableGeometryFor(parentWidget());
}

void QJXMessageDlg::LoadBorderImg()
{
    setBackgroundImage(m_resourcePath + QStringLiteral("/pic/bg_msg.png"));
    const QRect desk = desktopRect();
    const int left = desk.left() + (desk.width() - 260) / 2;
    const int top = desk.top() + (desk.height() - 160) / 2;
    m_windowRect = QRect(QPoint(left, top), QPoint(left + 261, top + 161));
    setGeometry(m_windowRect);
}

void QJXMessageDlg::OnBtnOk()
{
    if (m_style & StyleRestart)
        return;
    done((m_style & StyleYesNo) ? kResultYes : kResultOk);
}

void QJXMessageDlg::OnBtnCancel()
{
    done((m_style & StyleYesNo) ? kResultNo : kResultCancel);
}

void QJXMessageDlg::OnBtnClose()
{
    done(kResultClose);
}

void QJXMessageDlg::InitMessageRect()
{
    // Longest line in characters, from the positions of the line breaks.
    int breaks = 0, longest = 0, lineStart = 0;
    for (int i = 0; i < m_message.size(); ++i) {
        if (m_message.at(i) == QLatin1Char('\n')) {
            longest = qMax(longest, i - lineStart);
            lineStart = i;
            ++breaks;
        }
    }
    longest = qMax(longest, m_message.size() - lineStart);

    const QFontMetrics metrics(m_messageFont);
    const QString measured = breaks == 0 ? m_message : m_message.left(breaks + longest + 4);
    int textWidth = metrics.boundingRect(QRect(), Qt::TextSingleLine, measured).width();

    const bool icon = m_style & StyleIcon;
    const int room = kBaseWidth - (icon ? 122 : 80);
    const int widest = icon ? 478 : 520;
    const int left = icon ? 92 : 40;
    const int extra = icon ? 123 : 81;
    const QRect desk = desktopRect();
    int messageLeft;
    if (textWidth > room) {
        textWidth = qMin(textWidth, widest);
        messageLeft = left;
        const int width = textWidth + extra;
        m_windowRect.setLeft(desk.left() + (desk.width() - width) / 2);
        m_windowRect.setWidth(width);
    } else {
        messageLeft = (kBaseWidth - textWidth) / 2;
    }
    const int textHeight =
        metrics.boundingRect(QRect(0, 0, textWidth + 1, 10000), Qt::TextWordWrap, m_message).height();
    int top;
    if ((kBaseHeight - textHeight) / 2 - 5 > 26) {
        top = (kBaseHeight - textHeight) / 2 - 5;
    } else {
        top = 27;
        const int height = qMax(textHeight + 11 + kBaseHeight / 2, kBaseHeight + 1);
        m_windowRect.setTop(desk.top() + (desk.height() - height) / 2);
        m_windowRect.setHeight(height);
    }
    m_messageRect = QRect(QPoint(messageLeft, top), QPoint(messageLeft + textWidth, top + textHeight));
}

void QJXMessageDlg::InitButton()
{
    QJXBaseButton *ok = m_ui->m_btnOk;
    QJXBaseButton *cancel = m_ui->m_btnCancel;
    QJXBaseButton *close = m_ui->m_btnClose;
    if (!close->setButtonImage(m_resourcePath + QStringLiteral("/pic/btn_close.png"), true))
        QMessageBox::information(this, m_title, QStringLiteral("QJXMessageDlg::InitButton fail"),
                                 QMessageBox::Ok);
    close->move(13, 13);

    QString failure;
    if (m_style & StyleRestart) {
        ok->setText(QStringLiteral("Restart"));
        cancel->setText(QStringLiteral("Restart Later"));
        failure = QStringLiteral("QJXMessageDlg::InitButton Load Restart Image fail");
    } else if (m_style & StyleYesNo) {
        ok->setText(tr("YES"));
        cancel->setText(tr("NO"));
        failure = QStringLiteral("QJXMessageDlg::InitButton Load Yes Image fail");
    } else {
        ok->setText(tr("OK"));
        cancel->setText(tr("Cancel"));
        failure = QStringLiteral("QJXMessageDlg::InitButton Load Cancel Image fail");
    }
    const QString image = m_resourcePath + QStringLiteral("/pic/btn_common.png");
    const bool okLoaded = ok->setButtonImage(image, true);
    const bool cancelLoaded = cancel->setButtonImage(image, true);
    if (!okLoaded || !cancelLoaded)
        QMessageBox::information(this, m_title, failure, QMessageBox::Ok);

    QFont font = ok->font();
    font.setFamily(QStringLiteral("Tahoma"));
    font.setPixelSize(12);
    const QColor accent(255, 132, 65), disabled(119, 115, 115);
    for (QJXBaseButton *button : { ok, cancel }) {
        button->setFont(font);
        button->resize(80, 25);
        button->setTextColor(accent, accent, accent, disabled);
    }
}

void QJXMessageDlg::InitIcon()
{
    m_icon.reset();
    if (!(m_style & StyleIcon))
        return;
    QString path;
    const bool warning = m_style & StyleWarning, success = m_style & StyleSuccess;
    if (warning && success)
        path = QStringLiteral("/pic/error.png");
    else if (warning)
        path = QStringLiteral("/pic/warning.png");
    else if (success)
        path = QStringLiteral("/pic/Success.png");
    else
        return;
    m_icon.reset(new QPixmap(m_resourcePath + path));
    m_icon->setDevicePixelRatio(2);
}

void QJXMessageDlg::SetButtonPos()
{
    QJXBaseButton *ok = m_ui->m_btnOk;
    QJXBaseButton *cancel = m_ui->m_btnCancel;
    const int W = m_windowRect.width(), H = m_windowRect.height();
    const int y = H - ok->height() - 15;
    if (m_style & (StyleOkCancel | StyleRestart | StyleYesNo)) {
        cancel->show();
        int cancelX = W - cancel->width() - 20;
        int okX = W - ok->width() - cancel->width() - 30;
        if (okX < 15) {
            okX = 15;
            cancelX += W - 16 - (cancelX + cancel->width() - 1);
        }
        ok->move(okX, y);
        cancel->move(cancelX, y);
    } else {
        cancel->hide();
        ok->move(W - ok->width() - 25, y);
    }
}

void QJXMessageDlg::showEvent(QShowEvent *event)
{
    m_titleFont = QFont(QStringLiteral("Tahoma"));
    m_titleFont.setPixelSize(11);
    m_messageFont = QFont(QStringLiteral("Tahoma"));
    m_messageFont.setPixelSize(12);
    InitMessageRect();
    InitButton();
    InitIcon();
    if (m_centreOnScreen)
        setGeometry(m_windowRect);
    else
        resize(m_windowRect.size());
    m_titleRect = QRect(QPoint(33, 7), QPoint(width() - 34, 28));
    SetButtonPos();
    QDialog::showEvent(event);
}

void QJXMessageDlg::DrawBackground(QPainter &painter)
{
    QBaseImageDraw::drawBtnImageBg(painter, rect(), m_background, true);
}

void QJXMessageDlg::DrawBorder(QPainter &painter)
{
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void QJXMessageDlg::setEdgeImage(Qt::Edge edge, const QImage &image)
{
    QImage *target = edge == Qt::TopEdge      ? &m_edgeTop
                   : edge == Qt::BottomEdge   ? &m_edgeBottom
                   : edge == Qt::LeftEdge     ? &m_edgeLeft
                                              : &m_edgeRight;
    *target = image;
}

// An edge picture keeps its thickness (half its pixels) and is stretched along the edge.
void QJXMessageDlg::DrawTop(QPainter &painter)
{
    if (!m_edgeTop.isNull())
        painter.drawImage(QRect(0, 0, width(), m_edgeTop.height() / 2), m_edgeTop);
}

void QJXMessageDlg::DrawBottom(QPainter &painter)
{
    if (!m_edgeBottom.isNull()) {
        const int h = m_edgeBottom.height() / 2;
        painter.drawImage(QRect(0, height() - h, width(), h), m_edgeBottom);
    }
}

void QJXMessageDlg::DrawLeft(QPainter &painter)
{
    if (!m_edgeLeft.isNull())
        painter.drawImage(QRect(0, 0, m_edgeLeft.width() / 2, height()), m_edgeLeft);
}

void QJXMessageDlg::DrawRight(QPainter &painter)
{
    if (!m_edgeRight.isNull()) {
        const int w = m_edgeRight.width() / 2;
        painter.drawImage(QRect(width() - w, 0, w, height()), m_edgeRight);
    }
}

void QJXMessageDlg::DrawTexts(QPainter &painter)
{
    painter.setFont(m_titleFont);
    painter.setPen(QPen(QColor(250, 237, 237), 1));
    painter.drawText(m_titleRect, Qt::AlignHCenter | Qt::AlignVCenter, m_title);
    painter.setFont(m_messageFont);
    painter.drawText(m_messageRect, Qt::TextWordWrap, m_message);
}

void QJXMessageDlg::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (QWindowCompositing::needsOpaque(this) && !m_background.isNull())
        QWindowCompositing::fillOpaque(
            painter, this, m_background.pixelColor(m_background.width() / 2, m_background.height() / 2));
    DrawBackground(painter);
    DrawTexts(painter);
    if ((m_style & StyleIcon) && m_icon && !m_icon->isNull()) {
        const int w = m_icon->width() / 2, h = m_icon->height() / 2;
        const int x = m_messageRect.left() - w - 10;
        const int y = m_messageRect.top() + 4 + (m_messageRect.height() - h) / 2;
        painter.drawPixmap(QRect(x, y, w, h), *m_icon);
    }
}

void QJXMessageDlg::mousePressEvent(QMouseEvent *event)
{
    const QPoint offset = event->globalPos() - pos();
    m_dragRect = geometry();
    m_dragRect.moveTopLeft(offset);
    if (event->button() == Qt::LeftButton)
        m_dragging = true;
    QDialog::mousePressEvent(event);
}

void QJXMessageDlg::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging && m_dragRect.top() < 30)
        move(event->globalPos() - m_dragRect.topLeft());
    QDialog::mouseMoveEvent(event);
}

void QJXMessageDlg::mouseReleaseEvent(QMouseEvent *event)
{
    m_dragging = false;
    QDialog::mouseReleaseEvent(event);
}

int ShowMessage(const QString &message, const QString &title, unsigned int style, bool onTop)
{
    QJXMessageDlg dialog;
    if (onTop)
        dialog.setWindowFlags(dialog.windowFlags() | Qt::WindowStaysOnTopHint);
    dialog.SetMessage(message);
    if (!title.isEmpty())
        dialog.SetTitle(title);
    if (style != 0)
        dialog.SetMessageStyle(style);
    return dialog.exec();
}

int ShowMessage(const char *message, const char *title, unsigned int style, bool onTop)
{
    QJXMessageDlg dialog;
    if (onTop)
        dialog.setWindowFlags(dialog.windowFlags() | Qt::WindowStaysOnTopHint);
    if (message && *message)
        dialog.SetMessage(QString::fromUtf8(message));
    if (title && *title)
        dialog.SetTitle(QString::fromUtf8(title));
    if (style != 0)
        dialog.SetMessageStyle(style);
    return dialog.exec();
}
