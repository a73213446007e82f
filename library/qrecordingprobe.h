#pragma once
// What the codec layer's media information says about one recording file.

#include <QString>

class QRecordingProbe
{
public:
    struct Info {
        bool opened = false;
        quint64 microseconds = 0;
        QString formatName; // the demuxer's name list, Latin-1
        // The container name, as History.xml keeps it (see containerName).
        QString container;
    };

    static Info probe(const QString &path);
    // The container name of a file (from its demuxer list and brand); empty
    // when the file cannot be read.
    static QString containerName(const QString &path);
    // "hh:mm:ss", hours not limited to a day (the one duration text of
    // rows and records, QIAnyUtil::duration2String).
    static QString durationText(quint64 microseconds);

private:
    QRecordingProbe() = default;
};
