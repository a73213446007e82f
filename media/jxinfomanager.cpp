#include "media/jxinfomanager.h"

#include "media/jxinfoclass.h"
#include "media/jxtagfileaccess.h"

#include <QFile>

namespace {
// Longest picture accepted from a BMP header, so that a damaged header is not
// read far past its buffer.
constexpr quint32 kMaxBmpBytes = 256u * 1024u * 1024u;
} // namespace

JXInfoManager::JXInfoManager(QObject *parent) : QObject(parent) {}

JXInfoManager::~JXInfoManager()
{
    delete m_info;
}

bool JXInfoManager::hasHandle() const
{
    return m_info && m_info->IsCreateInfo();
}

void JXInfoManager::createrPlayer()
{
    if (hasHandle())
        return;
    delete m_info;
    m_info = new JXInfoClass(this);
    m_info->Create_Info();
}

bool JXInfoManager::setMediaFile(const QString &path, unsigned int programIndex, bool dvd)
{
    m_path = path;
    if (!QFile::exists(path) || !hasHandle())
        return false;
    const QByteArray utf8 = path.toUtf8();
    // The open's own answer is not needed: a file that did not open has no
    // program to select.
    if (dvd)
        m_info->OpenDVD_Info(utf8.constData());
    else
        m_info->Open_Info(utf8.constData());
    return m_info->SetProgrIndex_Info(int(programIndex));
}

bool JXInfoManager::setPlayer(void *player)
{
    return hasHandle() && m_info->OpenWithPlayer_Info(player);
}

QImage JXInfoManager::getThumbnail(int size)
{
    if (!hasHandle())
        return QImage();
    QImage result;
    if (const std::optional<std::string> cover = m_info->GetMetaData_Info("cover_image"))
        result = scaleImageFromChar(*cover, size);
    if (result.isNull() && m_info->HasVideo_Info()) {
        unsigned char *bmp = m_info->GetVideoImage_Info(0, 0, 0, 0, 0);
        if (bmp) {
            result = scaleImageFromUChar(bmp, size);
            m_info->FreeVideoImage_Info(bmp);
        }
    }
    return result;
}

QList<JXChapterInfo> JXInfoManager::getChapterInfo()
{
    QList<JXChapterInfo> list;
    if (!hasHandle())
        return list;
    const int count = m_info->GetChapterCount_Info();
    if (count <= 0)
        return list;

    JXChapterInfo whole;
    whole.index = 0;
    whole.start = 0;
    whole.duration = m_info->GetDuration_Info();
    whole.end = whole.start + whole.duration;
    whole.title = tr("Current").toStdString();
    whole.text = QString("%1, %2-%3")
                     .arg(QString::fromStdString(whole.title), timeToString(whole.start),
                          timeToString(whole.end))
                     .toStdString();
    list.append(whole);

    for (int i = 0; i < count; ++i) {
        JXChapterInfo c;
        c.index = i + 1;
        c.start = m_info->GetChapterStartTime_Info(i);
        c.duration = m_info->GetChapterDuration_Info(i);
        c.end = c.start + c.duration;
        c.title = m_info->GetChapterTitle_Info(i);
        const QString number = c.index < 10 ? QString("  %1").arg(c.index) : QString::number(c.index);
        c.text = QString("%1, %2-%3 (%4)")
                     .arg(number, timeToString(c.start), timeToString(c.end),
                          QString::fromStdString(c.title))
                     .toStdString();
        list.append(c);
    }
    return list;
}

VEAudioTagInfo JXInfoManager::getAudioTagInfo()
{
    VEAudioTagInfo tags;
    if (!hasHandle())
        return tags;
    const std::pair<const char *, std::string VEAudioTagInfo::*> fields[] = {
        {"title", &VEAudioTagInfo::title},       {"artist", &VEAudioTagInfo::artist},
        {"album_artist", &VEAudioTagInfo::album_artist},
        {"composer", &VEAudioTagInfo::composer}, {"album", &VEAudioTagInfo::album},
        {"genre", &VEAudioTagInfo::genre},       {"disc", &VEAudioTagInfo::disc},
        {"track", &VEAudioTagInfo::track},       {"year", &VEAudioTagInfo::year},
        {"date", &VEAudioTagInfo::date},         {"grouping", &VEAudioTagInfo::grouping},
        {"comment", &VEAudioTagInfo::comment},   {"copyright", &VEAudioTagInfo::copyright},
    };
    for (const auto &f : fields)
        if (const std::optional<std::string> value = m_info->GetMetaData_Info(f.first))
            tags.*(f.second) = *value;
    if (const std::optional<std::string> cover = m_info->GetMetaData_Info("cover_image")) {
        tags.cover_image = *cover;
        tags.coverSize = int(cover->size());
    }
    if (tags.year.empty())
        tags.year = tags.date;
    if (tags.date.empty())
        tags.date = tags.year;
    return tags;
}

bool JXInfoManager::setAudioTag(const VEAudioTagInfo &tags, JXTagFileAccess::EmptyCover emptyCover,
                                JXTagFileAccess::RemovedTexts removedTexts)
{
    return JXTagFileAccess::write(m_path.toUtf8().toStdString(), tags, JXTagFileAccess::AllFields,
                                  emptyCover, removedTexts);
}

bool JXInfoManager::setAudioTag(const VEAudioTagInfo &tags, const QString &path)
{
    return JXTagFileAccess::write(path.toUtf8().toStdString(), tags, JXTagFileAccess::AllFields);
}

QString JXInfoManager::timeToString(unsigned long long microseconds)
{
    const qint64 ms = qint64(double(microseconds) / 1000.0);
    const qint64 hours = ms / 3600000;
    const qint64 minutes = (ms / 60000) % 60;
    const qint64 seconds = (ms / 1000) % 60;
    return QString("%1:%2:%3")
        .arg(hours, 2, 10, QChar('0'))
        .arg(minutes, 2, 10, QChar('0'))
        .arg(seconds, 2, 10, QChar('0'));
}

QImage JXInfoManager::scaleImage(const QImage &image, int size)
{
    if (image.isNull() || size <= 0)
        return image;
    const int w = image.width();
    const int h = image.height();
    const bool landscape = h <= w;
    const int shorter = landscape ? h : w;
    if (shorter <= size)
        return image;
    const QSize target = landscape ? QSize(int(double(size) * w / h), size)
                                   : QSize(size, int(double(size) * h / w));
    if (shorter <= 4 * size)
        return image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage rough = image.scaled(target * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return rough.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage JXInfoManager::scaleImageFromChar(const std::string &picture, int size)
{
    if (picture.empty())
        return QImage();
    QImage image;
    image.loadFromData(reinterpret_cast<const uchar *>(picture.data()), int(picture.size()));
    return scaleImage(image, size);
}

QImage JXInfoManager::scaleImageFromUChar(const unsigned char *bmp, int size)
{
    if (!bmp)
        return QImage();
    const quint32 length = quint32(bmp[2]) | quint32(bmp[3]) << 8 | quint32(bmp[4]) << 16
                           | quint32(bmp[5]) << 24;
    if (length < 54 || length > kMaxBmpBytes)
        return QImage();
    QImage image;
    image.loadFromData(bmp, int(length));
    return scaleImage(image, size);
}
