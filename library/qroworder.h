#pragma once
// The order of the recordings table: a column and a direction. Rows are kept
// in this order in their lists (the master list, every entry's rows, the
// shown rows), so the view never sorts: a new or changed row is put in its
// place, and a new order is worked out on a worker from keys read at once.
// "Created Time" orders by the date the text stands for, the running
// recording above all rows when descending; the other columns compare the
// texts they show, as strings do.

#include "library/qrowtexts.h"

#include <QtGlobal>
#include <qnamespace.h>

#include <string>
#include <string_view>
#include <vector>

class IBaseChunk;
class QAudioFileChunk;

class QRowOrder
{
public:
    // By "Created Time", newest first: the table's first order.
    QRowOrder();
    QRowOrder(int column, Qt::SortOrder direction);

    int column() const { return m_column; }
    Qt::SortOrder direction() const { return m_direction; }
    bool operator==(const QRowOrder &other) const
    {
        return m_column == other.m_column && m_direction == other.m_direction;
    }
    bool operator!=(const QRowOrder &other) const { return !(*this == other); }

    // a comes before b in the view.
    bool precedes(const QAudioFileChunk &a, const QAudioFileChunk &b) const;
    // Where the row goes among rows kept in this order: after its equals.
    size_t placeOf(const std::vector<IBaseChunk *> &rows, const IBaseChunk *row) const;

    // What the order reads of each row, kept with the row as it is made or
    // changed: its texts (shared, never copied) and its created time read
    // as a number. Taking a row's key costs the same however long its
    // texts; the keys are sorted on any thread, the rows never reached.
    struct Key
    {
        QRowTexts texts;
        qint64 number = 0;
        bool hasNumber = false;
        bool recording = false;
        bool fixed = false;
    };
    static Key keyOf(const IBaseChunk *row);
    std::vector<Key> keysOf(const std::vector<IBaseChunk *> &rows) const;
    // The keys' places in view order (indexes into keys); equal keys keep
    // their order.
    std::vector<int> sortedPlaces(const std::vector<Key> &keys) const;
    // The rows sorted in place; on the thread that owns them.
    void sort(std::vector<IBaseChunk *> &rows) const;

    // a < b as QStrings compare them (by UTF-16 code unit), read straight
    // from UTF-8: a sort of many rows compares names without making them.
    static bool utf16Less(std::string_view a, std::string_view b);

private:
    // What a comparison reads of a key, worked out once per key.
    struct Compared;
    Compared compared(const Key &key, std::string &upper) const;
    bool less(const Compared &a, const Compared &b) const;

    int m_column;
    Qt::SortOrder m_direction;
};
