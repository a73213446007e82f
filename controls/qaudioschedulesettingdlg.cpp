#include "controls/qaudioschedulesettingdlg.h"

#include "common/qianyutil.h"
#include "controls/qtimeoptions.h"
#include "widgetkit/qinitctrlstyle.h"
#include "widgetkit/qjxbasebutton.h"

QAudioScheduleSettingDlg::QAudioScheduleSettingDlg(QWidget *parent)
    : QJXDialogEx(parent)
{
    Init();
}

QAudioScheduleSettingDlg::~QAudioScheduleSettingDlg()
{
    delete m_options;
    m_options = nullptr;
    delete m_btnCancel;
    m_btnCancel = nullptr;
    delete m_btnOk;
    m_btnOk = nullptr;
}

void QAudioScheduleSettingDlg::Init()
{
    const QString res = QIAnyUtil::getResourcePath();
    QInitCtrlStyle::InitBg2(this);
    // The nine-piece background stretches either way; the dialog is given a
    // fixed size below that of the picture.
    setMinimumSize(0, 0);
    setDlgTitle(tr("Record time options"));
    addCloseBtn(res + QStringLiteral("/image/btn_close.png"), true);
    connect(m_btnClose, &QJXBaseButton::clicked, this, &QDialog::close);

    m_options = new QTimeOptions(this);
    m_options->resize(width() - 16, height() - 88);

    m_btnCancel = new QJXBaseButton(this);
    m_btnOk = new QJXBaseButton(this);
    QInitCtrlStyle::InitJXButton(m_btnCancel, 81, 24);
    QInitCtrlStyle::InitJXButton(m_btnOk, 81, 24);
    m_btnCancel->setText(tr("Cancel"));
    m_btnOk->setText(tr("OK"));

    addMinBtn(res + QStringLiteral("/image/btn_min.png"), true);
    addMaxBtn(res + QStringLiteral("/image/btn_max.png"), true);

    connect(m_btnOk, &QJXBaseButton::clicked, this, &QAudioScheduleSettingDlg::OnBtnOk);
    connect(m_btnCancel, &QJXBaseButton::clicked, this, &QDialog::close);
}

void QAudioScheduleSettingDlg::OnBtnOk()
{
    if (m_options) {
        m_options->SaveSchedule();
        emit emitSetSchedule();
    }
    // OK and Cancel end the dialog alike; callers learn of OK by the signal.
    close();
}

void QAudioScheduleSettingDlg::CloseSchedule(bool clean)
{
    if (m_options)
        m_options->CloseSchedule(clean);
}

void QAudioScheduleSettingDlg::resizeEvent(QResizeEvent *)
{
    if (!m_options || !m_btnCancel || !m_btnOk)
        return;
    const int W = width();
    const int H = height();
    m_options->setGeometry(8, 30, W - 16, H - 92);
    m_btnCancel->move(W - 23 - m_btnCancel->width(),
                      m_options->geometry().bottom() + 1 + (50 - m_btnCancel->height()) / 2);
    m_btnOk->move(m_btnCancel->x() - 15 - m_btnOk->width(), m_btnCancel->y());
}
