#pragma once
// A compact in-memory form of "History.xml" for the store's changes: the
// document element, its entries and each entry's child elements with their
// attributes in file order. It takes a fraction of the memory and time of a
// DOM document on large libraries. Text and comments are not kept (the store
// writes none); deeper elements are kept as they are not addressed.

#include <QByteArray>
#include <QPair>
#include <functional>
#include <QString>
#include <QVector>

class HistoryDocument
{
public:
    using Attributes = QVector<QPair<QString, QString>>;

    struct Element
    {
        QString name;
        Attributes attributes;
        QVector<Element> children;

        QString attribute(const QString &key) const;
        void setAttribute(const QString &key, const QString &value);
    };

    // An empty "ROOTITEM" document.
    HistoryDocument();

    // False (and the document unchanged, reason telling where and why) when
    // the bytes do not parse, declare a document type or nest deeper than
    // StateFile::kMaxDepth.
    bool parse(const QByteArray &bytes, QString *reason = nullptr);
    // UTF-8, indent 4, no declaration.
    QByteArray serialize() const;
    // The same bytes handed to sink a piece at a time (about a megabyte),
    // so that a large history never exists twice in memory; stops at the
    // first piece the sink refuses and returns false then.
    bool serialize(const std::function<bool(const QByteArray &piece)> &sink) const;

    Element &root() { return m_root; }
    QVector<Element> &entries() { return m_root.children; }
    const QVector<Element> &entries() const { return m_root.children; }
    // Index of the first entry whose "Converted_path_" matches; -1 when none.
    int findEntry(const QString &path, bool normaliseSeparators) const;

private:
    Element m_root;
};

// Moved in memory when a vector of them grows: a large history is read
// into one vector of entries without copying each as it grows.
Q_DECLARE_TYPEINFO(HistoryDocument::Element, Q_MOVABLE_TYPE);
