#pragma once
// One media-information handle of the codec layer. Every operation checks the
// handle and returns the neutral value (false, 0, "", null) without one.

#include <QObject>

#include <optional>
#include <string>

class JXInfoClass : public QObject
{
    Q_OBJECT
public:
    explicit JXInfoClass(QObject *parent = nullptr);
    ~JXInfoClass() override;

    bool IsCreateInfo() const { return m_info != nullptr; }
    void Create_Info();
    void Release_Info();
    void *getInfo() const { return m_info; }
    // Hands the handle over (this object then has none), or takes one over.
    void *Take_Info();
    void Adopt_Info(void *handle);
    // Closes and releases a handle no object holds; null is ignored.
    static void releaseHandle(void *info);

    bool Open_Info(const char *path);
    bool OpenDVD_Info(const char *folder);
    bool OpenWithPlayer_Info(void *player);
    // Media read through a stream object's callbacks.
    bool OpenStream_Info(void *stream);

    bool HasVideo_Info() const;
    bool HasAudio_Info() const;
    unsigned int GetVideoWidth_Info() const;
    unsigned int GetVideoHeight_Info() const;
    unsigned int GetVideoAspectRatioX_Info() const;
    unsigned int GetVideoAspectRatioY_Info() const;
    unsigned long long GetDuration_Info() const;

    // A text value (UTF-8) or, for "cover_image", the picture's bytes; the
    // string's size is the byte length. Nothing when the key is absent.
    std::optional<std::string> GetMetaData_Info(const char *key) const;

    // A whole BMP file in memory (length: little-endian u32 at byte 2), to be
    // freed with FreeVideoImage_Info; null when there is none.
    unsigned char *GetVideoImage_Info(unsigned long long time, unsigned int useCover,
                                      unsigned int width, unsigned int height,
                                      unsigned int reserved);
    bool FreeVideoImage_Info(unsigned char *image);

    std::string GetProgrName_Info() const;
    unsigned int GetProgrCount_Info() const;
    unsigned int GetVideoCount_Info() const;
    unsigned int GetAudioCount_Info() const;
    unsigned int GetSubtlCount_Info() const;
    bool SetProgrIndex_Info(int index);
    bool SetVideoIndex_Info(int index);
    bool SetAudioIndex_Info(int index);
    bool SetSubtlIndex_Info(int index);
    bool SetSubtlFile_Info(const char *path);
    bool SetSubtlStream_Info(void *stream);
    // The two extra values are kept as given and reported back.
    bool SetSubtlFileEx_Info(const char *path, unsigned int extra1, unsigned int extra2);
    bool SetSubtlStreamEx_Info(void *stream, unsigned int extra1, unsigned int extra2);
    struct SubtitleSource
    {
        bool fromStream = false;
        std::string file;
        unsigned int extra1 = 0;
        unsigned int extra2 = 0;
    };
    // The external subtitles set last; nothing when none are.
    std::optional<SubtitleSource> GetSubtlSource_Info() const;
    bool EnableClosedCaption_Info(unsigned int on);

    int GetChapterCount_Info() const;
    unsigned long long GetChapterStartTime_Info(int index) const;
    unsigned long long GetChapterDuration_Info(int index) const;
    std::string GetChapterTitle_Info(int index) const;

private:
    void *m_info = nullptr;
};
