#include "library/qlibraryrenaming.h"

#include "common/qfilenamerules.h"
#include "common/qvideosettingxml.h"
#include "library/qaudiofilechunk.h"
#include "library/qaudiofilemodel.h"
#include "library/qlibrarychunk.h"
#include "library/qlibraryrows.h"

QLibraryRenaming::QLibraryRenaming(QLibraryRows &rows, QObject *parent)
    : QObject(parent)
    , m_rows(rows)
{
}

bool QLibraryRenaming::OnRenameFile(const QModelIndex &index, QString title)
{
    if (!index.isValid() || title.isEmpty())
        return false;
    QAudioFileChunk *item = QAudioFileModel::rowItem(index);
    // The running recording is still being written under its name.
    if (!item || item == m_rows.current().recordingRow())
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
    // "song" beside song and song(1) stays song(2). A name a recording of
    // the library still goes by is taken too, even while its file is away
    // (its deletion on its way): two recordings never share a path.
    const auto listed = [this](const QString &path) {
        for (QAudioFileChunk *row : m_rows.mastersAt(path.toStdString()))
            if (!row->isDeleted())
                return true;
        return false;
    };
    const QString newPath = QFileNameRules::firstFreePath(QFileNameRules::folderOf(oldPath), title, extension,
                                                          oldPath, listed);
    if (newPath == oldPath)
        return false;
    newName = QFileNameRules::fileNameOf(newPath);
    emit emitCloseFileIfIsPlaying(oldPath);
    QAudioFileChunk *master = m_rows.masterOf(item->textView(QRowTexts::FilePath));
    if (!QFileNameRules::moveWithoutReplacing(oldPath, newPath))
        return false;

    // The shown row, and its master row when that is another.
    for (QAudioFileChunk *row : {item, master != item ? master : nullptr}) {
        if (!row)
            continue;
        row->SetFileName(newName.toStdString());
        row->SetFilePath(newPath.toStdString());
        m_rows.rowChanged(row);
    }
    QVideoSettingXml::changeConvertedInfoPath(oldPath, newPath);
    m_rows.entries().markAllStale();
    emit emitRenameAudioFile(oldPath, newPath);
    emit emitContinuePlayAfterEdit(item == m_rows.current().playingRow()
                                   && item->GetAudioState() == QAudioFileChunk::AudioPlaying);
    return true;
}

void QLibraryRenaming::OnAudioTagChange(VEAudioTagInfo tagInfo, QString imagePath)
{
    Q_UNUSED(imagePath)
    QAudioFileChunk *editing = m_rows.current().editingRow();
    if (!editing)
        return;
    if (std::optional<convertedInfo> record = QVideoSettingXml::GetConvertedInfo(
            editing->qtext(QRowTexts::FilePath))) {
        record->title = QString::fromStdString(tagInfo.title);
        record->artist = QString::fromStdString(tagInfo.artist);
        record->album = QString::fromStdString(tagInfo.album);
        record->genre = QString::fromStdString(tagInfo.genre);
        QVideoSettingXml::SaveConvertedInfo(*record);
    }
    QAudioFileChunk *master = m_rows.masterOf(editing->textView(QRowTexts::FilePath));
    for (QAudioFileChunk *row : {editing, master != editing ? master : nullptr}) {
        if (!row)
            continue;
        row->setAlbum(tagInfo.album);
        row->setArtist(tagInfo.artist);
        row->setGenre(tagInfo.genre);
        row->SetTitle(tagInfo.title);
        m_rows.rowChanged(row);
    }
    m_rows.entries().markAllStale();
}
