#include "widgetkit/qjxmessagebox.h"

#include "widgetkit/widgetkitlog.h"

#include "widgetkit/qbaseimagedraw.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qprojectconfig.h"
#include "widgetkit/qveanyutiliy.h"
#include "widgetkit/qwindowplacement.h"

#include <QFontMetrics>
#include <QPainter>

QJXMessageBox::OptionCallback QJXMessageBox::s_pMessageBoxOptionCallback = nullptr;

QJXMessageBoxOption::QJXMessageBoxOption()
    : okText(QStringLiteral("OK"))
    , cancelText(QStringLiteral("Cancel"))
    , yesText(QStringLiteral("Yes"))
    , noText(QStringLiteral("No"))
    , buttonTextNormal(0, 0, 0)
    , buttonTextHover(0, 0, 0)
    , buttonTextPressed(0, 0, 0)
    , buttonTextDisabled(0, 0, 0)
{
    const QProjectConfig *config = QProjectConfig::getProjectConfig();
    titleFont = config->font();
    messageFont = config->font();
    dialogTop = config->dlgTop();
    dialogBottom = config->dlgBottom();
    transparentMargins = config->getTransparentMargins();
    fixedSize = QSize(-1, -1);
}

namespace {

int singleLineWidth(const QFontMetrics &metrics, const QString &text)
{
    return metrics.boundingRect(QRect(), Qt::TextSingleLine, text).width();
}

QString iconPath(int icon)
{
    switch (icon) {
    case QJXMessageBox::Warning: return QStringLiteral("/pic/warning.png");
    case QJXMessageBox::Success: return QStringLiteral("/pic/Success.png");
    case QJXMessageBox::Error: return QStringLiteral("/pic/error.png");
    case QJXMessageBox::Help: return QStringLiteral("/pic/help.png");
    default: return QString();
    }
}

} // namespace

QJXMessageBox::QJXMessageBox(QWidget *parent)
    : QJXDialog(parent, DlgDialog)
{
    m_btnClose = new QJXBaseButton(this);

    if (s_pMessageBoxOptionCallback)
        s_pMessageBoxOptionCallback(&m_option);
    QDialog::setPalette(m_option.palette);

    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);

    const QString resources = QVeAnyUtiliy::getResourcePath();
    setBackgroundImage(resources + QStringLiteral("/pic/bg_msg.png"), false);
    const QString projectName = QProjectConfig::getProjectConfig()->projectName();
    setWindowTitle(projectName);

    const QMargins &m = m_option.transparentMargins;
    setTitleRect(QRect(0, m.top(), 0, 0));
    QBaseDrawWidget::setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    setMoveTopHeight(m_option.dialogTop + m.top());
    setDlgTitle(projectName);

    setFont(m_option.titleFont);
    setStretchPolicy(StretchNone);
    const rectSize corner { 58, 58 };
    setGridViewInfo(corner, corner, corner, corner);

    initMinSize();

    m_btnClose->setButtonImage(resources + QStringLiteral("/pic/btn_close.png"), true);
    connect(m_btnClose, &QJXBaseButton::clicked, this, &QJXMessageBox::OnBtnClose);
}

QJXMessageBox::~QJXMessageBox()
{
    delete m_iconImage;
    releaseBtnList();
    delete m_btnClose;
}

void QJXMessageBox::initMinSize()
{
    const QMargins &m = m_option.transparentMargins;
    const int height = m.top() + m_option.dialogTop + m_option.dialogBottom + m.bottom() + 82;
    const int width = int(height * 1.618);
    m_minSize = QSize(width, height);
    resize(m_minSize);
    qCDebug(lcWidgetKit) << width << height;
}

int QJXMessageBox::ShowMessage(QWidget *parent, const QString &message, const QString &title,
                               int icon, int buttonStyle)
{
    QJXMessageBox box(parent);
    if (!title.isEmpty())
        box.setTitle(title);
    if (parent && (parent->windowFlags() & Qt::WindowStaysOnTopHint))
        box.setWindowFlags(box.windowFlags() | Qt::WindowStaysOnTopHint);
    box.setButtonStyle(buttonStyle);
    box.setMessageIcon(icon);
    box.setMessage(message);
    return box.exec();
}

void QJXMessageBox::setOptionCallback(OptionCallback callback)
{
    s_pMessageBoxOptionCallback = callback;
}

void QJXMessageBox::setTitle(const QString &title) { setDlgTitle(title); }
QString QJXMessageBox::getTitle() const { return getDlgTitle(); }

void QJXMessageBox::setMessage(const QString &message)
{
    m_message = message;
    calcTextSize();
}

QString QJXMessageBox::getMessage() const { return m_message; }
void QJXMessageBox::setMessageIcon(int icon) { m_icon = icon; }
int QJXMessageBox::getMessageIcon() const { return m_icon; }

void QJXMessageBox::setButtonStyle(int style)
{
    m_buttonStyle = style;
    releaseBtnList();
    switch (style) {
    case OkButton:
        addButton(m_option.okText, ResultOk);
        break;
    case CancelButton:
        addButton(m_option.cancelText, ResultCancel);
        break;
    case YesNoButton:
        addButton(m_option.yesText, ResultYes);
        addButton(m_option.noText, ResultNo);
        break;
    default:
        break;
    }
}

QJXBaseButton *QJXMessageBox::addButton(const QString &text, int result)
{
    auto *button = new QJXBaseButton(this);
    button->setButtonImage(QVeAnyUtiliy::getResourcePath() + QStringLiteral("/pic/btn_common.png"), true);
    button->setTextColor(m_option.buttonTextNormal, m_option.buttonTextHover,
                         m_option.buttonTextPressed, m_option.buttonTextDisabled);
    button->setFont(m_option.buttonFont);
    button->setText(text);
    button->setDoneSign(result);
    const QFontMetrics metrics(m_option.buttonFont);
    const int width = qMax(m_minButtonWidth, singleLineWidth(metrics, text) + 20);
    button->resize(width, button->height());
    m_buttons.append(button);
    connect(button, &QJXBaseButton::clicked, this, &QJXMessageBox::OnBtnDone);
    return button;
}

void QJXMessageBox::releaseBtnList()
{
    while (!m_buttons.isEmpty())
        delete m_buttons.takeLast();
}

void QJXMessageBox::setButtonColor(const QColor &normal, const QColor &hover,
                                   const QColor &pressed, const QColor &disabled)
{
    m_option.buttonTextNormal = normal;
    m_option.buttonTextHover = hover;
    m_option.buttonTextPressed = pressed;
    m_option.buttonTextDisabled = disabled;
}

void QJXMessageBox::setTitleFont(const QFont &font) { m_option.titleFont = font; }
void QJXMessageBox::setMessageFont(const QFont &font) { m_option.messageFont = font; }
QFont QJXMessageBox::messageFont() const { return m_option.messageFont; }

void QJXMessageBox::setPalette(const QPalette &palette)
{
    m_option.palette = palette;
    QDialog::setPalette(palette);
}

void QJXMessageBox::setMessageBoxOption(QJXMessageBoxOption option)
{
    m_option = option;
    QDialog::setPalette(m_option.palette);
}

QJXMessageBoxOption QJXMessageBox::getMessageBoxOption() const { return m_option; }

QRect QJXMessageBox::getBtnRect() const
{
    const QMargins &m = m_option.transparentMargins;
    const int top = height() - m.bottom() - m_option.dialogBottom;
    return QRect(QPoint(m.left(), top), QPoint(width() - 1 - m.right(), height() - m.bottom() - 1));
}

QString QJXMessageBox::wrapParagraph(const QString &paragraph, const QFontMetrics &metrics, int maxWidth)
{
    const QStringList words = paragraph.split(QLatin1Char(' '));
    const QString &first = words.first();
    if (singleLineWidth(metrics, first) > maxWidth) {
        // A word wider than a line is broken at the longest prefix that fits.
        int keep = first.size();
        for (int n = 1; n <= first.size(); ++n) {
            if (singleLineWidth(metrics, first.left(n)) > maxWidth) {
                keep = n - 1;
                break;
            }
        }
        keep = qMax(keep, 1);
        QString rest = first.mid(keep);
        for (int i = 1; i < words.size(); ++i) {
            if (!(i == 1 && rest.isEmpty()))
                rest += QLatin1Char(' ');
            rest += words.at(i);
        }
        // A lone character wider than a line ends the paragraph without an empty line after it.
        if (rest.isEmpty() && words.size() == 1)
            return first.left(keep);
        return first.left(keep) + QLatin1Char('\n') + wrapParagraph(rest, metrics, maxWidth);
    }
    QString line = first;
    for (int i = 1; i < words.size(); ++i) {
        const QString candidate = line + QLatin1Char(' ') + words.at(i);
        if (singleLineWidth(metrics, candidate) > maxWidth) {
            const QString rest = words.mid(i).join(QLatin1Char(' '));
            return line + QLatin1Char('\n') + wrapParagraph(rest, metrics, maxWidth);
        }
        line = candidate;
    }
    return line;
}

void QJXMessageBox::calcTextSize()
{
    m_displayText = m_message;
    m_textSize = QSize(0, 0);
    if (m_message.isEmpty())
        return;
    const QFontMetrics metrics(m_option.messageFont);
    QStringList wrapped;
    for (const QString &paragraph : m_message.split(QLatin1Char('\n')))
        wrapped << wrapParagraph(paragraph, metrics, m_maxTextWidth);
    m_displayText = wrapped.join(QLatin1Char('\n'));
    int width = 0, height = 0;
    for (const QString &line : m_displayText.split(QLatin1Char('\n'))) {
        const QRect r = metrics.boundingRect(QRect(), Qt::TextSingleLine, line);
        width = qMax(width, r.width());
        height += r.height();
    }
    m_textSize = QSize(width, height);
}

void QJXMessageBox::initIcon()
{
    delete m_iconImage;
    m_iconImage = nullptr;
    const QString path = iconPath(m_icon);
    if (path.isEmpty())
        return;
    m_iconImage = new QImage(QVeAnyUtiliy::getResourcePath() + path);
    m_iconImage->setDevicePixelRatio(2);
}

void QJXMessageBox::calcBoxRect()
{
    const QMargins &m = m_option.transparentMargins;
    const int TW = qMax(0, m_textSize.width()), TH = qMax(0, m_textSize.height());
    int iconColumn = 0;
    int textColumn = TW + 40;
    m_textInset = 20;
    if (m_iconImage) {
        iconColumn = m_iconImage->width() / 2 + 40;
        textColumn = TW + 20;
        m_textInset = 0;
    }
    int buttonRow = m.left() + m.right() + 2 * m_option.buttonMargin;
    for (QJXBaseButton *button : qAsConst(m_buttons))
        buttonRow += button->width();
    if (!m_buttons.isEmpty())
        buttonRow += m_option.buttonSpacing * (m_buttons.size() - 1);

    int width;
    if (m_option.fixedSize.width() >= 1)
        width = qMax(m_option.fixedSize.width(), m_minSize.width());
    else
        width = qMax(qMax(m.left() + iconColumn + textColumn + m.right(), m_minSize.width()), buttonRow);
    int height;
    const int bands = m.top() + m_option.dialogTop + m_option.dialogBottom + m.bottom();
    if (m_option.fixedSize.height() >= 1)
        height = qMax(m_option.fixedSize.height(), m_minSize.height());
    else
        height = qMax(bands + TH + 40, m_minSize.height());

    const int top = m.top() + m_option.dialogTop + (height - bands - (TH + 40)) / 2;
    const int bottom = top + TH + 39;
    m_iconRect = iconColumn > 0 ? QRect(QPoint(m.left(), top), QPoint(m.left() + iconColumn - 1, bottom))
                                : QRect();
    m_textRect = QRect(QPoint(m.left() + iconColumn, top),
                       QPoint(m.left() + iconColumn + textColumn - 1, bottom));
    resize(width, height);
}

void QJXMessageBox::placeOnFirstShow()
{
    QWidget *owner = parentWidget();
    if (!owner) {
        // No parent: the screen under the cursor, with its own origin.
        const QRect screen = QWindowPlacement::availableGeometryFor(nullptr);
        move(QWindowPlacement::centredOn(screen, size(), screen));
        return;
    }
    const QRect ownerRect(owner->mapToGlobal(QPoint(0, 0)), owner->size());
    move(QWindowPlacement::centredOn(ownerRect, size(), QWindowPlacement::availableGeometryFor(owner)));
}

void QJXMessageBox::resetControlLocation()
{
    const QMargins &m = m_option.transparentMargins;
    if (m_btnClose)
        m_btnClose->move(m.left() + 8 + m_option.closeButtonOffset.x(),
                         m.top() + 5 + m_option.closeButtonOffset.y());
    int right = width() - m.right() - m_option.buttonMargin;
    for (int i = m_buttons.size() - 1; i >= 0; --i) {
        QJXBaseButton *button = m_buttons.at(i);
        const int x = right - button->width();
        const int y = height() - m.bottom() - m_option.dialogBottom
                      + (m_option.dialogBottom - button->height()) / 2;
        button->move(x, y);
        right = x - m_option.buttonSpacing;
    }
}

void QJXMessageBox::showEvent(QShowEvent *event)
{
    initIcon();
    calcBoxRect();
    if (!m_shownOnce) {
        m_shownOnce = true;
        placeOnFirstShow();
    }
    QDialog::showEvent(event);
    resetControlLocation();
}

void QJXMessageBox::paintEvent(QPaintEvent *event)
{
    QJXDialog::paintEvent(event);
    QPainter painter(this);
    drawIcon(&painter);
    drawMessage(&painter);
}

void QJXMessageBox::drawIcon(QPainter *painter)
{
    if (!painter || !m_iconImage || m_iconImage->isNull())
        return;
    const int w = m_iconImage->width() / 2, h = m_iconImage->height() / 2;
    const int x = m_iconRect.left() + (m_iconRect.width() - w) / 2;
    const int y = m_iconRect.top() - m_option.iconOffset + (m_iconRect.height() - h) / 2;
    QBaseImageDraw::drawImage(*painter, QRect(x, y, w, h), QRect(0, 0, w, h), *m_iconImage);
}

void QJXMessageBox::drawMessage(QPainter *painter)
{
    if (!painter || m_displayText.isEmpty())
        return;
    painter->setFont(m_option.messageFont);
    painter->setRenderHint(QPainter::TextAntialiasing);
    painter->setPen(palette().color(QPalette::Text));
    const QRect target(m_textRect.left() + m_textInset,
                       m_textRect.top() + (m_textRect.height() - m_textSize.height()) / 2,
                       m_textSize.width(), m_textSize.height());
    painter->drawText(target, Qt::TextWrapAnywhere, m_displayText);
}

void QJXMessageBox::OnBtnDone()
{
    auto *button = qobject_cast<QJXBaseButton *>(sender());
    if (!button)
        return;
    done(button->getDoneSign());
}

void QJXMessageBox::OnBtnClose()
{
    done(ResultClose);
}
