#include "controls/qtimeoptions.h"
#include "ui_qtimeoptions.h"

#include "common/qvideosettingxml.h"
#include "controls/controlslog.h"
#include "controls/qscheduletime.h"
#include "recorder/qrecordareainfo.h"
#include "widgetkit/qinitctrlstyle.h"

namespace {

const QString kTimeGroup = QStringLiteral("RECORD_TIME_INFO");
const QString kStopAfterKey = QStringLiteral("Bool_Stop_After_Time");
const QString kLengthKey = QStringLiteral("Stop_time_lenght");
const QString kScheduleGroup = QStringLiteral("RECORD_SCHEDULE_INFO");
const QString kScheduleKey = QStringLiteral("Bool_Schedule");
const QString kStartKey = QStringLiteral("Schedule_Start_Time");
const QString kEndKey = QStringLiteral("Schedule_End_Time");

QRecordAreaInfo *options()
{
    return QRecordAreaInfo::getAreaInfo();
}

QString read(const QString &group, const QString &key, const char *fallback)
{
    return QVideoSettingXml::GetItemValue(group, key, QLatin1String(fallback));
}

void write(const QString &group, const QString &key, const QString &value)
{
    if (!QVideoSettingXml::SetItemValue(group, key, value))
        qCWarning(lcControls, "record-time options: %s could not be stored", qPrintable(key));
}

QString flag(bool on)
{
    return on ? QStringLiteral("Y") : QStringLiteral("N");
}

// Stored numbers are signed 64-bit decimal texts; no number reads as 0.
unsigned long long readMicroseconds(const QString &group, const QString &key)
{
    return static_cast<unsigned long long>(read(group, key, "0").toLongLong(nullptr, 10));
}

} // namespace

QTimeOptions::QTimeOptions(QWidget *parent)
    : QBaseOptionsWgt(parent)
    , ui(new Ui::QTimeOptions)
{
    ui->setupUi(this);
    InitCtrl();
    retranslateUi();
    setBackgrounColor(QColor(44, 44, 44));
}

QTimeOptions::~QTimeOptions()
{
    delete ui;
}

void QTimeOptions::retranslateUi()
{
    ui->m_chkManually->setText(tr("Start manually and end after"));
    ui->m_labHr->setText(tr("Hr"));
    ui->m_labMin->setText(tr("min"));
    ui->m_labSec->setText(tr("sec"));
    ui->m_chkSchedule->setText(tr("Start and end on schedule"));
    ui->m_labStart->setText(tr("Start time:"));
    ui->m_labStop->setText(tr("End time:"));
    for (QLabel *label : {ui->m_labHr, ui->m_labMin, ui->m_labSec, ui->m_labStart, ui->m_labStop})
        label->adjustSize();
}

void QTimeOptions::InitCtrl()
{
    QInitCtrlStyle::InitCheckBox(ui->m_chkManually);
    QInitCtrlStyle::InitCheckBox(ui->m_chkSchedule);
    for (QJXLineEdit *edit : {ui->m_editHr, ui->m_editMin, ui->m_editSec}) {
        QInitCtrlStyle::InitLineEdit(edit, 40, 24);
        edit->onlyInputNumber();
        connect(edit, &QLineEdit::textEdited, this, &QTimeOptions::ManuallyTimeChange);
    }
    for (QJXTimeEdit *editor : {ui->m_timeEditStart, ui->m_timeEditStop}) {
        QInitCtrlStyle::InitTimeEdit(editor, 134, 24);
        editor->setBtnMargins(122, 3, 0, 3);
    }
    const QColor light(250, 237, 237);
    for (QLabel *label : {ui->m_labHr, ui->m_labMin, ui->m_labSec, ui->m_labStart, ui->m_labStop,
                          ui->m_lblSchedule}) {
        QInitCtrlStyle::InitFont(label, 12);
        QInitCtrlStyle::InitPalette(label, QPalette::WindowText, light);
    }
    QInitCtrlStyle::InitPalette(ui->m_chkManually, QPalette::WindowText, light);
    QInitCtrlStyle::InitPalette(ui->m_chkSchedule, QPalette::WindowText, light);
    connect(ui->m_chkManually, &QCheckBox::clicked, this, &QTimeOptions::OnChkManually);
    connect(ui->m_chkSchedule, &QCheckBox::clicked, this, &QTimeOptions::OnChkSchedule);

    InitAfterTime();
    InitSchedule();

    for (QWidget *w : std::initializer_list<QWidget *>{ui->m_labHr, ui->m_labMin, ui->m_labSec,
                                                       ui->m_editHr, ui->m_editMin, ui->m_editSec,
                                                       ui->m_chkSchedule})
        w->hide();
    ui->m_lblSchedule->adjustSize();
    ui->m_chkManually->hide();

    // The panel opens on the schedule; nothing is stored or armed until OK.
    ui->m_chkSchedule->setChecked(true);
    setScheduleTimeEnable(true);
}

void QTimeOptions::InitAfterTime()
{
    bool on = read(kTimeGroup, kStopAfterKey, "N") == QLatin1String("Y");
    const unsigned long long length = readMicroseconds(kTimeGroup, kLengthKey);
    // Stop after nothing counts as off (shown so, not stored by opening).
    if (length == 0)
        on = false;
    ui->m_chkManually->setChecked(on);
    setAfterTime(length);
    options()->setTimingLenght(length);
    setAfterTimeEnable(on);
    options()->setManuallyAble(on);
}

void QTimeOptions::InitSchedule()
{
    const bool stopAfter = read(kTimeGroup, kStopAfterKey, "N") == QLatin1String("Y");
    const unsigned long long start = readMicroseconds(kScheduleGroup, kStartKey);
    const unsigned long long end = readMicroseconds(kScheduleGroup, kEndKey);
    if (start != end && !stopAfter)
        ui->m_chkSchedule->setChecked(read(kScheduleGroup, kScheduleKey, "N") == QLatin1String("Y"));
    else
        ui->m_chkSchedule->setChecked(false);
    setScheduleTime(start, ui->m_timeEditStart);
    setScheduleTime(end, ui->m_timeEditStop);
    options()->setScheduleStartTime(start);
    options()->setScheduleEndTime(end);
}

void QTimeOptions::setAfterTime(unsigned long long microseconds)
{
    const HourMinuteSecond hms = QScheduleTime::split(microseconds);
    ui->m_editHr->setText(QString::number(hms.hours));
    ui->m_editMin->setText(QString::number(hms.minutes));
    ui->m_editSec->setText(QString::number(hms.seconds));
}

void QTimeOptions::setAfterTimeEnable(bool enabled)
{
    for (QJXLineEdit *edit : {ui->m_editHr, ui->m_editMin, ui->m_editSec})
        edit->setEnabled(enabled);
}

void QTimeOptions::setScheduleTime(unsigned long long microseconds, QJXTimeEdit *editor)
{
    if (editor)
        editor->setTime(QScheduleTime::timeOfDay(microseconds));
}

void QTimeOptions::setScheduleTimeEnable(bool enabled)
{
    ui->m_timeEditStart->setEnabled(enabled);
    ui->m_timeEditStop->setEnabled(enabled);
}

unsigned long long QTimeOptions::convertTime(int hours, int minutes, int seconds)
{
    return QScheduleTime::toMicroseconds(hours, minutes, seconds);
}

void QTimeOptions::setModeShow(bool manual)
{
    if (manual) {
        ui->m_chkSchedule->setChecked(false);
        setScheduleTimeEnable(false);
        options()->setScheduleAble(false);
        write(kScheduleGroup, kScheduleKey, flag(false));
    } else {
        ui->m_chkManually->setChecked(false);
        setAfterTimeEnable(false);
        options()->setManuallyAble(false);
        write(kTimeGroup, kStopAfterKey, flag(false));
    }
}

void QTimeOptions::OnChkManually()
{
    const bool on = ui->m_chkManually->isChecked();
    write(kTimeGroup, kStopAfterKey, flag(on));
    options()->setManuallyAble(on);
    setAfterTimeEnable(on);
    if (on)
        setModeShow(true);
}

void QTimeOptions::OnChkSchedule()
{
    const bool on = ui->m_chkSchedule->isChecked();
    write(kScheduleGroup, kScheduleKey, flag(on));
    options()->setScheduleAble(on);
    setScheduleTimeEnable(on);
    if (on)
        setModeShow(false);
}

void QTimeOptions::ManuallyTimeChange(QString text)
{
    auto *edit = qobject_cast<QJXLineEdit *>(sender());
    if (!edit)
        return;
    const int n = text.toInt(nullptr, 10);
    if (text.isEmpty())
        edit->setText(QStringLiteral("0"));
    if (edit == ui->m_editHr && n >= 100)
        edit->setText(QStringLiteral("99"));
    else if ((edit == ui->m_editMin || edit == ui->m_editSec) && n >= 60)
        edit->setText(QStringLiteral("59"));
    const unsigned long long length = convertTime(ui->m_editHr->text().toInt(nullptr, 10),
                                                  ui->m_editMin->text().toInt(nullptr, 10),
                                                  ui->m_editSec->text().toInt(nullptr, 10));
    if (length != options()->getTimingLenght()) {
        write(kTimeGroup, kLengthKey, QString::number(length));
        options()->setTimingLenght(length);
    }
}

void QTimeOptions::timeEditChange(QString text)
{
    const unsigned long long value = QScheduleTime::fromText(text);
    if (sender() == ui->m_timeEditStart) {
        write(kScheduleGroup, kStartKey, QString::number(value));
        options()->setScheduleStartTime(value);
    } else if (sender() == ui->m_timeEditStop) {
        write(kScheduleGroup, kEndKey, QString::number(value));
        options()->setScheduleEndTime(value);
    }
}

void QTimeOptions::SaveSchedule()
{
    const QString format = QStringLiteral("HH:mm:ss");
    const unsigned long long start = QScheduleTime::fromText(ui->m_timeEditStart->time().toString(format));
    const unsigned long long end = QScheduleTime::fromText(ui->m_timeEditStop->time().toString(format));
    write(kScheduleGroup, kStartKey, QString::number(start));
    options()->setScheduleStartTime(start);
    write(kScheduleGroup, kEndKey, QString::number(end));
    options()->setScheduleEndTime(end);
    // An empty window is no schedule: stored off as well as disarmed.
    const bool armed = start != end;
    write(kScheduleGroup, kScheduleKey, flag(armed));
    options()->setScheduleAble(armed);
    if (armed)
        setModeShow(false);
}

void QTimeOptions::CleanSetting()
{
    write(kTimeGroup, kStopAfterKey, flag(false));
    switchScheduleOff();
    write(kScheduleGroup, kStartKey, QStringLiteral("0"));
    write(kScheduleGroup, kEndKey, QStringLiteral("0"));
    InitSchedule();
}

void QTimeOptions::CloseSchedule(bool clean)
{
    if (clean) {
        CleanSetting();
        return;
    }
    switchScheduleOff();
}

void QTimeOptions::switchScheduleOff()
{
    write(kScheduleGroup, kScheduleKey, flag(false));
    options()->setScheduleAble(false);
}

void QTimeOptions::reset()
{
    QRecordAreaInfo *info = options();
    if (info->getManuallyAble()) {
        ui->m_chkManually->setChecked(false);
        write(kTimeGroup, kStopAfterKey, flag(false));
        info->setManuallyAble(false);
        setAfterTimeEnable(false);
    }
    if (info->getTimingLenght() != 0) {
        setAfterTime(0);
        write(kTimeGroup, kLengthKey, QStringLiteral("0"));
        info->setTimingLenght(0);
    }
    if (info->getScheduleAble()) {
        ui->m_chkSchedule->setChecked(false);
        setScheduleTimeEnable(false);
        write(kScheduleGroup, kScheduleKey, flag(false));
        info->setScheduleAble(false);
    }
    if (info->getScheduleStartTime() != 0 || info->getScheduleEndTime() != 0) {
        setScheduleTime(0, ui->m_timeEditStart);
        setScheduleTime(0, ui->m_timeEditStop);
        write(kScheduleGroup, kStartKey, QStringLiteral("0"));
        write(kScheduleGroup, kEndKey, QStringLiteral("0"));
        info->setScheduleStartTime(0);
        info->setScheduleEndTime(0);
    }
}

void QTimeOptions::resetControlLocation()
{
    const int W = width();
    ui->m_lblSchedule->move(15, 15);
    const int x0 = (W - ui->m_labStart->width() - ui->m_timeEditStart->width() - 20) / 2;
    ui->m_labStart->move(x0, ui->m_lblSchedule->geometry().bottom() + 20);
    ui->m_labStop->move(x0, ui->m_labStart->geometry().bottom() + 20);
    const QRect start = ui->m_labStart->geometry();
    ui->m_timeEditStart->move(start.right() + 20,
                              start.top() + (start.height() - ui->m_timeEditStart->height()) / 2);
    const QRect stop = ui->m_labStop->geometry();
    ui->m_timeEditStop->move(ui->m_timeEditStart->x(),
                             stop.top() + (stop.height() - ui->m_timeEditStop->height()) / 2);
}
