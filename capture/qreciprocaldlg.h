#pragma once
// Small frameless countdown: an empty dark panel for 100 ms, then 3, 2 and 1
// for a second each; after three seconds it hides itself.

#include <QDialog>
#include <QTimer>

namespace Ui {
class QReciprocalDlg;
}

class QReciprocalDlg : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kStartCount = 30;
    static constexpr int kTickMs = 100;

    explicit QReciprocalDlg(QWidget *parent = nullptr);
    ~QReciprocalDlg() override;

    int count() const { return m_count; }
    // The digit shown at a count, or 0 while nothing is.
    static int digitFor(int count);

public slots:
    void OnReciprocalCount();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Ui::QReciprocalDlg *ui;
    QTimer *m_timer;
    int m_count = kStartCount;
};
