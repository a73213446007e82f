#include "widgetkit/qrecordermessage.h"
#include "ui_qrecordermessage.h"

#include "common/qianyutil.h"
#include "widgetkit/qinitctrlstyle.h"

QRecorderMessage::QRecorderMessage(QWidget *parent)
    : QJXDialogEx(parent)
{
    // The form is kept only once built, so that a layout pass during its set-up finds none.
    auto form = std::make_unique<Ui::QRecorderMessage>();
    form->setupUi(this);
    m_ui = std::move(form);
    QInitCtrlStyle::InitBg2(this);
    setDlgTitle(QStringLiteral("Velmora Audio Recorder"));
    setFixedSize(345, 150);

    const QString resources = QIAnyUtil::getResourcePath();
    addCloseBtn(resources + QStringLiteral("/image/btn_close.png"), true);
    addMinBtn(resources + QStringLiteral("/image/btn_min.png"), true);
    addMaxBtn(resources + QStringLiteral("/image/btn_max.png"), true);
    connect(m_btnClose, &QPushButton::clicked, this, &QWidget::hide);

    m_ui->m_labMsg->setText(tr("The recoding toolbar has been minimized to tray."));
    m_ui->m_labMsg->adjustSize();

    QInitCtrlStyle::InitCheckBox(m_ui->m_chkNote);
    QInitCtrlStyle::InitFont(m_ui->m_chkNote, 12);
    m_ui->m_chkNote->setText(tr("Don't show this message again"));

    QInitCtrlStyle::InitJXButton(m_ui->m_btnOk, 60, 24);
    connect(m_ui->m_btnOk, &QPushButton::clicked, this, &QWidget::hide);
}

QRecorderMessage::~QRecorderMessage() = default;

bool QRecorderMessage::isShowThisDlg() const
{
    return !m_ui->m_chkNote->isChecked();
}

void QRecorderMessage::resetControlLocation()
{
    if (!m_ui)
        return;
    const int W = width(), H = height();
    m_ui->m_labMsg->move(33, 50);
    QWidget *ok = m_ui->m_btnOk;
    ok->move(W - 23 - ok->width(), H - 15 - ok->height());
    m_ui->m_chkNote->move(23, ok->y() + (ok->height() - m_ui->m_chkNote->height()) / 2);
}
