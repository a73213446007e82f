#pragma once
// Connects the session bus on a thread of its own as the program starts.
// Qt connects it the first time anything asks for it, which under X is the
// accessibility bridge, as the main window sets its first text: a connect
// (and, with no bus named, a try at launching one) that would otherwise hold
// the GUI thread while the window is built. Made here first, the connection
// is the one every later user of the session bus shares. The outcome comes
// back as a queued signal; a bus that cannot be reached is logged.

#include <QObject>
#include <QString>

class QThread;

class QSessionBusConnect : public QObject
{
    Q_OBJECT
public:
    explicit QSessionBusConnect(QObject *parent = nullptr);
    // Waits for a connect still under way: the process must not end inside it.
    ~QSessionBusConnect() override;

    // Begins the connect; a second call does nothing.
    void start();

    // What the signals told, once they have.
    bool isFinished() const { return m_finished; }
    QString uniqueName() const { return m_uniqueName; }
    QString reason() const { return m_reason; }

signals:
    // On this object's thread: the connection's unique name on the bus, or
    // why there is no connection.
    void connected(const QString &uniqueName);
    void failed(const QString &reason);

private:
    QThread *m_thread = nullptr;
    bool m_finished = false;
    QString m_uniqueName;
    QString m_reason;
};
