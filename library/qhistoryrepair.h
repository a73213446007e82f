#pragma once
// What the library does at start about state files found damaged: when the
// history was damaged, the recordings of the output folder that no record
// lists are probed and recorded again; and one message tells the user which
// files were damaged, how many recordings were recovered and where each
// damaged file was kept.

#include "common/convertedinfo.h"

#include <QCoreApplication>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

class QHistoryRepair
{
    Q_DECLARE_TR_FUNCTIONS(QHistoryRepair)

public:
    // Takes the damage noted since the last call. When the history was
    // damaged, records every recording of outputFolder that neither the read
    // records list (listedPaths gives their paths, asked for only then) nor
    // records does (appended to records and to the history in one save), but
    // those of inRepair (absolute paths of recordings being repaired, which
    // join when whole). The message for the user; empty when nothing was
    // damaged.
    static QString afterLoad(const std::function<QStringList()> &listedPaths, QList<convertedInfo> &records,
                             const QString &outputFolder, const QSet<QString> &inRepair = {});

    // The record of a recording file found on disk, probed for its length
    // and container.
    static convertedInfo recordOfFile(const QString &path);

private:
    QHistoryRepair() = default;
};
