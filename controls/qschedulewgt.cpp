#include "controls/qschedulewgt.h"
#include "ui_qschedulewgt.h"

#include "common/qianyutil.h"
#include "controls/controlslog.h"
#include "controls/qscheduletime.h"
#include "recorder/qrecordareainfo.h"
#include "widgetkit/qinitctrlstyle.h"

#include <QDebug>
#include <QTimer>

QScheduleWgt::QScheduleWgt(QWidget *parent)
    : QJXWidget(parent, DlgPane)
    , ui(new Ui::QScheduleWgt)
{
    ui->setupUi(this);
    setBackgrounColor(QColor(62, 60, 60));
    Init();
}

QScheduleWgt::~QScheduleWgt()
{
    if (m_timer && m_timer->isActive())
        m_timer->stop();
    delete m_timer;
    delete ui;
}

void QScheduleWgt::Init()
{
    const QColor light(250, 237, 237);
    QInitCtrlStyle::InitFont(ui->m_labTime, 13);
    QInitCtrlStyle::InitPalette(ui->m_labTime, QPalette::WindowText, light);
    ui->m_labTime->setText(QStringLiteral("00:00:00"));
    ui->m_labTime->resize(150, 20);
    QInitCtrlStyle::InitFont(ui->m_labSchedule, 13);
    QInitCtrlStyle::InitPalette(ui->m_labSchedule, QPalette::WindowText, light);
    ui->m_labSchedule->setText(tr("The schedule task remains"));
    ui->m_labSchedule->resize(160, 20);
    ui->m_btnStop->setButtonImage(QIAnyUtil::getResourcePath()
                                      + QStringLiteral("/image/record_tool_dlg/btn_record_stop.png"),
                                  true);
    ui->m_btnStop->setToolTip(tr("Stop"));
    connect(ui->m_btnStop, &QJXBaseButton::clicked, this, &QScheduleWgt::emitStopSchedule);

    m_target = QScheduleTime::nextStart(QRecordAreaInfo::getAreaInfo()->getScheduleStartTime(),
                                        QDateTime::currentDateTime());
    qCDebug(lcControls) << "-------------" << m_target;

    m_timer = new QTimer;
    connect(m_timer, &QTimer::timeout, this, &QScheduleWgt::OnTimer);
    m_timer->start(200);
}

void QScheduleWgt::OnTimer()
{
    // The start is reported once: a finished countdown stays finished.
    if (!m_timer || !m_timer->isActive())
        return;
    const qint64 ms = QDateTime::currentDateTime().msecsTo(m_target);
    if (ms > 0) {
        ui->m_labTime->setText(QScheduleTime::countdownText(ms));
        return;
    }
    m_timer->stop();
    emit emitStartRecord();
}

void QScheduleWgt::resetControlLocation()
{
    const int W = width();
    const int H = height();
    ui->m_labSchedule->move(16, (H - 2 - 2 * ui->m_labSchedule->height()) / 2);
    ui->m_labTime->move(16, ui->m_labSchedule->geometry().bottom() + 2);
    ui->m_btnStop->move(W - 16 - ui->m_btnStop->width(), (H - ui->m_btnStop->height()) / 2);
}
