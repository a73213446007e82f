#pragma once
// The sound streams playing into one output, with the properties their
// programs gave them ("media.title", "media.artist", "application.name", ...).

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVector>

class PulseContext;

struct PulsePlayingStream
{
    quint32 index = 0;
    bool corked = false; // paused by its program
    QMap<QByteArray, QString> properties;
};

class PulsePlayingStreams
{
public:
    // The streams whose output is the sink named `sinkName`; false on failure.
    static bool into(const QByteArray &sinkName, QVector<PulsePlayingStream> &streams,
                     PulseContext *ctx = nullptr, int timeoutMs = 1000);
    // The streams playing into the output whose monitor is the source named
    // `sourceName`: what a recording from that source hears. None (and
    // true) when no such source monitors an output; false on failure.
    static bool heardBy(const QByteArray &sourceName, QVector<PulsePlayingStream> &streams,
                        PulseContext *ctx = nullptr, int timeoutMs = 1000);
    // As heardBy, with every other stream of the server in `elsewhere`.
    static bool heardBy(const QByteArray &sourceName, QVector<PulsePlayingStream> &streams,
                        QVector<PulsePlayingStream> &elsewhere, PulseContext *ctx = nullptr,
                        int timeoutMs = 1000);
};
