#include "library/qhistoryearlyread.h"

#include "library/qaudiofilechunk.h"
#include "library/qrowcontrols.h"

#include <QFileInfo>

#include <memory>

namespace {

// The read begun and not yet taken; only the GUI thread (or the main thread
// before the application object) touches it.
QHistoryEarlyRead *s_untaken = nullptr;

} // namespace

QHistoryEarlyRead::QHistoryEarlyRead()
{
    if (s_untaken)
        return;
    m_begun = begin(QRowOrder());
    s_untaken = this;
}

QHistoryEarlyRead::~QHistoryEarlyRead()
{
    if (s_untaken == this)
        s_untaken = nullptr;
    if (!m_begun)
        return;
    QHistoryLoadJob::Running &read = m_begun->read;
    read.progress->stop.store(true);
    read.result.waitForFinished();
}

QHistoryEarlyRead::Begun QHistoryEarlyRead::begin(const QRowOrder &order)
{
    Begun begun;
    begun.marked = QRecordingMarker::pending();
    for (const QRecordingMarker::Entry &e : std::as_const(begun.marked))
        begun.inRepair.insert(QFileInfo(e.info.convertedPath).absoluteFilePath());
    begun.order = order;
    // Worked out here, not by the worker's first row: the resource folder is
    // looked up once, on this thread.
    QRowControls::prepareRecordRows();
    // Rows are made on the worker as records are read, and put in the
    // table's order there; their controls, which name the table's buttons,
    // are added on the GUI thread. A row's texts are read where the history
    // keeps them.
    auto names = std::make_shared<QRowControls::ListNames>();
    begun.read = QHistoryLoadJob::run(
        [inRepair = begun.inRepair, names](const convertedInfo &info, qint64 bytes,
                                           const HistoryDocument::Entry &entry) -> IBaseChunk * {
            return QRowControls::takesRow(info, inRepair)
                       ? QRowControls::recordRow(info, bytes, names.get(), &entry)
                       : nullptr;
        },
        order);
    return begun;
}

std::optional<QHistoryEarlyRead::Begun> QHistoryEarlyRead::take()
{
    if (!s_untaken)
        return std::nullopt;
    QHistoryEarlyRead *early = std::exchange(s_untaken, nullptr);
    return std::exchange(early->m_begun, std::nullopt);
}
