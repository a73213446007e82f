#pragma once
// A compact in-memory form of "History.xml" for the store's changes: the
// document element and its entries, each entry (with every element below
// it, attributes in file order) packed into one block of bytes. Names the
// store writes take a byte, every other name and every value is kept as
// UTF-8: a large library's history takes a fraction of what a tree of
// strings would, and an unchanged entry is shared, never copied. An entry
// is changed by unpacking it into an Element, changing that and packing it
// again. Text and comments are not kept (the store writes none). The
// entries are indexed by path, so that finding, changing or removing one
// costs the same in a large history as in a small one.

#include <QByteArray>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <type_traits>

class HistoryDocument
{
public:
    using Attributes = QVector<QPair<QString, QString>>;

    // The names the store writes. A packed name is one of them whenever its
    // text is, so a reader tells them by number; any other name is Unlisted
    // and keeps its text.
    enum class Name : quint8 {
        Unlisted,
        PathItem,       // "Path_item", an entry
        ConvertedInfo,  // "CONVERTED_INFO_", an entry's first child
        ListElement,    // "List_name", a playlist child
        ConvertedPath,  // "Converted_path_"
        ListName,       // "ListName"
        ImgPath,        // "Img_path_"
        Title,          // "Title_"
        Resolution,     // "Resolutin_"
        Time,           // "Time_"
        Size,           // "Size_"
        CreateTime,     // "Create_time_"
        Format,         // "Format_"
        Extend,         // "Extend_"
        Artist,         // "Artist_"
        Album,          // "Album_"
        Genre,          // "Genre_"
        PreferencePath, // "preferencePath_"
        VideoFile,      // "Video_file"
        NewFile,        // "New_file"
    };
    static constexpr int kNameCount = int(Name::NewFile) + 1;
    // The text of a listed name, one shared string each.
    static const QString &nameText(Name name);

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

        // The value as it stands: a leading U+FEFF is kept. Empty, not
        // null, for an empty value, as a parser gives it.
        QString toString() const;
        bool operator==(const Text &other) const;
        bool operator==(QLatin1String latin1) const;
    };

    // A call-back taken by reference, for walks that call it per attribute
    // without allocating. It keeps only the callable's address, so it is
    // made for a parameter and lives no longer than the call: it cannot be
    // copied or assigned.
    template<typename Signature>
    class Visitor;
    template<typename R, typename... Args>
    class Visitor<R(Args...)>
    {
    public:
        template<typename F, typename = std::enable_if_t<!std::is_same<std::decay_t<F>, Visitor>::value>>
        Visitor(F &&f) // NOLINT: stands in for the callable
            : m_object(const_cast<void *>(static_cast<const void *>(&f)))
            , m_call([](void *object, Args... args) -> R {
                return (*static_cast<std::remove_reference_t<F> *>(object))(std::forward<Args>(args)...);
            })
        {
        }
        Visitor(const Visitor &) = delete;
        Visitor &operator=(const Visitor &) = delete;
        R operator()(Args... args) const { return m_call(m_object, std::forward<Args>(args)...); }

    private:
        void *m_object;
        R (*m_call)(void *, Args...);
    };

    // One attribute met by a walk: the number of its element (0 the entry's
    // own, n its n-th child), its name's number, the name's text when it is
    // Unlisted, and its value.
    struct Attribute
    {
        int element;
        Name name;
        Text unlisted;
        Text value;
    };
    // Told each attribute; false stops the walk.
    using AttributeVisitor = Visitor<bool(const Attribute &)>;

    // One entry, packed; a default-made one is empty and writes nothing.
    class Entry
    {
    public:
        Entry() = default;
        explicit Entry(const Element &element);

        Element element() const;
        // Removed, or made empty: it holds no element and writes nothing.
        bool isEmpty() const { return m_bytes.isEmpty(); }
        bool operator==(const Entry &other) const { return m_bytes == other.m_bytes; }
        // An attribute of the entry's own element; null when it has none.
        QString attribute(const QString &key) const;
        int childCount() const;
        // Each attribute of the entry's element, then of each of its children
        // (not deeper ones), in file order, until visit returns false.
        void visitAttributes(const AttributeVisitor &visit) const;

    private:
        friend class HistoryDocument;
        QByteArray m_bytes;
    };

    // An empty "ROOTITEM" document.
    HistoryDocument();

    // Asked before each entry is read; false stops a parse.
    using GoOn = std::function<bool()>;
    // False (and the document unchanged, reason telling where and why) when
    // the bytes do not parse, declare a document type or nest deeper than
    // StateFile::kMaxDepth, or when goOn said to stop (reason then empty).
    bool parse(const QByteArray &bytes, QString *reason = nullptr, const GoOn &goOn = GoOn());
    // Draws more of a document's bytes: appends to its argument, false at
    // the end.
    using More = std::function<bool(QByteArray &into)>;
    enum class Outcome { Parsed, Stopped, Declined };
    // The store's own plain documents read a piece at a time, so that a
    // large one is never held whole; anything else is Declined (and the
    // document unchanged), to be parsed whole.
    Outcome parsePieces(const More &more, const GoOn &goOn = GoOn());
    // UTF-8, indent 4, no declaration.
    QByteArray serialize() const;
    // The same bytes handed to sink a piece at a time (about half a
    // megabyte), so that a large history never exists twice in memory;
    // stops at the first piece the sink refuses and returns false then.
    bool serialize(const std::function<bool(const QByteArray &piece)> &sink) const;

    // The blanks a file may hold between elements; a file of nothing else
    // is an empty history.
    static bool isBlank(char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r'; }
    // A path as lookups compare it: backslashes read as slashes.
    static QString normalisedPath(QString path);

    // The entries in file order. An entry removed leaves an empty one in
    // its place (Entry::isEmpty) until the gaps are closed, which happens
    // rarely, so that a removal costs no more in a large history than in a
    // small one: a reader passes over empty entries.
    const QVector<Entry> &entries() const { return m_entries; }
    // The entries that are not empty.
    int count() const { return m_entries.size() - m_gaps; }
    // Changes keep the index of paths true; file order is kept.
    void append(Entry entry);
    // An empty entry removes the one at index.
    void replace(int index, Entry entry);
    void remove(int index);
    // Several at once (any order, duplicates ignored): the gaps are closed
    // at most once.
    void remove(const QVector<int> &indexes);

    // Index of the first entry whose "Converted_path_" matches; -1 when
    // none. Looked up by a hash of the path, not by a walk (but past the
    // index's 16 million entries, which no file the store reads holds).
    int findEntry(const QString &path, bool normaliseSeparators) const;
    // Every entry of the path, in file order.
    QVector<int> findEntries(const QString &path, bool normaliseSeparators) const;
    // Of the paths, those an entry has (as stored, exactly).
    QSet<QString> pathsListed(const QSet<QString> &paths) const;
    // The paths (backslashes read as slashes) whose entries one document
    // has and the other has not, or has with other contents: what changed
    // from before to after.
    static QStringList changedPaths(const HistoryDocument &before, const HistoryDocument &after);

private:
    // Each entry's path as stored, with the entry's index, in file order
    // until visit returns false.
    using PathVisitor = Visitor<bool(int index, const Text &path)>;
    void visitPaths(const PathVisitor &visit) const;

    class PlainReader;
    Outcome readPlain(PlainReader &plain);
    // What a parse read becomes the document.
    void take(QString rootName, Attributes rootAttributes, QVector<Entry> entries);

    // The index of paths: open addressing over a power-of-two table that is
    // at most half full. A slot holds an entry's index + 1 in its low bits
    // and eight more bits of its path's hash in its top byte (0: free); a
    // match is checked against the entry's own bytes, so no path is kept
    // twice. Entries without a path are not in it.
    static constexpr int kIndexBits = 24;
    static constexpr quint32 kIndexMask = (1u << kIndexBits) - 1;
    // The path an entry is looked up by: its element's first
    // "Converted_path_"; false when it has none.
    static bool pathOf(const Entry &entry, Text &path);
    // Each entry whose path is the one given, in no order.
    using IndexVisitor = Visitor<void(int index)>;
    void visitMatches(const QString &path, bool normaliseSeparators, const IndexVisitor &visit) const;
    void indexEntry(int index);
    void unindexEntry(int index);
    // The table made again for the entries as they are.
    void rebuildIndex();
    // The gaps of removed entries closed, the index following.
    void closeGaps();
    bool indexed() const { return !m_slots.isEmpty(); }

    QString m_rootName;
    Attributes m_rootAttributes;
    QVector<Entry> m_entries;
    QVector<quint32> m_slots;
    int m_used = 0; // slots in use
    int m_gaps = 0; // empty entries
};

// Moved in memory when a vector of them grows.
Q_DECLARE_TYPEINFO(HistoryDocument::Element, Q_MOVABLE_TYPE);
Q_DECLARE_TYPEINFO(HistoryDocument::Entry, Q_MOVABLE_TYPE);
