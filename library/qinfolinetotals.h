#pragma once
// What the info line below the recordings table counts: the rows the table
// shows, their bytes and their seconds. Kept from the table's changes: rows
// that come or go are counted alone, and a change that moves no row's bytes
// or seconds (a row played, renamed or moved) costs nothing. Only a new
// set of rows (another entry, a reset) or a changed amount is summed again;
// a new search gives a new set too, and its owner asks for recountAround().

#include <QModelIndex>
#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class QAbstractProxyModel;
class QLibraryRows;

class QInfoLineTotals : public QObject
{
    Q_OBJECT
public:
    // view is the model the table shows, over the rows' shown list.
    QInfoLineTotals(const QLibraryRows &rows, QAbstractProxyModel *view, QObject *parent = nullptr);

    int count() const { return m_count; }
    qint64 bytes() const { return m_bytes; }
    qint64 seconds() const { return m_seconds; }
    // Sums every shown row again.
    void recount();
    // Makes a change that may show another set of rows (a search, another
    // entry) and sums once, after it (after the outermost such change).
    void recountAround(const std::function<void()> &change);
    struct Sums
    {
        int count = 0;
        qint64 bytes = 0;
        qint64 seconds = 0;
    };
    // The same for a change whose rows were summed already (a search on a
    // worker): the sums are taken as they are; without them, summed again.
    void takeAround(const std::function<void()> &change, const std::optional<Sums> &sums);

signals:
    void changed();

private:
    // Adds (sign 1) or takes away (-1) the rows first to last of the view.
    void countRows(int first, int last, int sign);
    // Whether a row's bytes or seconds moved since the last sum.
    bool amountsMoved() const;

    const QLibraryRows &m_rows;
    QPointer<QAbstractProxyModel> m_view;
    int m_count = 0;
    qint64 m_bytes = 0;
    qint64 m_seconds = 0;
    quint64 m_amountsSeen = 0;
    // Changes under way that sum after them (one may make another).
    int m_holds = 0;
};
