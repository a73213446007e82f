// New recordings: the running recording's row, its recognised tags, and its
// completion or automatic deletion; finished files added as rows.

#include "library/qfilelistwgt.h"

#include "common/qfilenamerules.h"
#include "common/qvideosettingxml.h"
#include "library/librarytexts.h"
#include "library/qaudiofilechunk.h"
#include "library/qaudiofiledelegate.h"
#include "library/qaudiofilemodel.h"
#include "library/librarylog.h"
#include "library/qlibrarychunk.h"
#include "library/qlibraryquestions.h"
#include "library/qrecordingprobe.h"
#include "media/jxtagfileaccess.h"
#include "widgetkit/views/qchunkcontrol.h"
#include "widgetkit/views/qjxstylebutton.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>

using LibraryTexts::createdText;

namespace {
const QString kDeleteGroup = QStringLiteral("Delete_Recorded_File");
} // namespace

void QFileListWgt::AddAudioFile(QString path, bool bRecording)
{
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString fileName = QFileNameRules::fileNameOf(path);
    const QString extension = fileName.mid(fileName.lastIndexOf(QLatin1Char('.')) + 1);
    QAudioFileChunk *row = newRow();
    row->SetFileName(fileName.toStdString());
    row->SetFileExent(extension.toStdString());
    row->SetFilePath(path.toStdString());
    if (bRecording) {
        row->setNewAdd(true);
        row->SetAudioState(QAudioFileChunk::AudioRecording);
        row->setFixedItem(true);
        m_rows.setRecordingRow(row);
        row->setEnable(false);
        setButtonHidden(row, m_pBtnEdit, true);
        setButtonHidden(row, m_pBtnDelete, true);
        row->SetTitle(QAudioFileModel::baseName(fileName).toStdString());
        if (m_pDelegate)
            m_pDelegate->SetIsRecording(true);
    } else {
        const QRecordingProbe::Info probed = QRecordingProbe::probe(path);
        const QString time = QRecordingProbe::durationText(probed.opened ? probed.microseconds : 0);
        row->setPlayTime(time.toStdString());
        row->setNewAdd(false);
        const QFileInfo file(path);
        row->SetCreateTime(createdText(file).toStdString());
        row->SetFileSize(GetSizeStr(file.size()).toStdString());
        row->SetFileBytes(file.size());
        // The container name, as every loaded row and record has it.
        QString format = probed.opened ? probed.container : QString();
        if (auto *editing = asRow(m_rows.editingRow()))
            format = editing->qtext(QRowTexts::Format);
        row->SetFileFormat(format.toStdString());

        // Judged by the entry, not by comparing lists: an empty playlist
        // and an empty library look alike.
        const bool inEntry = m_rows.currentEntry() && !showingAllRecordings();
        convertedInfo info;
        info.convertedPath = path;
        info.time = time;
        info.size = row->qtext(QRowTexts::FileSize);
        info.extend = extension;
        info.format = format;
        info.createTime = row->qtext(QRowTexts::CreateTime);
        // "Latest Recordings" is no playlist: a file added there is new,
        // and no record names a playlist that does not exist.
        const bool latest = inEntry && m_rows.currentEntry()->GetListType() == QLibraryChunk::ListAll;
        if (latest) {
            row->setNewAdd(true);
            info.newFile = true;
        } else if (inEntry) {
            row->SetListsBelong({m_rows.currentEntry()->GetTitle()});
            info.listNames << QString::fromStdString(m_rows.currentEntry()->GetTitle());
        }
        QVideoSettingXml::SaveConvertedInfo(info);
        if (inEntry) {
            auto *copy = new QAudioFileChunk(row);
            AddControlToNewChunk(copy);
            m_rows.shown() = m_rows.currentEntry()->GetAudioDatasList();
            m_rows.shown().push_back(copy);
            m_rows.currentEntry()->SetAudioDatasList(m_rows.shown());
        }
    }
    m_rows.all().push_back(row);
    showJoinedRows();
}

void QFileListWgt::OnSetRecordingIsSilent(bool bSilence)
{
    m_bRecordingSilent = bSilence;
}

void QFileListWgt::OnSetRecordingTagInfo(JXRecognizerAudioTagInfo tagInfo)
{
    if (!m_rows.recordingRow() || !tagInfo.namesSomething())
        return;
    const QString path = QString::fromStdString(m_rows.recordingRow()->GetFilePath());
    // Known by the name: the file being written is not opened here.
    if (JXTagFileAccess::formatCodeOfExtension(m_rows.recordingRow()->GetFileExent()) == -1)
        return;
    m_rows.recordingRow()->SetTitle(tagInfo.title.toStdString());
    m_rows.recordingRow()->setArtist(tagInfo.artist.toStdString());
    m_rows.recordingRow()->setAlbum(tagInfo.album.toStdString());
    m_rows.recordingRow()->setGenre(tagInfo.genre.toStdString());
    // The name the file is planned to take; the recording object gives it
    // once the file is complete, tagged and free to be renamed.
    const QString name = QFileNameRules::cleanedName(QString::fromUtf8(tagInfo.title));
    if (!name.isEmpty()) {
        const QString fileName = name + QLatin1Char('.') + QString::fromStdString(m_rows.recordingRow()->GetFileExent());
        m_rows.recordingRow()->SetFileName(fileName.toStdString());
        m_rows.recordingRow()->SetFilePath((QFileNameRules::folderOf(path) + fileName).toStdString());
    }
    refreshShownRow(m_rows.recordingRow());
}

QString QFileListWgt::GetRecordingName() const
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

bool QFileListWgt::recordingIsKept(const convertedInfo &info, bool bKeep) const
{
    if (!bKeep)
        return false;
    const int threshold = QVideoSettingXml::GetItemValue(kDeleteGroup, QStringLiteral("Duration_Less_Than"),
                                                         QStringLiteral("0")).toInt();
    if (threshold > 0
        && QVideoSettingXml::GetItemValue(kDeleteGroup, QStringLiteral("Delete_According_To_Duration"),
                                          QStringLiteral("N")) == QLatin1String("Y")) {
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

void QFileListWgt::SupplyRecordingChunkInfo(convertedInfo info, bool bKeep, qint64 bytes)
{
    if (!m_rows.recordingRow())
        return;
    info.convertedPath.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (recordingIsKept(info, bKeep))
        keepRecording(info, bytes);
    else
        discardRecording(info.convertedPath);
    m_rows.setRecordingRow(nullptr);
    if (m_pDelegate)
        m_pDelegate->SetIsRecording(false);
}

void QFileListWgt::discardRecording(const QString &finishedPath)
{
    QAudioFileChunk *row = m_rows.recordingRow();
    auto it = std::find(m_rows.all().begin(), m_rows.all().end(), row);
    if (it == m_rows.all().end())
        return;
    // The file is where the recording object left it. The name tags gave
    // the row is only planned: a file there may be another recording's.
    DisposeFile({finishedPath}, 2);
    QVideoSettingXml::removeConvertedInfo(finishedPath);
    m_rows.all().erase(it);
    syncAllEntry();
    forgetRow(row);
    delete row;
    DisplayListInfo();
}

void QFileListWgt::keepRecording(const convertedInfo &info, qint64 bytes)
{
    QAudioFileChunk *row = m_rows.recordingRow();
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
    setButtonHidden(row, m_pBtnEdit, false);
    setButtonHidden(row, m_pBtnDelete, false);

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
    m_bListsChanged = true;
    if (m_rows.playingEntry() && m_rows.playingEntry()->GetTitle() == tr("All Recordings").toStdString())
        emit emitAppendPlayFiles({row->qtext(QRowTexts::FilePath)});
    refreshShownRow(row);
    DisplayListInfo();
}

void QFileListWgt::OnRecordingTagsNotWritten(const QString &path)
{
    // A recording a deletion rule took lacks nothing.
    const bool shown = std::any_of(m_rows.all().begin(), m_rows.all().end(), [&](IBaseChunk *item) {
        const QAudioFileChunk *row = asRow(item);
        return row && row->qtext(QRowTexts::FilePath) == path;
    });
    if (!shown)
        return;
    // Told once the stop is done.
    QTimer::singleShot(0, this, [this, path] {
        QLibraryQuestions::tell(this, tr("The recognised tags could not be written into %1. "
                                         "The recording is kept without them.")
                                          .arg(QDir::toNativeSeparators(path)));
    });
}
