#pragma once
// The modal "Record time options" dialog: the record-time options panel
// above Cancel and OK. OK stores the daily window and reports it through
// emitSetSchedule(); Cancel and the close button store nothing. Built
// without showing it, it switches the schedule off (CloseSchedule).

#include "widgetkit/qjxdialogex.h"

class QJXBaseButton;
class QTimeOptions;

class QAudioScheduleSettingDlg : public QJXDialogEx
{
    Q_OBJECT
public:
    explicit QAudioScheduleSettingDlg(QWidget *parent = nullptr);
    ~QAudioScheduleSettingDlg() override;

    void Init();
    // clean: clears the stored schedule and stop-after mode; otherwise
    // switches the schedule off.
    void CloseSchedule(bool clean);

    QTimeOptions *optionsPanel() const { return m_options; }
    QJXBaseButton *okButton() const { return m_btnOk; }
    QJXBaseButton *cancelButton() const { return m_btnCancel; }

signals:
    void emitSetSchedule();

public slots:
    void OnBtnOk();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QTimeOptions *m_options = nullptr;
    QJXBaseButton *m_btnCancel = nullptr;
    QJXBaseButton *m_btnOk = nullptr;
};
