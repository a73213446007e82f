#include "recordingsetup.h"

#include "common/qconvertersetting.h"
#include "recorder/qrecordareainfo.h"

namespace TestSupport {

void useAudioFormat(const AudioFormat &format)
{
    if (!QConverterSetting::m_audioSetting)
        QConverterSetting::InitSetting();
    QConverterSetting::m_attributeSetting = QConverterSetting::m_audioSetting;
    AttributeSetting &a = *QConverterSetting::m_attributeSetting;
    a = AttributeSetting();
    a.onlyAudio = true;
    a.videoCodec = -1;
    a.quality = -1;
    a.format = format.format;
    a.extension = format.extension;
    a.audioCodec = format.codec;
    a.channels = format.channels;
    a.sampleRate = format.sampleRate;
    a.audioBitRate = format.kbps;
}

void useSources(bool systemSound, bool microphone)
{
    QRecordAreaInfo *area = QRecordAreaInfo::getAreaInfo();
    area->setAudioRecordType(QRecordAreaInfo::SystemSound, systemSound);
    area->setAudioRecordType(QRecordAreaInfo::Microphone, microphone);
    area->setAudioRecordValid(QRecordAreaInfo::SystemSound, true);
    area->setAudioRecordValid(QRecordAreaInfo::Microphone, true);
}

} // namespace TestSupport
