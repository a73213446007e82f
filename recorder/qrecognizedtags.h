#pragma once
// The tags recognised in one recording, from the capture thread that
// recognised them to the worker that completes the file. The last tags
// naming something count.

#include "media/jxrecognizeraudiotaginfo.h"

#include <mutex>
#include <optional>

class QRecognizedTags
{
public:
    // Any thread; tags naming nothing are dropped.
    void put(const JXRecognizerAudioTagInfo &tags);
    std::optional<JXRecognizerAudioTagInfo> get() const;

private:
    mutable std::mutex m_mutex;
    std::optional<JXRecognizerAudioTagInfo> m_tags;
};
