#pragma once
// The library's start-up read begun before the library is made: the program
// begins it first thing, before the application object, so that the history
// is read and its rows made while Qt starts and the window is built. The
// loader takes it over as it starts (QLibraryLoader::start) and follows it
// as a read of its own: the same rows, the same changes. What a start-up
// read begins with (the recordings marked as being made, which get no row
// from the history) is looked up once, by whichever begins it.

#include "common/qrecordingmarker.h"
#include "library/qhistoryloadjob.h"
#include "library/qroworder.h"

#include <QList>
#include <QSet>
#include <QString>

#include <optional>

class QHistoryEarlyRead
{
public:
    struct Begun
    {
        // The recordings a crash cut short, repaired as the library starts,
        // and their absolute paths.
        QList<QRecordingMarker::Entry> marked;
        QSet<QString> inRepair;
        // The order its rows are read in.
        QRowOrder order;
        QHistoryLoadJob::Running read;
    };

    // Begins the read, in the table's first order. One at a time: while
    // another is untaken this one begins nothing.
    QHistoryEarlyRead();
    // A read nobody took is stopped at its next entry and waited for; its
    // rows go here.
    ~QHistoryEarlyRead();
    QHistoryEarlyRead(const QHistoryEarlyRead &) = delete;
    QHistoryEarlyRead &operator=(const QHistoryEarlyRead &) = delete;

    bool isBegun() const { return m_begun.has_value(); }
    // How far the read got while it is untaken; null otherwise.
    std::shared_ptr<const QHistoryLoadJob::Progress> progress() const
    {
        return m_begun ? m_begun->read.progress : nullptr;
    }

    // A start-up read begun now: the marked recordings looked up and the
    // history read on a worker, its rows made as the library makes them.
    static Begun begin(const QRowOrder &order);
    // The early read, handed over once (to the library that starts first);
    // none when none was begun or it was taken. GUI thread only.
    static std::optional<Begun> take();

private:
    std::optional<Begun> m_begun;
};
