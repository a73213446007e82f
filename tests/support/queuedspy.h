#pragma once
// Records a signal's arguments on the thread that made the spy, through a
// queued connection: they arrive while that thread turns its event loop
// (QTRY_*, qWait). A QSignalSpy appends on the thread that emits, so one on a
// signal of another thread changes its list while the test reads it.

#include <QList>
#include <QObject>
#include <QVariant>

namespace TestSupport {

class QueuedSpy : public QObject
{
public:
    template<class Sender, class... Args>
    QueuedSpy(const Sender *sender, void (Sender::*signal)(Args...))
    {
        connect(
            sender, signal, this,
            [this](Args... args) { m_calls.append(QVariantList{QVariant::fromValue(args)...}); },
            Qt::QueuedConnection);
    }
    // The emissions that have reached this thread, oldest first.
    const QList<QVariantList> &calls() const { return m_calls; }
    int count() const { return m_calls.size(); }
    void clear() { m_calls.clear(); }

private:
    QList<QVariantList> m_calls;
};

} // namespace TestSupport
