#pragma once
// One preset of a shipped catalogue, as read from its "config.xml": name,
// thumbnail, the frame list of the video presets, and the equaliser bands
// and rate of the sound-effect presets.

#include <QList>
#include <QMap>
#include <QString>

struct QFrameInfo {
    QString fileName;
    int width = 0;
    int height = 0;
    int type = 0;
};

struct QFrameChunk {
    int appMinVersion = 0;
    int version = 0;
    QString name;
    QString thumbnail;   // file name inside the preset's folder
    QString folder;      // the folder holding "config.xml", no trailing "/"
    QString frameName;
    QList<QFrameInfo> frames;
    QMap<double, double> equalizer; // Hz -> dB, ascending frequency
    int rate = 100;

    // folder + "/" + thumbnail.
    QString getThumbnailImage() const;
};
