#pragma once
// History.xml files of many fully filled records for benchmarks, built as
// the store writes them (saving one record at a time would take minutes).

#include "common/convertedinfo.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

class QIODevice;

namespace BenchHistory {

inline const QString kDefaultFolder = QStringLiteral("/home/user/Music/Velmora Audio Recorder/Converted/");

// Record i of a library, its file in folder (ending in "/"); isNew marks it
// as not yet seen.
convertedInfo record(int i, bool isNew, const QString &folder = kDefaultFolder);
// The entry of one record, as the store writes it.
QByteArray entryBytes(const convertedInfo &r);
// The whole file of count records.
QByteArray historyBytes(int count, bool isNew, const QString &folder = kDefaultFolder);
// The same file written record by record, so that a million records never
// sit in memory at once; false when a write fails.
bool writeHistory(QIODevice &out, int count, bool isNew, const QString &folder = kDefaultFolder);
// The same with record i given by recordAt (none: stop, and fail).
bool writeHistory(QIODevice &out, int count, const std::function<std::optional<convertedInfo>(int)> &recordAt);

} // namespace BenchHistory
