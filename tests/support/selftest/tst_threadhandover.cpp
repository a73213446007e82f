// The ThreadSanitizer build judges our threads' hand-overs through Qt by
// what tsanqt.cpp tells it (Qt's own locks are invisible to it). A hand-over
// it leaves out is reported here as a race, and fails the test there; the
// ordinary build checks that the slot saw what was written before it.
#include <QObject>
#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>

namespace {

class Emitter : public QObject
{
    Q_OBJECT
signals:
    void ping();
};

class Receiver : public QObject
{
    Q_OBJECT
public:
    int value = 0;
    int seen = -1;
public slots:
    void onPing() { seen = value; }
};

} // namespace

class TestThreadHandover : public QObject
{
    Q_OBJECT
private slots:
    void directSlotSeesWhatPrecededTheConnection_data();
    void directSlotSeesWhatPrecededTheConnection();
};

void TestThreadHandover::directSlotSeesWhatPrecededTheConnection_data()
{
    QTest::addColumn<bool>("functor");
    QTest::newRow("a functor's captures") << true;
    QTest::newRow("a member slot's object") << false;
}

// The emitting thread already runs when the connection is made, and learns
// to emit through a relaxed flag, which orders nothing: only the connection
// and the emit can hand the data over, as a sound server's thread that emits
// on the server's word does.
void TestThreadHandover::directSlotSeesWhatPrecededTheConnection()
{
    QFETCH(bool, functor);
    Emitter emitter;
    std::atomic<bool> go{false};
    std::thread emitting([&] {
        while (!go.load(std::memory_order_relaxed))
            std::this_thread::yield();
        emit emitter.ping();
    });

    auto receiver = std::make_unique<Receiver>();
    receiver->value = 42;
    auto captured = std::make_unique<int>(7);
    int seenByFunctor = -1;
    if (functor)
        QObject::connect(&emitter, &Emitter::ping, &emitter,
                         [number = captured.get(), &seenByFunctor] { seenByFunctor = *number; },
                         Qt::DirectConnection);
    else
        QObject::connect(&emitter, &Emitter::ping, receiver.get(), &Receiver::onPing, Qt::DirectConnection);
    go.store(true, std::memory_order_relaxed);
    emitting.join();

    if (functor)
        QCOMPARE(seenByFunctor, 7);
    else
        QCOMPARE(receiver->seen, 42);
}

QTEST_GUILESS_MAIN(TestThreadHandover)
#include "tst_threadhandover.moc"
