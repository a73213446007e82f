#include "recorder/qrecognizedtags.h"

#include "recorder/qrecordingtagging.h"

void QRecognizedTags::put(const JXRecognizerAudioTagInfo &tags)
{
    if (!QRecordingTagging::namesSomething(tags))
        return;
    std::lock_guard<std::mutex> guard(m_mutex);
    m_tags = tags;
}

std::optional<JXRecognizerAudioTagInfo> QRecognizedTags::get() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_tags;
}
