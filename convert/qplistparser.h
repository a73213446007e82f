#pragma once
// Reader of XML property lists: dictionaries become QVariantMap, arrays
// QVariantList, strings, numbers, booleans, dates and data their Qt kinds.

#include <QHash>
#include <QString>
#include <QVariant>

class QIODevice;

class QPlistParser
{
public:
    // Values nest no deeper than this; files are read up to this size.
    static constexpr int kMaxDepth = 64;
    static constexpr qint64 kMaxBytes = 16 * 1024 * 1024;

    // The line of each value's start, by its path: dictionary keys and list
    // indexes joined by "/" ("General Audio/0/baseinfo"); "" is the root.
    using Lines = QHash<QString, int>;

    // The root value of the document; false with a reason (and line) when
    // the text is not a well-formed property list, declares entities
    // or nests deeper than kMaxDepth.
    static bool parse(QIODevice *device, QVariant &root, QString &error, Lines *lines = nullptr);
    // As parse, for a regular file of at most kMaxBytes (never a pipe).
    static bool parseFile(const QString &path, QVariant &root, QString &error, Lines *lines = nullptr);

private:
    QPlistParser() = default;
};
