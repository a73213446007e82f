#pragma once
// The library's rows at start: the history read on a worker (rows made and
// put in the table's order there), given their controls a slice per turn and
// joined in one go; recordings a crash cut short, repaired on a worker and
// joined when whole; and the formats missing from the history, read from
// the files once the table is painted.

#include "library/qhistoryloadjob.h"
#include "library/qrowindex.h"

#include <QObject>
#include <QPair>
#include <QPointer>
#include <QSet>
#include <QStringList>

#include <memory>
#include <vector>

class IBaseChunk;
class QLibraryRows;
class QRowControls;
class QWidget;

class QLibraryLoader : public QObject
{
    Q_OBJECT
public:
    // Messages about the start are shown over the owner.
    QLibraryLoader(QLibraryRows &rows, const QRowControls &controls, QWidget *owner, QObject *parent = nullptr);
    ~QLibraryLoader() override;

    void start();
    // The history's rows joined the table (also when it could not be read).
    bool historyLoaded() const { return m_historyLoaded; }
    // The table was painted: formats missing from the history are read now.
    void afterPaint();

signals:
    // The history's rows joined the master list.
    void historyJoined();
    void emitHistoryLoaded();
    // Repaired recordings, or another copy's, joined the master list (or
    // its rows changed).
    void rowsJoined();
    void emitRecoveredRecordings(QStringList paths);

private:
    void OnHistoryLoaded();
    void makeJoiningRows();
    void joinHistoryRows();
    void OnRecordingsRecovered(const QList<convertedInfo> &records);
    void OnFormatsFilled(const QList<QPair<QString, QString>> &formats);
    // Records another copy of the program added, changed or removed.
    void OnHistoryChangedElsewhere(const QStringList &paths);

    QLibraryRows &m_rows;
    const QRowControls &m_controls;
    QPointer<QWidget> m_owner;
    QHistoryLoadJob *m_historyJob = nullptr;
    QRowOrder m_readOrder;
    // The history's rows, made on the worker, while they get their
    // controls and are filed in the rows' index, a slice per turn; owned
    // until they join.
    struct Joining
    {
        std::vector<std::unique_ptr<IBaseChunk>> rows;
        size_t sorted = 0; // the first rows, read in the table's order
        size_t next = 0;   // the row given its controls next
        QRowIndex filed;   // the rows before next
        QStringList formatsToFill;
    };
    Joining m_joining;
    // Records whose format is read from their file after the first paint.
    QStringList m_formatsToFill;
    bool m_historyLoaded = false;
    // Absolute paths of the recordings being repaired at start.
    QSet<QString> m_inRepair;
};
