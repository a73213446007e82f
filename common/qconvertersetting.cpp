#include "common/qconvertersetting.h"

#include "common/qvideosettingxml.h"

AttributeSetting *QConverterSetting::m_videoSetting = nullptr;
AttributeSetting *QConverterSetting::m_audioSetting = nullptr;
FormatChoice *QConverterSetting::m_videoFormat = nullptr;
FormatChoice *QConverterSetting::m_audioFormat = nullptr;
AttributeSetting *QConverterSetting::m_attributeSetting = nullptr;

namespace {

// The text before the first marker; nothing when the marker is missing.
bool beforeMarker(const QString &text, QChar marker, QString &head)
{
    const int at = text.indexOf(marker);
    if (at < 0)
        return false;
    head = text.left(at);
    return true;
}

} // namespace

void QConverterSetting::InitSetting()
{
    releaseSetting();
    m_videoSetting = new AttributeSetting;
    m_audioSetting = new AttributeSetting;
    m_videoFormat = new FormatChoice;
    m_audioFormat = new FormatChoice;
}

void QConverterSetting::releaseSetting()
{
    if (m_attributeSetting == m_videoSetting || m_attributeSetting == m_audioSetting)
        m_attributeSetting = nullptr;
    delete m_videoSetting;
    m_videoSetting = nullptr;
    delete m_audioSetting;
    m_audioSetting = nullptr;
    delete m_videoFormat;
    m_videoFormat = nullptr;
    delete m_audioFormat;
    m_audioFormat = nullptr;
}

void QConverterSetting::analysisResolution(const QString &text, unsigned int &width, unsigned int &height)
{
    const int at = text.indexOf(QLatin1Char('*'));
    if (at < 0) {
        width = 0;
        height = 0;
        return;
    }
    width = text.left(at).toUInt();
    height = text.mid(at + 1).toUInt();
}

void QConverterSetting::analysisFrameRate(const QString &text, double &rate)
{
    QString head;
    rate = beforeMarker(text, QLatin1Char('f'), head) ? head.toDouble() : 0.0;
}

void QConverterSetting::analysisQuality(const QString &text, unsigned int &quality)
{
    QString head;
    const int value = beforeMarker(text, QLatin1Char('%'), head) ? head.toInt() : 0;
    quality = value > 0 ? static_cast<unsigned int>(value) : 0U;
}

void QConverterSetting::analysisBitRate(const QString &text, unsigned int &bitRate)
{
    QString head;
    bitRate = beforeMarker(text, QLatin1Char('k'), head) ? head.toUInt() : 0U;
}

void QConverterSetting::analysisSample(const QString &text, unsigned int &sampleRate)
{
    QString head;
    sampleRate = beforeMarker(text, QLatin1Char('H'), head) ? head.toUInt() : 0U;
}

VideoQuality QConverterSetting::getFormatDefaultQuality(const QString &formatId)
{
    const QString value = QVideoSettingXml::GetDefaultFormatValue(formatId, QStringLiteral("QUALITY_VALUE"));
    if (value.isEmpty() || value == QLatin1String("0"))
        return HighQuality;
    if (value == QLatin1String("1"))
        return SmallSize;
    return Customized;
}
