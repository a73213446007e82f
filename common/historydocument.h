#pragma once
// A compact in-memory form of "History.xml" for the store's changes: the
// document element and its entries, each entry (with every element below
// it, attributes in file order) packed into one block of bytes. Names the
// store writes take a byte, every other name and every value is kept as
// UTF-8: a large library's history takes a fraction of what a tree of
// strings would, and an unchanged entry is shared, never copied. An entry
// is changed by unpacking it into an Element, changing that and packing it
// again. Text and comments are not kept (the store writes none).

#include <QByteArray>
#include <QPair>
#include <QString>
#include <QVector>

#include <functional>

class HistoryDocument
{
public:
    using Attributes = QVector<QPair<QString, QString>>;

    // An element unpacked, for making or changing an entry.
    struct Element
    {
        QString name;
        Attributes attributes;
        QVector<Element> children;

        QString attribute(const QString &key) const;
        void setAttribute(const QString &key, const QString &value);
    };

    // A value as packed: UTF-8 inside an entry's bytes, valid while the
    // entry is.
    struct Text
    {
        const char *data = nullptr;
        int size = 0;

        // Empty, not null, for an empty value, as a parser gives it.
        QString toString() const { return size ? QString::fromUtf8(data, size) : QString::fromLatin1("", 0); }
        bool operator==(const Text &other) const;
        bool operator==(QLatin1String latin1) const;
    };

    // One entry, packed; a default-made one is empty and writes nothing.
    class Entry
    {
    public:
        Entry() = default;
        explicit Entry(const Element &element);

        Element element() const;
        // An attribute of the entry's own element; null when it has none.
        QString attribute(const QString &key) const;
        int childCount() const;
        // Each attribute of each child of the entry's element (not deeper
        // ones), in order: visit(child index, name, value).
        void visitChildAttributes(
            const std::function<void(int child, const QString &name, Text value)> &visit) const;

    private:
        friend class HistoryDocument;
        QByteArray m_bytes;
    };

    // An empty "ROOTITEM" document.
    HistoryDocument();

    // False (and the document unchanged, reason telling where and why) when
    // the bytes do not parse, declare a document type or nest deeper than
    // StateFile::kMaxDepth.
    bool parse(const QByteArray &bytes, QString *reason = nullptr);
    // UTF-8, indent 4, no declaration.
    QByteArray serialize() const;
    // The same bytes handed to sink a piece at a time (about half a
    // megabyte), so that a large history never exists twice in memory;
    // stops at the first piece the sink refuses and returns false then.
    bool serialize(const std::function<bool(const QByteArray &piece)> &sink) const;

    QVector<Entry> &entries() { return m_entries; }
    const QVector<Entry> &entries() const { return m_entries; }
    // Index of the first entry whose "Converted_path_" matches; -1 when none.
    int findEntry(const QString &path, bool normaliseSeparators) const;

private:
    QString m_rootName;
    Attributes m_rootAttributes;
    QVector<Entry> m_entries;
};

// Moved in memory when a vector of them grows.
Q_DECLARE_TYPEINFO(HistoryDocument::Element, Q_MOVABLE_TYPE);
Q_DECLARE_TYPEINFO(HistoryDocument::Entry, Q_MOVABLE_TYPE);
