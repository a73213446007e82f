#pragma once
// What the library does at start about state files found damaged: when the
// history was damaged, the recordings of the output folder that no record
// lists are probed and recorded again; and one message tells the user which
// files were damaged, how many recordings were recovered and where each
// damaged file was kept.

#include "common/convertedinfo.h"

#include <QCoreApplication>
#include <QList>
#include <QString>

class QHistoryRepair
{
    Q_DECLARE_TR_FUNCTIONS(QHistoryRepair)

public:
    // Takes the damage noted since the last call. When the history was
    // damaged, records every unlisted recording of outputFolder (appended to
    // records and to the history in one save). The message for the user;
    // empty when nothing was damaged.
    static QString afterLoad(QList<convertedInfo> &records, const QString &outputFolder);

    // The record of a recording file found on disk, probed for its length
    // and container.
    static convertedInfo recordOfFile(const QString &path);

private:
    QHistoryRepair() = default;
};
