// Editing and converting from the table: the edit dialog on one row, the
// conversions it asks for, and the results folded back into the library.

#include "library/qfilelistwgt.h"

#include "common/qconverteroperate.h"
#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "convert/convertconfig.h"
#include "convert/jxconverterobject.h"
#include "convert/qconvertprogressdlg.h"
#include "editor/qvideoeditingdlg.h"
#include "library/librarylog.h"
#include "library/librarytexts.h"
#include "library/qaudiofilechunk.h"
#include "library/qaudiofilemodel.h"
#include "library/qaudiofilesortmodel.h"
#include "library/qaudiofiletableview.h"
#include "library/qlibrarychunk.h"
#include "library/qlibraryquestions.h"
#include "library/qrecordingprobe.h"
#include "recorder/cavencodeparam.h"

#include <QDebug>
#include <QFileInfo>

bool QFileListWgt::isEditable(QAudioFileChunk *row) const
{
    return row && row != m_rows.recordingRow() && !row->isDeleted()
           && QFileInfo::exists(row->qtext(QRowTexts::FilePath));
}

void QFileListWgt::OnEditItem(const QModelIndex &index)
{
    if (m_pEditDlg || !index.isValid() || !index.model())
        return;
    QAudioFileChunk *item = QAudioFileModel::rowItem(index);
    if (!isEditable(item))
        return;
    const int sourceRow = index.model() == m_pSortModel ? m_pSortModel->mapToSource(index).row() : index.row();

    bool wasPlaying = false;
    // Kept as an id: the dialog runs an event loop in which the row may go.
    const LibraryItemRef<QAudioFileChunk> playingRef = m_rows.playingRow();
    QAudioFileChunk *playing = playingRef.get();
    const bool hadFile = playing && (playing->GetAudioState() == QAudioFileChunk::AudioPlaying
                                     || playing->GetAudioState() == QAudioFileChunk::AudioPause);
    if (hadFile) {
        wasPlaying = playing->GetAudioState() == QAudioFileChunk::AudioPlaying;
        emit emitPlayOrPause(false);
        playing->SetAudioState(QAudioFileChunk::AudioPause);
        m_pAudioModel->refreshColumn(0);
    }

    m_rows.setEditingRow(item);
    m_tbViewFile->selectRow(index.row());
    m_pEditDlg = new QVideoEditingDlg(this);
    // A table without a main window keeps the dialog's own window flags.
    if (QWidget *parent = parentWidget())
        m_pEditDlg->setWindowFlags(parent->window()->windowFlags());
    m_pEditDlg->setVideoFile(item->qtext(QRowTexts::FilePath), 0, 0);
    connect(m_pEditDlg, &QVideoEditingDlg::emitAudioTagChange, this, &QFileListWgt::OnAudioTagChange);
    connect(m_pEditDlg, QOverload<VEEditConfig, bool>::of(&QVideoEditingDlg::emitConvertFile), this,
            &QFileListWgt::OnConvertFile);
    connect(m_pEditDlg, &QVideoEditingDlg::emitPreviousFile, this, &QFileListWgt::OnPreviousItem);
    connect(m_pEditDlg, &QVideoEditingDlg::emitNextFile, this, &QFileListWgt::OnNextItem);
    connect(this, &QFileListWgt::emitConvertFilePath, m_pEditDlg, &QVideoEditingDlg::emitConvertFilePath);
    connect(m_pEditDlg, &QVideoEditingDlg::emitSaveConvertFileList, this, &QFileListWgt::OnSaveConvertFileList);

    const bool accepted = m_pEditDlg->exec() != 0;
    // Stepping in the dialog may have moved the edited row.
    auto *edited = asRow(m_rows.editingRow());
    const QString editedPath = edited ? edited->qtext(QRowTexts::FilePath) : QString();
    if (accepted) {
        VEEditConfig config;
        m_pEditDlg->getEditConfig(config);
        const bool effect = m_pEditDlg->GetIsSetAudioEffect();
        delete m_pEditDlg; // its trim page hands over the kept segments
        m_pEditDlg = nullptr;
        for (const QString &path : qAsConst(m_listConvertFiles))
            AddAudioFile(path, false);
        if (config.startTime == 0 && config.endTime == 0 && effect)
            OnConvertFile(config, false);
        else
            m_rows.setEditingRow(nullptr);
    } else {
        delete m_pEditDlg;
        m_pEditDlg = nullptr;
        DisposeFile(m_listConvertFiles, 2);
        m_rows.setEditingRow(nullptr);
    }
    m_listConvertFiles.clear();

    playing = playingRef.get();
    if (hadFile && playing && m_rows.playingRow() == playing) {
        if (accepted && playing->qtext(QRowTexts::FilePath) == editedPath)
            emit emitContinuePlayAfterEdit(wasPlaying);
        // Also when the bar kept the file open: it then resumes from here.
        emit emitPlayOrPause(wasPlaying);
        if (wasPlaying)
            playing->SetAudioState(QAudioFileChunk::AudioPlaying);
        if (m_rows.playingEntry())
            m_listLoadedLists.removeOne(m_rows.playingEntry()->GetTitle());
    }
    if (sourceRow >= 0 && sourceRow < m_pAudioModel->rowCount())
        m_pAudioModel->refeshRow(sourceRow);
}

void QFileListWgt::OnPreviousItem()
{
    stepEditingRow(-1);
}

void QFileListWgt::OnNextItem()
{
    stepEditingRow(1);
}

void QFileListWgt::stepEditingRow(int direction)
{
    if (!m_pEditDlg)
        return;
    const int count = m_pSortModel->rowCount();
    int current = m_tbViewFile->currentIndex().row();
    for (int r = 0; r < count; ++r) {
        if (QAudioFileModel::rowItem(m_pSortModel->index(r, QAudioFileModel::ColumnName)) == m_rows.editingRow()) {
            current = r;
            break;
        }
    }
    // The running recording and files gone from the disk cannot be edited.
    for (int r = current + direction; r >= 0 && r < count; r += direction) {
        const QModelIndex index = m_pSortModel->index(r, QAudioFileModel::ColumnName);
        QAudioFileChunk *item = QAudioFileModel::rowItem(index);
        if (!isEditable(item))
            continue;
        m_tbViewFile->setCurrentIndex(index);
        m_tbViewFile->selectRow(r);
        m_rows.setEditingRow(item);
        m_pEditDlg->setVideoFile(item->qtext(QRowTexts::FilePath), 0, 0);
        m_pEditDlg->InitSettings();
        return;
    }
}

void QFileListWgt::OnSaveConvertFileList(QStringList pathList)
{
    m_listConvertFiles = pathList;
}

void QFileListWgt::GetConvertParamConfig(ConvertConfig &config, IBaseChunk *chunk) const
{
    QAudioFileChunk *row = asRow(chunk);
    if (!row || config.param)
        return;
    CAVEncodeParam param;
    param.discSource = false;
    param.plainCut = true;
    const QString format = row->qtext(QRowTexts::Format);
    qCDebug(lcLibrary) << "------format:" << format;
    // A prober's list of names ("mov,mp4,m4a,...") names no muxer: the
    // output's extension decides then.
    if (!format.isEmpty() && !format.contains(QLatin1Char(',')))
        param.setFormatName(format.toLower().toUtf8().constData());
    config.param = new CAVEncodeParam(param);
    config.sourcePath = row->qtext(QRowTexts::FilePath);
    config.outputFolder = QConverterOperate::getConverterPath();
    config.sourceExtension = row->qtext(QRowTexts::Extension);
    config.sourceFileName = row->qtext(QRowTexts::FileName);
}

void QFileListWgt::OnConvertFile(VEEditConfig editConfig, bool bLossLess)
{
    if (!m_pConverter) {
        m_pConvertProgressDlg = new QConvertProgressDlg(parentWidget());
        m_pConverter = new JXConverterObject(this);
        connect(m_pConvertProgressDlg, &QConvertProgressDlg::emitCancel, this, &QFileListWgt::OnCancelConvert);
        connect(m_pConverter, &JXConverterObject::emitConvertedStart, this, &QFileListWgt::OnConvertedStart,
                Qt::QueuedConnection);
        connect(m_pConverter, &JXConverterObject::emitConvertedFinish, this, &QFileListWgt::OnConvertedFinish,
                Qt::QueuedConnection);
        connect(m_pConverter, &JXConverterObject::emitConvertProgress, this, &QFileListWgt::OnConvertProgress,
                Qt::QueuedConnection);
    }
    if (!m_rows.editingRow())
        return;
    ConvertConfig config;
    GetConvertParamConfig(config, m_rows.editingRow());
    if (!config.param)
        return;
    config.param->rangeStart = editConfig.startTime;
    // An end before the start would wrap around: such a range means the end.
    config.param->rangeDuration = editConfig.endTime > editConfig.startTime
                                      ? editConfig.endTime - editConfig.startTime
                                      : 0;
    config.editConfig = editConfig;
    config.param->editConfig = editConfig;
    config.param->plainCut = bLossLess;
    config.param->tags.setFrom(editConfig.audioTagInfo);
    m_pConverter->setConvertParamConfig(config);
    m_pConverter->startToConverter();
}

void QFileListWgt::OnConvertedStart()
{
    if (!m_pConvertProgressDlg)
        return;
    m_pConvertProgressDlg->setProgressValue(0.0f);
    m_pConvertProgressDlg->exec();
}

void QFileListWgt::OnConvertProgress(uint percent)
{
    if (m_pConvertProgressDlg)
        m_pConvertProgressDlg->setProgressValue(float(percent));
}

void QFileListWgt::OnCancelConvert()
{
    if (m_pConverter)
        m_pConverter->onCancelConvert();
}

void QFileListWgt::OnConvertedFinish(bool seccess)
{
    if (m_pConvertProgressDlg)
        m_pConvertProgressDlg->close();
    auto *job = qobject_cast<JXConverterObject *>(sender());
    if (!job)
        job = m_pConverter;
    if (!job)
        return;
    const ConvertConfig config = job->getConvertParamConfig();
    // A job reported finished but without its file is a failure too.
    if (!seccess || !config.param || !QFileInfo(config.outputPath).isFile()) {
        QLibraryQuestions::tell(this, tr("Cut out failure."));
        return;
    }
    if (!m_rows.editingRow())
        return;
    const VEEditConfig &edit = config.param->editConfig;
    if (edit.startTime != 0 || edit.endTime != 0 || config.param->plainCut) {
        emit emitConvertFilePath(config.outputPath);
        return;
    }
    addEditedRecording(config);
}

void QFileListWgt::addEditedRecording(const ConvertConfig &config)
{
    QAudioFileChunk *source = asRow(m_rows.editingRow());
    if (!source)
        return;
    // The source's record gives the copy its tags; a source without one
    // lends the row's own values instead.
    convertedInfo info;
    if (std::optional<convertedInfo> record =
            QVideoSettingXml::GetConvertedInfo(source->qtext(QRowTexts::FilePath))) {
        info = *record;
    } else {
        info.title = QString::fromStdString(source->GetTitle());
        info.artist = source->qtext(QRowTexts::Artist);
        info.album = source->qtext(QRowTexts::Album);
        info.genre = source->qtext(QRowTexts::Genre);
        info.imgPath = QString::fromStdString(source->GetImage());
        info.resolution = source->qtext(QRowTexts::Resolution);
        info.format = source->qtext(QRowTexts::Format);
        info.extend = source->qtext(QRowTexts::Extension);
    }
    const QFileInfo file(config.outputPath);
    const QRecordingProbe::Info probed = QRecordingProbe::probe(config.outputPath);
    info.convertedPath = config.outputPath;
    info.size = QIAnyUtil::size2String(quint64(file.size()));
    info.createTime = LibraryTexts::createdText(file);
    info.time = QRecordingProbe::durationText(probed.opened ? probed.microseconds : 0);
    info.newFile = shownEntryIs(tr("Latest Recordings"));
    info.listNames.clear();
    const bool custom = m_rows.currentEntry() && m_rows.currentEntry()->GetListType() == QLibraryChunk::ListCustom;
    if (custom)
        info.listNames << QString::fromStdString(m_rows.currentEntry()->GetTitle());

    QAudioFileChunk *row = newRow();
    row->setFromRecord(info);
    row->SetFileName(config.outputFileName.toStdString());
    row->SetFileBytes(file.size());
    m_rows.all().push_back(row);
    syncAllEntry();
    if (m_rows.currentEntry() && !showingAllRecordings() && (custom || info.newFile)) {
        if (custom)
            row->SetListsBelong({m_rows.currentEntry()->GetTitle()});
        auto *copy = new QAudioFileChunk(row);
        AddControlToNewChunk(copy);
        m_rows.currentEntry()->AddAudioChunk(copy);
    }
    QVideoSettingXml::SaveConvertedInfo(info);
    m_bListsChanged = true;
    m_rows.shown() = m_rows.currentEntry() ? m_rows.currentEntry()->GetAudioDatasList() : m_rows.all();
    m_pAudioModel->refresh();
    DisplayListInfo();
    m_rows.setEditingRow(nullptr);
}
