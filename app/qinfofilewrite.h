#pragma once
// Writes the information file (JxCommonInterface::InitInfoToFile) on a
// thread of its own as the window is built: a first start, or the first
// start of a new version, would otherwise hold the GUI thread while the file
// is written and synced. The outcome comes back as a queued signal; a file
// that could not be written is logged.

#include <QObject>
#include <QString>

class QThread;

class QInfoFileWrite : public QObject
{
    Q_OBJECT
public:
    explicit QInfoFileWrite(QObject *parent = nullptr);
    // Waits for a write still under way: the file is never left half made.
    ~QInfoFileWrite() override;

    // Begins writing the file at path; a second call does nothing.
    void start(const QString &path);
    // Once finished has been emitted.
    bool isFinished() const { return m_finished; }

signals:
    // On this object's thread: whether the file holds the running version.
    void finished(bool written);

private:
    QThread *m_thread = nullptr;
    bool m_finished = false;
};
