// Renaming recordings in place, and the tags edited in the edit dialog.

#include "library/qfilelistwgt.h"

#include "common/qfilenamerules.h"
#include "common/qvideosettingxml.h"
#include "library/librarytexts.h"
#include "library/qaudiofilechunk.h"
#include "library/qaudiofilemodel.h"

#include <QFile>

bool QFileListWgt::OnRenameFile(const QModelIndex &index, QString title)
{
    if (!index.isValid() || title.isEmpty())
        return false;
    QAudioFileChunk *item = QAudioFileModel::rowItem(index);
    // The running recording is still being written under its name.
    if (!item || item == m_rows.recordingRow())
        return false;
    // No separator can slip in, so the file never leaves its folder;
    // "." and ".." name no file.
    if (QFileNameRules::hasRefusedCharacter(title) || title == QLatin1String(".")
        || title == QLatin1String(".."))
        return false;
    const QString oldPath = item->qtext(QRowTexts::FilePath).replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString extension = item->qtext(QRowTexts::Extension);
    QString newName = title + QLatin1Char('.') + extension;
    if (item->qtext(QRowTexts::FileName) == newName)
        return false;

    // The file itself does not take the name it is to get: "song(2)" named
    // "song" beside song and song(1) stays song(2).
    const QString newPath =
        QFileNameRules::firstFreePath(QFileNameRules::folderOf(oldPath), title, extension, oldPath);
    if (newPath == oldPath)
        return false;
    newName = QFileNameRules::fileNameOf(newPath);
    emit emitCloseFileIfIsPlaying(oldPath);
    QAudioFileChunk *master = showingAllRecordings() ? nullptr : masterOf(item);
    if (!QFileNameRules::moveWithoutReplacing(oldPath, newPath))
        return false;

    item->SetFileName(newName.toStdString());
    item->SetFilePath(newPath.toStdString());
    QVideoSettingXml::changeConvertedInfoPath(oldPath, newPath);
    if (master && master != item) {
        master->SetFileName(newName.toStdString());
        master->SetFilePath(newPath.toStdString());
    }
    m_bListsChanged = true;
    emit emitRenameAudioFile(oldPath, newPath);
    emit emitContinuePlayAfterEdit(item == m_rows.playingRow()
                                   && item->GetAudioState() == QAudioFileChunk::AudioPlaying);
    return true;
}

void QFileListWgt::OnAudioTagChange(VEAudioTagInfo tagInfo, QString imagePath)
{
    Q_UNUSED(imagePath)
    QAudioFileChunk *editing = asRow(m_rows.editingRow());
    if (!editing)
        return;
    if (std::optional<convertedInfo> record =
            QVideoSettingXml::GetConvertedInfo(editing->qtext(QRowTexts::FilePath))) {
        record->title = QString::fromStdString(tagInfo.title);
        record->artist = QString::fromStdString(tagInfo.artist);
        record->album = QString::fromStdString(tagInfo.album);
        record->genre = QString::fromStdString(tagInfo.genre);
        QVideoSettingXml::SaveConvertedInfo(*record);
    }
    auto apply = [&](QAudioFileChunk *row) {
        row->setAlbum(tagInfo.album);
        row->setArtist(tagInfo.artist);
        row->setGenre(tagInfo.genre);
        row->SetTitle(tagInfo.title);
    };
    apply(editing);
    if (!showingAllRecordings()) {
        if (QAudioFileChunk *master = masterOf(editing))
            apply(master);
    }
    m_bListsChanged = true;
}
