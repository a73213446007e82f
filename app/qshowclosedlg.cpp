#include "app/qshowclosedlg.h"

#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "widgetkit/qinitctrlstyle.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxcheckbox.h"
#include "widgetkit/qjxradiobutton.h"

#include <QFontMetrics>

QShowCloseDlg::QShowCloseDlg(QWidget *parent)
    : QJXDialogEx(parent)
{
    setObjectName(QStringLiteral("QShowCloseDlg"));
    m_btnOk = new QJXBaseButton(this);
    m_btnCancel = new QJXBaseButton(this);
    m_radioMin = new QJXRadioButton(this);
    m_radioClose = new QJXRadioButton(this);
    m_chkNote = new QJXCheckBox(this);

    QInitCtrlStyle::InitBg2(this);
    setMinimumSize(0, 0);
    setFixedSize(315, 170);

    const QString res = QIAnyUtil::getResourcePath();
    addCloseBtn(res + QStringLiteral("/image/btn_close.png"), true);
    addMinBtn(res + QStringLiteral("/image/btn_min.png"), true);
    addMaxBtn(res + QStringLiteral("/image/btn_max.png"), true);

    QInitCtrlStyle::InitJXButton(m_btnCancel, 60, 24);
    QInitCtrlStyle::InitJXButton(m_btnOk, 60, 24);
    QInitCtrlStyle::InitRadio(m_radioMin);
    QInitCtrlStyle::InitRadio(m_radioClose);
    QInitCtrlStyle::InitCheckBox(m_chkNote);
    QInitCtrlStyle::InitFont(m_radioMin, 11);
    QInitCtrlStyle::InitFont(m_radioClose, 11);
    QInitCtrlStyle::InitFont(m_chkNote, 11);

    m_chkNote->setText(QObject::tr("Don't show this message again"));
    m_radioMin->setText(QObject::tr("Minimize to Tray"));
    m_radioClose->setText(QObject::tr("Exit"));
    m_btnOk->setText(QObject::tr("OK"));
    m_btnCancel->setText(QObject::tr("Cancel"));
    m_radioMin->adjustSize();
    m_radioClose->adjustSize();
    m_chkNote->adjustSize();

    m_radioMin->move(50, 55);
    m_radioClose->move(50, 80);
    m_btnCancel->move(215, 125);
    m_btnCancel->hide();

    // Exactly "Y" means exit; an empty value counts as the default "Y".
    const QString stored = QVideoSettingXml::GetItemValue(QStringLiteral("CLOSE_ITEM"),
                                                          QStringLiteral("bIsCloseDlg"), QStringLiteral("Y"));
    const bool exit = stored.isEmpty() || stored == QLatin1String("Y");
    m_radioClose->setChecked(exit);
    m_radioMin->setChecked(!exit);
    m_chkNote->setChecked(false);

    connect(m_btnClose, &QJXBaseButton::clicked, this, &QDialog::close);
    connect(m_btnCancel, &QJXBaseButton::clicked, this, &QDialog::close);
    connect(m_btnOk, &QJXBaseButton::clicked, this, &QDialog::accept);
    connect(m_radioClose, &QAbstractButton::clicked, this, &QShowCloseDlg::OnClickRadio);
    connect(m_radioMin, &QAbstractButton::clicked, this, &QShowCloseDlg::OnClickRadio);
    placeControls();
}

bool QShowCloseDlg::isCloseDlg() const
{
    return m_radioClose->isChecked();
}

bool QShowCloseDlg::isNoShowThisDlg() const
{
    return m_chkNote->checkState() == Qt::Checked;
}

void QShowCloseDlg::OnClickRadio()
{
    const bool exit = sender() == m_radioClose;
    m_radioClose->setChecked(exit);
    m_radioMin->setChecked(!exit);
}

void QShowCloseDlg::resizeEvent(QResizeEvent *event)
{
    QJXDialogEx::resizeEvent(event);
    placeControls();
}

void QShowCloseDlg::showEvent(QShowEvent *event)
{
    QJXDialogEx::showEvent(event);
    placeControls();
}

// OK stands on the check box's row, after the check box's text; a text too
// long for the row puts OK on a row of its own below it.
void QShowCloseDlg::placeControls()
{
    m_chkNote->move(35, 115);
    // The box ends where its text does, so it lies under nothing.
    const int textEnd = m_chkNote->checkRect().width() + 5
                        + QFontMetrics(m_chkNote->font()).horizontalAdvance(m_chkNote->text());
    m_chkNote->resize(textEnd + 1, m_chkNote->height());
    const int right = width() - 16 - m_btnOk->width();
    const int x = qMax(215, m_chkNote->geometry().right() + 11);
    if (x <= right) {
        m_btnOk->move(x, m_chkNote->y() + (m_chkNote->height() - m_btnOk->height()) / 2);
    } else {
        m_chkNote->move(35, 100);
        m_btnOk->move(right, m_chkNote->geometry().bottom() + 6);
    }
}
