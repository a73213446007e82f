#pragma once
// One decoded-frame handle of the codec layer. Without a handle every query
// returns its neutral value (format 0xFFFFFFFF, 0, null).

#include <QObject>

class JXFrameClass : public QObject
{
    Q_OBJECT
public:
    explicit JXFrameClass(QObject *parent = nullptr);
    ~JXFrameClass() override;

    bool IsCreateFrame() const { return m_frame != nullptr; }
    void Create_Frame();
    // Drops the own frame, then keeps a new reference to `frame`; returns it.
    void *Reference_Frame(void *frame);
    void Release_Frame();
    void *getFrame() const { return m_frame; }

    unsigned int GetVideoFormat_Frame() const;
    unsigned int GetVideoWidth_Frame() const;
    unsigned int GetVideoHeight_Frame() const;
    unsigned int GetVideoStride_Frame(unsigned int plane) const;
    const unsigned char *GetVideoData_Frame(unsigned int plane) const;

private:
    void *m_frame = nullptr;
};
