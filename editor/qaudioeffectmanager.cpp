#include "editor/qaudioeffectmanager.h"

#include "common/qianyutil.h"
#include "editor/qframechunk.h"
#include "editor/qreadframexml.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <functional>

namespace {
const QString kConfigName = QStringLiteral("config.xml");

// Every file named "config.xml", in the order the disk gives them. A longer
// name ("config.xml.bak", "myconfig.xml") is a left-over copy, not a preset.
void readUnsorted(const QString &relative, const std::function<void(const QString &, const QString &)> &add)
{
    const QString root = QIAnyUtil::getResourcePath() + relative;
    if (!QDir(root).exists())
        return;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (it.fileName() == kConfigName)
            add(path, it.fileInfo().absolutePath());
    }
}
} // namespace

QPresetCatalogue::QPresetCatalogue(QObject *parent)
    : QObject(parent)
{
}

QPresetCatalogue::~QPresetCatalogue()
{
    qDeleteAll(m_chunks);
}

QFrameChunk *QPresetCatalogue::getFrameChunk(int index) const
{
    return index >= 0 && index < m_chunks.size() ? m_chunks.at(index) : nullptr;
}

void QPresetCatalogue::addPreset(const QString &configPath, const QString &folder)
{
    QFrameChunk *chunk = QReadFrameXML::readFrameChunk(configPath);
    if (!chunk)
        return;
    chunk->folder = folder;
    m_chunks.append(chunk);
}

QAudioEffectManager::QAudioEffectManager(QObject *parent)
    : QAudioEffectManager(QIAnyUtil::getResourcePath() + QStringLiteral("/AudioEffects/"), parent)
{
}

QAudioEffectManager::QAudioEffectManager(const QString &folder, QObject *parent)
    : QPresetCatalogue(parent)
{
    readData(folder);
}

void QAudioEffectManager::readData(const QString &folder)
{
    m_paths.clear();
    addConfigFilePath(folder);
    for (QString path : qAsConst(m_paths)) {
        path.replace(QLatin1Char('\\'), QLatin1Char('/'));
        addPreset(path, path.left(path.lastIndexOf(QLatin1Char('/'))));
    }
}

void QAudioEffectManager::addConfigFilePath(const QString &folder)
{
    QDir dir(folder);
    if (!dir.exists())
        return;
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Dirs | QDir::Files | QDir::NoSymLinks | QDir::NoDotAndDotDot,
                          QDir::Name | QDir::DirsFirst);
    for (const QFileInfo &entry : entries) {
        if (entry.isDir())
            addConfigFilePath(entry.absoluteFilePath());
        else if (entry.fileName() == kConfigName)
            m_paths.append(entry.absoluteFilePath());
    }
}

QVideoEffectManager::QVideoEffectManager(QObject *parent)
    : QPresetCatalogue(parent)
{
    readUnsorted(QStringLiteral("/VideoEffects/"),
                 [this](const QString &path, const QString &folder) { addPreset(path, folder); });
}

QFrameChunkManager::QFrameChunkManager(QObject *parent)
    : QPresetCatalogue(parent)
{
    readUnsorted(QStringLiteral("/VideoFrames/"),
                 [this](const QString &path, const QString &folder) { addPreset(path, folder); });
}
