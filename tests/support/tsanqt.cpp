// Linked into the tests of the ThreadSanitizer build only. Qt is not built
// with the sanitizer, and its QMutex and its event queues synchronise through
// futexes the sanitizer cannot see, so every hand-over between our threads
// through Qt would look like a race. Here the entry points our code calls are
// wrapped to tell the sanitizer what they do:
//  - QMutex lock/unlock: an acquire/release on the mutex;
//  - the end of a thread that delivered events and QThread::wait: a
//    release/acquire, since Qt ends a thread's wait through its own mutex,
//    not a join (the wait goes on until the thread's last destructors ran:
//    what a worker object does in its own destructor is part of the thread);
//  - a call or an event queued for an object (invokeMethod, postEvent, a
//    single-shot timer): a release on the object's thread, and the delivery
//    of an event: an acquire on the delivering thread, as Qt's per-thread
//    queue does;
//  - a signal: its receivers are not known here, so a release on one address
//    for all signals, which every delivery acquires too (coarser than Qt,
//    never finer: it can hide a race between threads that signal each other,
//    it cannot invent one). A connection made is a release there as well,
//    and an emit acquires before its direct slots run: a functor connected
//    on one thread and run by another's emit reads its captures, which Qt
//    hands over through its connection lock. A queued signal's arguments
//    are copied inside Qt, after that release: a type of ours passed to
//    another thread as a signal's argument is reported now and then (when
//    the receiving thread is awake and takes the event before its wake-up,
//    the one hand-over the sanitizer sees). Such values cross in a queued
//    functor that holds a copy made before the call (AudioDeviceAgent's
//    readings).
// The wrappers take the mangled names of Qt's functions; calls from our code
// bind to them, calls inside Qt do not (Qt binds its own calls internally).
// What the libraries do inside (their allocations and copies, the event
// objects Qt makes and frees) is left out by the runtime option
// ignore_noninstrumented_modules (see velmora_test): only our own code's
// accesses are judged.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMetaObject>
#include <QMutex>
#include <QThread>

#include <dlfcn.h>
#include <sanitizer/tsan_interface.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>

namespace {

char signalSync;

template<typename Fn>
Fn realFunction(const char *name)
{
    void *f = dlsym(RTLD_NEXT, name);
    if (!f)
        qFatal("tsanqt: %s not found in Qt", name);
    return reinterpret_cast<Fn>(f);
}

void queued()
{
    __tsan_release(&signalSync);
}

// The address that stands for a thread's event queue (the thread object
// itself stands for its end).
void *queueOf(QThread *thread)
{
    return reinterpret_cast<char *>(thread) + 1;
}

void queuedFor(const QObject *receiver)
{
    if (QThread *thread = receiver ? receiver->thread() : nullptr)
        __tsan_release(queueOf(thread));
    else
        queued();
}

// Threads that delivered events and have not ended yet.
std::mutex liveMutex;
std::condition_variable threadGone;
std::set<QThread *> liveThreads;

struct ThreadEnd
{
    QThread *thread = nullptr;
    ~ThreadEnd()
    {
        if (!thread)
            return;
        __tsan_release(thread);
        std::lock_guard<std::mutex> lock(liveMutex);
        liveThreads.erase(thread);
        threadGone.notify_all();
    }
};
thread_local ThreadEnd threadEnd;

void delivered()
{
    __tsan_acquire(&signalSync);
    QThread *thread = QThread::currentThread();
    if (!thread)
        return;
    __tsan_acquire(queueOf(thread));
    QCoreApplication *app = QCoreApplication::instance();
    if (!threadEnd.thread && app && thread != app->thread()) {
        threadEnd.thread = thread;
        std::lock_guard<std::mutex> lock(liveMutex);
        liveThreads.insert(thread);
    }
}

// After QThread::wait: until the thread's last destructors ran. A thread
// whose destructors never end would leave every later judgement of its
// hand-over unfounded, so the test stops there and says so.
void ended(QThread *thread)
{
    {
        std::unique_lock<std::mutex> lock(liveMutex);
        if (!threadGone.wait_for(lock, std::chrono::seconds(30),
                                 [thread] { return liveThreads.count(thread) == 0; }))
            qFatal("tsanqt: thread %p still runs its destructors 30 s after QThread::wait said it ended",
                   static_cast<void *>(thread));
    }
    __tsan_acquire(thread);
}

bool onEvent(void **)
{
    delivered();
    return false; // deliver it as usual
}

[[maybe_unused]] const bool registered =
    QInternal::registerCallback(QInternal::EventNotifyCallback, onEvent);

} // namespace

#define TSANQT_WRAP(ret, wrapper, mangled, params)                                                  \
    extern "C" ret wrapper params __asm__(mangled);                                                \
    extern "C" ret wrapper params

TSANQT_WRAP(void, tsanqt_mutex_lock, "_ZN6QMutex4lockEv", (QMutex *m))
{
    static const auto real = realFunction<void (*)(QMutex *)>("_ZN6QMutex4lockEv");
    real(m);
    __tsan_acquire(m);
}

TSANQT_WRAP(bool, tsanqt_mutex_trylock, "_ZN6QMutex7tryLockEi", (QMutex *m, int timeout))
{
    static const auto real = realFunction<bool (*)(QMutex *, int)>("_ZN6QMutex7tryLockEi");
    const bool locked = real(m, timeout);
    if (locked)
        __tsan_acquire(m);
    return locked;
}

TSANQT_WRAP(void, tsanqt_mutex_unlock, "_ZN6QMutex6unlockEv", (QMutex *m))
{
    static const auto real = realFunction<void (*)(QMutex *)>("_ZN6QMutex6unlockEv");
    __tsan_release(m);
    real(m);
}

TSANQT_WRAP(void, tsanqt_activate_meta, "_ZN11QMetaObject8activateEP7QObjectPKS_iPPv",
            (QObject *sender, const QMetaObject *m, int index, void **argv))
{
    static const auto real = realFunction<void (*)(QObject *, const QMetaObject *, int, void **)>(
        "_ZN11QMetaObject8activateEP7QObjectPKS_iPPv");
    queued();
    delivered(); // a direct slot runs inside
    real(sender, m, index, argv);
    delivered(); // a blocking queued connection has run the slot
}

TSANQT_WRAP(void, tsanqt_activate_index, "_ZN11QMetaObject8activateEP7QObjectiPPv",
            (QObject *sender, int index, void **argv))
{
    static const auto real =
        realFunction<void (*)(QObject *, int, void **)>("_ZN11QMetaObject8activateEP7QObjectiPPv");
    queued();
    delivered();
    real(sender, index, argv);
    delivered();
}

TSANQT_WRAP(void, tsanqt_activate_offset, "_ZN11QMetaObject8activateEP7QObjectiiPPv",
            (QObject *sender, int offset, int index, void **argv))
{
    static const auto real =
        realFunction<void (*)(QObject *, int, int, void **)>("_ZN11QMetaObject8activateEP7QObjectiiPPv");
    queued();
    delivered();
    real(sender, offset, index, argv);
    delivered();
}

#define TSANQT_CONNECT_NAME                                                                         \
    "_ZN7QObject11connectImplEPKS_PPvS1_S3_PN9QtPrivate15QSlotObjectBaseEN2Qt14ConnectionTypeEPKiPK11QMetaObject"
using ConnectImpl = QMetaObject::Connection (*)(const QObject *, void **, const QObject *, void **,
                                                QtPrivate::QSlotObjectBase *, Qt::ConnectionType, const int *,
                                                const QMetaObject *);
TSANQT_WRAP(QMetaObject::Connection, tsanqt_connect_impl, TSANQT_CONNECT_NAME,
            (const QObject *sender, void **signal, const QObject *receiver, void **slotPtr,
             QtPrivate::QSlotObjectBase *slot, Qt::ConnectionType type, const int *types,
             const QMetaObject *senderMetaObject))
{
    static const auto real = realFunction<ConnectImpl>(TSANQT_CONNECT_NAME);
    queued();
    return real(sender, signal, receiver, slotPtr, slot, type, types, senderMetaObject);
}

TSANQT_WRAP(bool, tsanqt_invoke_functor,
            "_ZN11QMetaObject16invokeMethodImplEP7QObjectPN9QtPrivate15QSlotObjectBaseEN2Qt14ConnectionTypeEPv",
            (QObject *context, QtPrivate::QSlotObjectBase *slot, Qt::ConnectionType type, void *ret))
{
    static const auto real =
        realFunction<bool (*)(QObject *, QtPrivate::QSlotObjectBase *, Qt::ConnectionType, void *)>(
            "_ZN11QMetaObject16invokeMethodImplEP7QObjectPN9QtPrivate15QSlotObjectBaseEN2Qt14ConnectionTypeEPv");
    queuedFor(context);
    const bool ok = real(context, slot, type, ret);
    delivered();
    return ok;
}

#define TSANQT_INVOKE_NAME                                                                          \
    "_ZN11QMetaObject12invokeMethodEP7QObjectPKcN2Qt14ConnectionTypeE22QGenericReturnArgument16QGe" \
    "nericArgumentS7_S7_S7_S7_S7_S7_S7_S7_S7_"
using InvokeByName = bool (*)(QObject *, const char *, Qt::ConnectionType, QGenericReturnArgument,
                              QGenericArgument, QGenericArgument, QGenericArgument, QGenericArgument,
                              QGenericArgument, QGenericArgument, QGenericArgument, QGenericArgument,
                              QGenericArgument, QGenericArgument);
TSANQT_WRAP(bool, tsanqt_invoke_name, TSANQT_INVOKE_NAME,
            (QObject *obj, const char *member, Qt::ConnectionType type, QGenericReturnArgument ret,
             QGenericArgument a0, QGenericArgument a1, QGenericArgument a2, QGenericArgument a3,
             QGenericArgument a4, QGenericArgument a5, QGenericArgument a6, QGenericArgument a7,
             QGenericArgument a8, QGenericArgument a9))
{
    static const auto real = realFunction<InvokeByName>(TSANQT_INVOKE_NAME);
    queuedFor(obj);
    const bool ok = real(obj, member, type, ret, a0, a1, a2, a3, a4, a5, a6, a7, a8, a9);
    delivered();
    return ok;
}

TSANQT_WRAP(void, tsanqt_post_event, "_ZN16QCoreApplication9postEventEP7QObjectP6QEventi",
            (QObject *receiver, QEvent *event, int priority))
{
    static const auto real = realFunction<void (*)(QObject *, QEvent *, int)>(
        "_ZN16QCoreApplication9postEventEP7QObjectP6QEventi");
    queuedFor(receiver);
    real(receiver, event, priority);
}

TSANQT_WRAP(void, tsanqt_single_shot,
            "_ZN6QTimer14singleShotImplEiN2Qt9TimerTypeEPK7QObjectPN9QtPrivate15QSlotObjectBaseE",
            (int msec, Qt::TimerType type, const QObject *receiver, QtPrivate::QSlotObjectBase *slot))
{
    static const auto real =
        realFunction<void (*)(int, Qt::TimerType, const QObject *, QtPrivate::QSlotObjectBase *)>(
            "_ZN6QTimer14singleShotImplEiN2Qt9TimerTypeEPK7QObjectPN9QtPrivate15QSlotObjectBaseE");
    queuedFor(receiver);
    real(msec, type, receiver, slot);
}

TSANQT_WRAP(bool, tsanqt_thread_wait, "_ZN7QThread4waitE14QDeadlineTimer",
            (QThread *thread, QDeadlineTimer deadline))
{
    static const auto real =
        realFunction<bool (*)(QThread *, QDeadlineTimer)>("_ZN7QThread4waitE14QDeadlineTimer");
    const bool done = real(thread, deadline);
    if (done)
        ended(thread);
    return done;
}

TSANQT_WRAP(bool, tsanqt_thread_wait_ms, "_ZN7QThread4waitEm", (QThread *thread, unsigned long ms))
{
    static const auto real = realFunction<bool (*)(QThread *, unsigned long)>("_ZN7QThread4waitEm");
    const bool done = real(thread, ms);
    if (done)
        ended(thread);
    return done;
}
