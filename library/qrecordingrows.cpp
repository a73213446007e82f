#include "library/qrecordingrows.h"

#include "common/qfilenamerules.h"
#include "common/qvideosettingxml.h"
#include "library/librarytexts.h"
#include "library/qaudiofilechunk.h"
#include "library/qaudiofilemodel.h"
#include "library/qfiledisposal.h"
#include "library/qlibrarychunk.h"
#include "library/qlibraryquestions.h"
#include "library/qlibraryrows.h"
#include "library/qrecordingprobe.h"
#include "library/qrowcontrols.h"
#include "media/jxtagfileaccess.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace {
const QString kDeleteGroup = QStringLiteral("Delete_Recorded_File");
} // namespace

QRecordingRows::QRecordingRows(QLibraryRows &rows, const QRowControls &controls, QWidget *owner, QObject *parent)
    : QObject(parent)
    , m_rows(rows)
    , m_controls(controls)
    , m_owner(owner)
{
}

void QRecordingRows::AddAudioFile(QString path, bool bRecording)
{
    if (!bRecording) {
        addFinishedFile(path);
        return;
    }
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString fileName = QFileNameRules::fileNameOf(path);
    QAudioFileChunk *row = m_controls.newRow();
    row->SetFileName(fileName.toStdString());
    row->SetFileExent(fileName.mid(fileName.lastIndexOf(QLatin1Char('.')) + 1).toStdString());
    row->SetFilePath(path.toStdString());
    row->setNewAdd(true);
    row->SetAudioState(QAudioFileChunk::AudioRecording);
    row->setFixedItem(true);
    row->setEnable(false);
    QRowControls::setHidden(row, m_controls.editButton(), true);
    QRowControls::setHidden(row, m_controls.deleteButton(), true);
    row->SetTitle(QAudioFileModel::baseName(fileName).toStdString());
    m_rows.current().setRecordingRow(row);
    emit recordingChanged(true);
    m_rows.addRow(row);
}

void QRecordingRows::addFinishedFiles(const QStringList &paths)
{
    for (const QString &path : paths)
        addFinishedFile(path);
}

void QRecordingRows::addFinishedFile(const QString &given)
{
    QString path = given;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString fileName = QFileNameRules::fileNameOf(path);
    const QString extension = fileName.mid(fileName.lastIndexOf(QLatin1Char('.')) + 1);
    QAudioFileChunk *row = m_controls.newRow();
    row->SetFileName(fileName.toStdString());
    row->SetFileExent(extension.toStdString());
    row->SetFilePath(path.toStdString());
    const QRecordingProbe::Info probed = QRecordingProbe::probe(path);
    const QString time = QRecordingProbe::durationText(probed.opened ? probed.microseconds : 0);
    row->setPlayTime(time.toStdString());
    row->setNewAdd(false);
    const QFileInfo file(path);
    row->SetCreateTime(LibraryTexts::createdText(file).toStdString());
    row->SetFileSize(LibraryTexts::sizeText(file.size()).toStdString());
    row->SetFileBytes(file.size());
    // The container name, as every loaded row and record has it.
    QString format = probed.opened ? probed.container : QString();
    if (QAudioFileChunk *editing = m_rows.current().editingRow())
        format = editing->qtext(QRowTexts::Format);
    row->SetFileFormat(format.toStdString());

    // Judged by the entry, not by comparing lists: an empty playlist and an
    // empty library look alike.
    QLibraryChunk *entry = m_rows.current().shownEntry();
    const bool inEntry = entry && !entry->isAllRecordings();
    convertedInfo info;
    info.convertedPath = path;
    info.time = time;
    info.size = row->qtext(QRowTexts::FileSize);
    info.extend = extension;
    info.format = format;
    info.createTime = row->qtext(QRowTexts::CreateTime);
    // "Latest Recordings" is no playlist: a file added there is new, and no
    // record names a playlist that does not exist.
    if (inEntry && entry->GetListType() == QLibraryChunk::ListAll) {
        row->setNewAdd(true);
        info.newFile = true;
    } else if (inEntry) {
        row->SetListsBelong({entry->GetTitle()});
        info.listNames << QString::fromStdString(entry->GetTitle());
    }
    QVideoSettingXml::SaveConvertedInfo(info);
    m_rows.addRow(row);
    if (inEntry)
        m_rows.showRow(m_controls.copyOf(row));
}

void QRecordingRows::OnSetRecordingIsSilent(bool bSilence)
{
    m_bRecordingSilent = bSilence;
}

void QRecordingRows::OnSetRecordingTagInfo(JXRecognizerAudioTagInfo tagInfo)
{
    QAudioFileChunk *row = m_rows.current().recordingRow();
    if (!row || !tagInfo.namesSomething())
        return;
    const QString path = QString::fromStdString(row->GetFilePath());
    // Known by the name: the file being written is not opened here.
    if (JXTagFileAccess::formatCodeOfExtension(row->GetFileExent()) == -1)
        return;
    row->SetTitle(tagInfo.title.toStdString());
    row->setArtist(tagInfo.artist.toStdString());
    row->setAlbum(tagInfo.album.toStdString());
    row->setGenre(tagInfo.genre.toStdString());
    // The name the file is planned to take; the recording object gives it
    // once the file is complete, tagged and free to be renamed.
    const QString name = QFileNameRules::cleanedName(QString::fromUtf8(tagInfo.title));
    if (!name.isEmpty()) {
        const QString fileName = name + QLatin1Char('.') + QString::fromStdString(row->GetFileExent());
        row->SetFileName(fileName.toStdString());
        row->SetFilePath((QFileNameRules::folderOf(path) + fileName).toStdString());
    }
    m_rows.rowChanged(row);
}

QString QRecordingRows::GetRecordingName() const
{
    for (int n = 1;; ++n) {
        const QString candidate = QStringLiteral("Audio_%1").arg(n, 2, 10, QLatin1Char('0'));
        const bool taken = std::any_of(m_rows.all().begin(), m_rows.all().end(), [&](IBaseChunk *row) {
            return row && QString::fromStdString(row->GetTitle()).compare(candidate, Qt::CaseInsensitive) == 0;
        });
        if (!taken)
            return candidate;
    }
}

bool QRecordingRows::recordingIsKept(const convertedInfo &info, bool bKeep) const
{
    if (!bKeep)
        return false;
    const int threshold = QVideoSettingXml::GetItemValue(kDeleteGroup, QStringLiteral("Duration_Less_Than"),
                                                         QStringLiteral("0"))
                              .toInt();
    if (threshold > 0
        && QVideoSettingXml::GetItemValue(kDeleteGroup, QStringLiteral("Delete_According_To_Duration"),
                                          QStringLiteral("N"))
               == QLatin1String("Y")) {
        // A duration text that cannot be read says nothing about the length:
        // the file itself is asked, and without an answer the rule stays out.
        std::optional<qint64> seconds = LibraryTexts::strictSecondsFromText(info.time);
        if (!seconds) {
            const QRecordingProbe::Info probed = QRecordingProbe::probe(info.convertedPath);
            if (probed.opened)
                seconds = qint64(probed.microseconds / 1000000);
        }
        if (seconds && *seconds <= threshold)
            return false;
    }
    if (QVideoSettingXml::GetItemValue(kDeleteGroup, QStringLiteral("Delete_According_To_Silence"), QString())
            == QLatin1String("Y")
        && m_bRecordingSilent)
        return false;
    return true;
}

void QRecordingRows::SupplyRecordingChunkInfo(convertedInfo info, bool bKeep, qint64 bytes)
{
    if (!m_rows.current().recordingRow())
        return;
    info.convertedPath.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (recordingIsKept(info, bKeep))
        keepRecording(info, bytes);
    else
        discardRecording(info.convertedPath);
    m_rows.current().setRecordingRow(nullptr);
    emit recordingChanged(false);
}

void QRecordingRows::discardRecording(const QString &finishedPath)
{
    QAudioFileChunk *row = m_rows.current().recordingRow();
    const std::vector<IBaseChunk *> &all = m_rows.all();
    if (std::find(all.begin(), all.end(), row) == all.end())
        return;
    // The file is where the recording object left it. The name tags gave
    // the row is only planned: a file there may be another recording's.
    QFileDisposal::disposeFiles({finishedPath});
    QVideoSettingXml::removeConvertedInfo(finishedPath);
    m_rows.forgetRow(row);
    delete row;
}

void QRecordingRows::keepRecording(const convertedInfo &info, qint64 bytes)
{
    QAudioFileChunk *row = m_rows.current().recordingRow();
    row->SetAudioState(QAudioFileChunk::AudioNormal);
    QString time = info.time;
    if (!LibraryTexts::strictSecondsFromText(time)) {
        const QRecordingProbe::Info probed = QRecordingProbe::probe(info.convertedPath);
        if (probed.opened)
            time = QRecordingProbe::durationText(probed.microseconds);
    }
    row->setPlayTime(time.toStdString());
    row->setImage(info.imgPath.toStdString());
    row->SetFileSize(info.size.toStdString());
    row->SetCreateTime(info.createTime.toStdString());
    row->SetResolution(info.resolution.toStdString());
    row->SetFileExent(info.extend.toStdString());
    row->SetFileFormat(info.format.toStdString());
    row->setVideoType(info.videoFile);
    row->setNewAdd(true);
    row->setFixedItem(false);
    QList<std::string> names;
    for (const QString &name : info.listNames)
        names << name.toStdString();
    row->SetListsBelong(names);
    row->setEnable(true);
    QRowControls::setHidden(row, m_controls.editButton(), false);
    QRowControls::setHidden(row, m_controls.deleteButton(), false);

    // Tagged and named by the recording object: the row shows the file as it is.
    const QString finishedPath = info.convertedPath;
    row->SetFilePath(finishedPath.toStdString());
    row->SetFileName(QFileNameRules::fileNameOf(finishedPath).toStdString());
    row->SetTitle(info.title.toStdString());
    row->setArtist(info.artist.toStdString());
    row->setAlbum(info.album.toStdString());
    row->setGenre(info.genre.toStdString());
    row->SetFileBytes(bytes >= 0 ? bytes : LibraryTexts::fileBytes(finishedPath));
    // "Latest Recordings" and the other entries take the finished row the
    // next time they are shown.
    m_rows.entries().markAllStale();
    QLibraryChunk *playing = m_rows.current().playingEntry();
    if (playing && playing->isAllRecordings())
        emit emitAppendPlayFiles({row->qtext(QRowTexts::FilePath)});
    // No longer on top: it takes its place.
    m_rows.rowChanged(row);
}

void QRecordingRows::OnRecordingTagsNotWritten(const QString &path)
{
    // A recording a deletion rule took lacks nothing.
    const std::string wanted = path.toStdString();
    const QAudioFileChunk *recording = m_rows.current().recordingRow();
    const bool listed = !m_rows.mastersAt(wanted).empty()
                        || (recording && recording->textView(QRowTexts::FilePath) == wanted);
    if (!listed)
        return;
    // Told once the stop is done.
    QTimer::singleShot(0, this, [this, path] {
        QLibraryQuestions::tell(m_owner, tr("The recognised tags could not be written into %1. "
                                            "The recording is kept without them.")
                                             .arg(QDir::toNativeSeparators(path)));
    });
}
