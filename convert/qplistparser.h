#pragma once
// Reader of XML property lists: dictionaries become QVariantMap, arrays
// QVariantList, strings, numbers, booleans, dates and data their Qt kinds.

#include <QString>
#include <QVariant>

class QIODevice;

class QPlistParser
{
public:
    // The root value of the document; false with a reason (and line) when
    // the text is not a well-formed property list.
    static bool parse(QIODevice *device, QVariant &root, QString &error);
    static bool parseFile(const QString &path, QVariant &root, QString &error);

private:
    QPlistParser() = default;
};
