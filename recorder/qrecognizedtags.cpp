#include "recorder/qrecognizedtags.h"

void QRecognizedTags::put(const JXRecognizerAudioTagInfo &tags)
{
    if (!tags.namesSomething())
        return;
    std::lock_guard<std::mutex> guard(m_mutex);
    m_tags = tags;
}

std::optional<JXRecognizerAudioTagInfo> QRecognizedTags::get() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_tags;
}
