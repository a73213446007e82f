#include "library/qlibraryloader.h"

#include "common/qconverteroperate.h"
#include "common/qvideosettingxml.h"
#include "library/librarylog.h"
#include "library/librarytexts.h"
#include "library/qaudiofilechunk.h"
#include "library/qformatfilljob.h"
#include "library/qhistoryearlyread.h"
#include "library/qhistoryrepair.h"
#include "library/qlibraryquestions.h"
#include "library/qlibraryrows.h"
#include "library/qrecordingrecoveryjob.h"
#include "library/qrowcontrols.h"

#include <QFileInfo>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <optional>
#include <string>
#include <unordered_map>

QLibraryLoader::QLibraryLoader(QLibraryRows &rows, const QRowControls &controls, QWidget *owner, QObject *parent)
    : QObject(parent)
    , m_rows(rows)
    , m_controls(controls)
    , m_owner(owner)
{
}

// Rows still being made from the history never joined any list: they go
// with the job and the joining list.
QLibraryLoader::~QLibraryLoader() = default;

void QLibraryLoader::start()
{
    // The read the program began before its window (QHistoryEarlyRead), or
    // one begun now. The history is read on a worker: the window shows at
    // once, and the rows join in one go when read (see OnHistoryLoaded).
    std::optional<QHistoryEarlyRead::Begun> early = QHistoryEarlyRead::take();
    QHistoryEarlyRead::Begun begun = early ? std::move(*early) : QHistoryEarlyRead::begin(m_rows.order());
    // Recordings cut short by a crash are repaired on a worker and join the
    // table once whole; until then no row offers them, nor does the search
    // of the output folder below take them for lost ones.
    m_inRepair = begun.inRepair;
    auto *recovery = new QRecordingRecoveryJob(this);
    connect(recovery, &QRecordingRecoveryJob::recovered, this, &QLibraryLoader::OnRecordingsRecovered);
    recovery->start(begun.marked);
    m_historyJob = new QHistoryLoadJob(this);
    connect(m_historyJob, &QHistoryLoadJob::loaded, this, &QLibraryLoader::OnHistoryLoaded);
    // An order asked for since the read began is applied as its rows join.
    m_readOrder = begun.order;
    m_historyJob->adopt(std::move(begun.read));
}

void QLibraryLoader::OnHistoryLoaded()
{
    if (!m_historyJob)
        return;
    QHistoryLoadJob::Result loaded = m_historyJob->takeResult();
    m_historyJob->deleteLater();
    m_historyJob = nullptr;
    // The pass's changes go to the history as it is now: a recording saved
    // while it was read stays.
    if (!QVideoSettingXml::applyHistoryStartChanges(loaded.changes))
        qCWarning(lcLibrary, "History: the changes of the start-up pass could not be saved");
    QString outputFolder = QConverterOperate::getConverterPath();
    if (outputFolder.isEmpty())
        outputFolder = QVideoSettingXml::GetItemValue(QStringLiteral("OutPut_path"),
                                                      QStringLiteral("path_value"), QString());
    QList<convertedInfo> found;
    const auto listed = [&loaded] {
        QStringList paths = loaded.rowless;
        for (const std::unique_ptr<IBaseChunk> &item : loaded.rows)
            if (auto *row = dynamic_cast<QAudioFileChunk *>(item.get()))
                paths << row->qtext(QRowTexts::FilePath);
        return paths;
    };
    const QString damage = QHistoryRepair::afterLoad(listed, found, outputFolder, m_inRepair);
    if (!damage.isEmpty())
        QTimer::singleShot(0, this, [this, damage] { QLibraryQuestions::tell(m_owner, damage); });
    m_joining.rows = std::move(loaded.rows);
    m_joining.sorted = m_joining.rows.size();
    // Recordings found again join at their places.
    for (const convertedInfo &info : qAsConst(found))
        if (QRowControls::takesRow(info, m_inRepair))
            m_joining.rows.emplace_back(QRowControls::recordRow(info));
    m_joining.formatsToFill = std::move(loaded.formatsToFill);
    m_joining.next = 0;
    makeJoiningRows();
}

void QLibraryLoader::makeJoiningRows()
{
    // A slice of rows per turn of the event loop: the window answers while
    // a large history's rows get their controls and are filed by path.
    constexpr size_t kRowsPerTurn = 2000;
    if (m_joining.next == 0)
        m_joining.filed.reserve(m_joining.rows.size(), m_joining.rows.size());
    const size_t stop = std::min(m_joining.rows.size(), m_joining.next + kRowsPerTurn);
    std::vector<IBaseChunk *> slice;
    slice.reserve(stop - m_joining.next);
    for (; m_joining.next < stop; ++m_joining.next)
        slice.push_back(m_joining.rows[m_joining.next].get());
    for (IBaseChunk *row : slice)
        m_controls.addControls(row);
    QLibraryRows::fileAhead(m_joining.filed, slice);
    // The rows join in a turn of their own: that turn shows them all,
    // and lays out and sums a large table.
    QTimer::singleShot(0, this,
                       m_joining.next < m_joining.rows.size() ? &QLibraryLoader::makeJoiningRows
                                                              : &QLibraryLoader::joinHistoryRows);
}

void QLibraryLoader::joinHistoryRows()
{
    // Rows made while the history was read (a recording started at once)
    // keep their place; their records are not added twice.
    const std::vector<IBaseChunk *> present = m_rows.all();
    QRowIndex filed = std::move(m_joining.filed);
    // A few rows at most: the history's rows of their paths are found
    // through the index made for the rows, and go with the joining list.
    std::vector<const IBaseChunk *> shownAlready;
    for (IBaseChunk *item : present) {
        const auto *row = dynamic_cast<const QAudioFileChunk *>(item);
        if (!row)
            continue;
        filed.visitMasters(row->pathHash(), [&](IBaseChunk *joining) {
            const auto *read = dynamic_cast<const QAudioFileChunk *>(joining);
            if (read && read->textView(QRowTexts::FilePath) == row->textView(QRowTexts::FilePath))
                shownAlready.push_back(joining);
        });
    }
    for (const IBaseChunk *row : shownAlready)
        filed.remove(row, QRowIndex::Master | QRowIndex::Shown);
    // The worker sorted the rows it read; those found again came after them.
    std::vector<IBaseChunk *> rows;
    std::vector<IBaseChunk *> extra(present);
    rows.reserve(m_joining.rows.size() + present.size());
    for (size_t i = 0; i < m_joining.rows.size(); ++i) {
        IBaseChunk *row = m_joining.rows[i].get();
        if (!shownAlready.empty()
            && std::find(shownAlready.begin(), shownAlready.end(), row) != shownAlready.end())
            continue;
        (i < m_joining.sorted ? rows : extra).push_back(m_joining.rows[i].release());
    }
    QLibraryRows::fileAhead(filed, present);
    const QRowOrder &order = m_rows.order();
    // A new order asked for while the history was read (rare) is applied here.
    if (order != m_readOrder)
        order.sort(rows);
    for (IBaseChunk *row : extra)
        rows.insert(rows.begin() + std::ptrdiff_t(order.placeOf(rows, row)), row);
    // Read from the files once the rows are painted (see afterPaint).
    m_formatsToFill = std::move(m_joining.formatsToFill);
    m_joining = Joining();
    m_rows.setAll(std::move(rows), std::move(filed));
    m_historyLoaded = true;
    // From now on the history in memory is what the table shows; what
    // another copy of the program changes comes in as a diff.
    QVideoSettingXml::followHistory(this,
                                    [this](const QStringList &paths) { OnHistoryChangedElsewhere(paths); });
    emit historyJoined();
    emit emitHistoryLoaded();
}

void QLibraryLoader::OnHistoryChangedElsewhere(const QStringList &paths)
{
    // The records as the history holds them now (a change made here since
    // counts too); none for a record that went.
    std::unordered_map<std::string, std::optional<convertedInfo>> records;
    for (const QString &path : paths) {
        std::optional<convertedInfo> info = QVideoSettingXml::GetConvertedInfo(path);
        if (info && !QRowControls::takesRow(*info, m_inRepair))
            info.reset();
        records.emplace(path.toStdString(), std::move(info));
    }
    // Only the rows of these paths are read: a large library is not walked.
    std::vector<IBaseChunk *> going;
    std::vector<IBaseChunk *> changed;
    for (auto &[path, info] : records) {
        const std::vector<QAudioFileChunk *> rows = m_rows.mastersAt(path);
        for (QAudioFileChunk *row : rows) {
            if (!info) {
                going.push_back(row);
                continue;
            }
            // The row's own state (new in this session, playing) stays.
            const bool isNew = row->isNewAdd();
            row->setFromRecord(*info);
            row->setNewAdd(isNew);
            QList<std::string> names;
            for (const QString &name : info->listNames)
                names << name.toStdString();
            row->SetListsBelong(names);
            changed.push_back(row);
        }
        if (!rows.empty())
            info.reset(); // has its row
    }
    for (IBaseChunk *row : changed)
        m_rows.rowChanged(row);
    m_rows.forgetRows(going);
    for (IBaseChunk *row : going)
        delete row;
    for (const auto &[path, info] : records)
        if (info)
            m_rows.addRow(m_controls.rowOf(*info));
    emit rowsJoined();
}

void QLibraryLoader::afterPaint()
{
    if (m_formatsToFill.isEmpty())
        return;
    // Once this paint pass is over, the table's rows included.
    QTimer::singleShot(0, this, [this, paths = std::exchange(m_formatsToFill, {})] {
        auto *job = new QFormatFillJob(this);
        connect(job, &QFormatFillJob::filled, this, &QLibraryLoader::OnFormatsFilled);
        connect(job, &QFormatFillJob::finished, job, &QObject::deleteLater);
        job->start(paths);
    });
}

void QLibraryLoader::OnFormatsFilled(const QList<QPair<QString, QString>> &formats)
{
    if (formats.isEmpty())
        return;
    // The rows of these files only, found by their paths.
    for (const auto &[path, format] : formats) {
        const std::string utf8 = path.toStdString();
        for (QAudioFileChunk *row : m_rows.mastersAt(utf8))
            row->SetFileFormat(format.toStdString());
    }
    for (const auto &[path, format] : formats)
        if (!QVideoSettingXml::changeConvertedInfoValue(path, QStringLiteral("Format_"), format))
            qCWarning(lcLibrary) << "cannot store the format of" << path << "in the history";
}

void QLibraryLoader::OnRecordingsRecovered(const QList<convertedInfo> &records)
{
    QStringList paths;
    for (const convertedInfo &info : records) {
        const qint64 bytes = info.videoFile ? -1 : LibraryTexts::fileBytes(info.convertedPath);
        if (bytes < 0)
            continue;
        m_rows.addRow(m_controls.rowOf(info, bytes));
        paths << info.convertedPath;
    }
    if (paths.isEmpty())
        return;
    emit rowsJoined();
    QStringList names;
    for (const QString &path : paths)
        names << QFileInfo(path).fileName();
    QLibraryQuestions::inform(
        m_owner, paths.size() == 1 ? tr("A recording that was cut short was repaired and added to the "
                                        "library: %1.")
                                         .arg(names.first())
                                   : tr("%1 recordings that were cut short were repaired and added to "
                                        "the library: %2.")
                                         .arg(paths.size())
                                         .arg(names.join(QStringLiteral(", "))));
    emit emitRecoveredRecordings(paths);
}
