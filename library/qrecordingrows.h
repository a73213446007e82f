#pragma once
// The rows of new recordings: the running recording's row, on top of the
// table from its start, with the tags recognised in its sound and the name
// they plan for it; its completion from the finished record, or its deletion
// when it is not kept or a deletion rule takes it; and rows for finished
// files (the editor's kept segments).

#include "common/convertedinfo.h"
#include "media/jxrecognizeraudiotaginfo.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

class QLibraryRows;
class QRowControls;
class QWidget;

class QRecordingRows : public QObject
{
    Q_OBJECT
public:
    // Messages are shown over the owner.
    QRecordingRows(QLibraryRows &rows, const QRowControls &controls, QWidget *owner, QObject *parent = nullptr);

    // A row for a new file: the running recording (true) or a finished file.
    void AddAudioFile(QString path, bool bRecording);
    // Completes the running recording's row from its record (its file
    // tagged and named already), or deletes the recording when it is not
    // kept or a deletion rule takes it. `bytes` is the file's size when
    // already measured.
    void SupplyRecordingChunkInfo(convertedInfo info, bool bKeep, qint64 bytes = -1);
    // The first "Audio_NN" no row is titled.
    QString GetRecordingName() const;

signals:
    void emitAppendPlayFiles(QStringList pathList);
    // A recording's row runs (true) or ran; the table paints accordingly.
    void recordingChanged(bool running);

public slots:
    void OnSetRecordingTagInfo(JXRecognizerAudioTagInfo tagInfo);
    void OnSetRecordingIsSilent(bool bSilence);
    // Tells the user that the kept recording at path lacks the tags its
    // row was shown with (nothing when no row shows that file).
    void OnRecordingTagsNotWritten(const QString &path);
    // Finished files join (the editor's kept segments).
    void addFinishedFiles(const QStringList &paths);

private:
    bool recordingIsKept(const convertedInfo &info, bool bKeep) const;
    void discardRecording(const QString &finishedPath);
    void keepRecording(const convertedInfo &info, qint64 bytes);
    void addFinishedFile(const QString &path);

    QLibraryRows &m_rows;
    const QRowControls &m_controls;
    QPointer<QWidget> m_owner;
    bool m_bRecordingSilent = true;
};
