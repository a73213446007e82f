#pragma once
// What the editor needs to know about one media file before editing (a
// thumbnail, the chapters, the video size, the tags), and writing its tags.

#include "media/jxchapterinfo.h"
#include "media/jxtagfileaccess.h"
#include "media/veaudiotaginfo.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QString>

#include <string>

class JXInfoClass;

class JXInfoManager : public QObject
{
    Q_OBJECT
public:
    explicit JXInfoManager(QObject *parent = nullptr);
    ~JXInfoManager() override;

    // Makes the media-information wrapper when there is none with a handle.
    void createrPlayer();
    // Keeps the path, then opens it; false for a missing file or no wrapper.
    bool setMediaFile(const QString &path, unsigned int programIndex, bool dvd);
    bool setPlayer(void *player);
    JXInfoClass *getInfoClass() const { return m_info; }
    QString mediaFile() const { return m_path; }

    // The cover, else the video frame at 0, scaled to `size`; null without either.
    QImage getThumbnail(int size);
    QList<JXChapterInfo> getChapterInfo();
    VEAudioTagInfo getAudioTagInfo();
    // Writes into the last path given to setMediaFile.
    bool setAudioTag(const VEAudioTagInfo &tags,
                     JXTagFileAccess::EmptyCover emptyCover = JXTagFileAccess::KeepFileCover,
                     JXTagFileAccess::RemovedTexts removedTexts = JXTagFileAccess::NoRemovedTexts);
    // False when the file cannot take tags or they cannot be saved.
    bool setAudioTag(const VEAudioTagInfo &tags, const QString &path);

    static QString timeToString(unsigned long long microseconds);
    static QImage scaleImage(const QImage &image, int size);
    static QImage scaleImageFromChar(const std::string &picture, int size);
    // A BMP file in memory whose length is the little-endian u32 at byte 2.
    static QImage scaleImageFromUChar(const unsigned char *bmp, int size);

private:
    bool hasHandle() const;

    JXInfoClass *m_info = nullptr;
    QString m_path;
};
