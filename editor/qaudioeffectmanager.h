#pragma once
// Catalogues of the presets shipped in the resource folder, one folder per
// preset with its "config.xml" and thumbnail. Each catalogue reads its folder
// once, when it is made, and owns the presets it found.

#include <QList>
#include <QObject>
#include <QStringList>

struct QFrameChunk;

class QPresetCatalogue : public QObject
{
    Q_OBJECT
public:
    ~QPresetCatalogue() override;

    // The preset at the index, or null outside 0 .. count - 1.
    QFrameChunk *getFrameChunk(int index) const;
    int count() const { return m_chunks.size(); }

protected:
    explicit QPresetCatalogue(QObject *parent);
    // Reads the preset file and keeps the preset with its folder; a file
    // that cannot be read or parsed is skipped.
    void addPreset(const QString &configPath, const QString &folder);

    QList<QFrameChunk *> m_chunks;
};

// Sound-effect presets of "/AudioEffects/": sorted by folder name
// (case-sensitive), depth first, so that the folder names set the order.
class QAudioEffectManager : public QPresetCatalogue
{
    Q_OBJECT
public:
    explicit QAudioEffectManager(QObject *parent = nullptr);
    // Reads the presets of another folder than the shipped one.
    QAudioEffectManager(const QString &folder, QObject *parent);
    QList<QFrameChunk *> getFrameChunklist() const { return m_chunks; }
    QStringList configPaths() const { return m_paths; }

private:
    void readData(const QString &folder);
    void addConfigFilePath(const QString &folder);
    QStringList m_paths;
};

// Video-effect presets of "/VideoEffects/", in the order the disk gives them.
class QVideoEffectManager : public QPresetCatalogue
{
    Q_OBJECT
public:
    explicit QVideoEffectManager(QObject *parent = nullptr);
    QList<QFrameChunk *> getVideoEffectlist() const { return m_chunks; }
};

// Frame presets of "/VideoFrames/", in the order the disk gives them.
class QFrameChunkManager : public QPresetCatalogue
{
    Q_OBJECT
public:
    explicit QFrameChunkManager(QObject *parent = nullptr);
    QList<QFrameChunk *> getFrameChunklist() const { return m_chunks; }
};
