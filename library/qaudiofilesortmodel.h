#pragma once
// The proxy the recordings table is seen through. The rows come already in
// the table's order (library/qlibraryrows.h): this proxy only leaves out the
// rows the search does not find, and passes a click on a header on as a
// request for another order. The file-name cell is edited in place and
// never starts a drag.

#include "library/qrowsearch.h"
#include "widgetkit/views/qjxbasesortmodel.h"

#include <vector>

class QAudioFileSortModel : public QJXBaseSortModel
{
    Q_OBJECT
public:
    explicit QAudioFileSortModel(QObject *parent = nullptr);

    // Looked for as typed, never read as a pattern; the rows are searched
    // here and now.
    void setSearchText(const QString &text);
    // The search for text, its rows found elsewhere: found[i] tells whether
    // source row i shows it (a worker's answer for the rows as they are).
    // Rows that come later are searched as they come.
    void showFound(const QString &text, std::vector<char> found);
    const QRowSearch &search() const { return m_search; }

    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Sorting is the rows' own: the order is asked for, not made here.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

signals:
    void orderRequested(int column, Qt::SortOrder order);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    // The rows are no longer those the last search looked through.
    void forgetFound() { m_foundValid = false; }

    QRowSearch m_search;
    // Whether each source row held the text of the last whole search; a
    // longer text is looked for only in those (typing narrows a search).
    // Filled while a search runs, kept while the rows stay as they were.
    mutable std::vector<char> m_finding;
    std::vector<char> m_found;
    QString m_foundFor;
    bool m_foundValid = false;
    bool m_narrowing = false;
};
