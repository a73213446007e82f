#include "library/qlibraryediting.h"

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
#include "library/qfiledisposal.h"
#include "library/qlibrarychunk.h"
#include "library/qlibraryquestions.h"
#include "library/qlibraryrows.h"
#include "library/qrecordingprobe.h"
#include "library/qrowcontrols.h"
#include "recorder/cavencodeparam.h"

#include <QFileInfo>
#include <QWidget>

QLibraryEditing::QLibraryEditing(QLibraryRows &rows, const QRowControls &controls, QAudioFileTableView *view,
                                 QAudioFileSortModel *sortModel, QWidget *owner, QObject *parent)
    : QObject(parent)
    , m_rows(rows)
    , m_controls(controls)
    , m_view(view)
    , m_sortModel(sortModel)
    , m_owner(owner)
{
}

bool QLibraryEditing::isEditable(QAudioFileChunk *row) const
{
    return row && row != m_rows.current().recordingRow() && !row->isDeleted()
           && QFileInfo::exists(row->qtext(QRowTexts::FilePath));
}

void QLibraryEditing::OnEditItem(const QModelIndex &index)
{
    if (m_pEditDlg || !index.isValid() || !index.model() || !m_owner)
        return;
    QAudioFileChunk *item = QAudioFileModel::rowItem(index);
    if (!isEditable(item))
        return;
    // Kept as ids: the dialog runs an event loop in which rows may go.
    const LibraryItemRef<QAudioFileChunk> itemRef = item;
    QLibraryCurrent &current = m_rows.current();
    const LibraryItemRef<QAudioFileChunk> playingRef = current.playingRow();
    QAudioFileChunk *playing = playingRef.get();
    const bool hadFile = playing
                         && (playing->GetAudioState() == QAudioFileChunk::AudioPlaying
                             || playing->GetAudioState() == QAudioFileChunk::AudioPause);
    bool wasPlaying = false;
    if (hadFile) {
        wasPlaying = playing->GetAudioState() == QAudioFileChunk::AudioPlaying;
        emit emitPlayOrPause(false);
        playing->SetAudioState(QAudioFileChunk::AudioPause);
        m_rows.rowChanged(playing);
    }

    current.setEditingRow(item);
    m_view->selectRow(index.row());
    m_pEditDlg = new QVideoEditingDlg(m_owner);
    // A table without a main window keeps the dialog's own window flags.
    if (QWidget *parent = m_owner->parentWidget())
        m_pEditDlg->setWindowFlags(parent->window()->windowFlags());
    m_pEditDlg->setVideoFile(item->qtext(QRowTexts::FilePath), 0, 0);
    connect(m_pEditDlg, &QVideoEditingDlg::emitAudioTagChange, this, &QLibraryEditing::emitAudioTagChange);
    connect(m_pEditDlg, QOverload<VEEditConfig, bool>::of(&QVideoEditingDlg::emitConvertFile), this,
            &QLibraryEditing::OnConvertFile);
    connect(m_pEditDlg, &QVideoEditingDlg::emitPreviousFile, this, &QLibraryEditing::OnPreviousItem);
    connect(m_pEditDlg, &QVideoEditingDlg::emitNextFile, this, &QLibraryEditing::OnNextItem);
    connect(this, &QLibraryEditing::emitConvertFilePath, m_pEditDlg, &QVideoEditingDlg::emitConvertFilePath);
    connect(m_pEditDlg, &QVideoEditingDlg::emitSaveConvertFileList, this,
            &QLibraryEditing::OnSaveConvertFileList);

    const bool accepted = m_pEditDlg->exec() != 0;
    // Stepping in the dialog may have moved the edited row.
    QAudioFileChunk *edited = current.editingRow();
    const QString editedPath = edited ? edited->qtext(QRowTexts::FilePath) : QString();
    if (accepted) {
        VEEditConfig config;
        m_pEditDlg->getEditConfig(config);
        const bool effect = m_pEditDlg->GetIsSetAudioEffect();
        delete m_pEditDlg; // its trim page hands over the kept segments
        m_pEditDlg = nullptr;
        emit filesKept(m_listConvertFiles);
        if (config.startTime == 0 && config.endTime == 0 && effect)
            OnConvertFile(config, false);
        else
            current.setEditingRow(nullptr);
    } else {
        delete m_pEditDlg;
        m_pEditDlg = nullptr;
        QFileDisposal::disposeFiles(m_listConvertFiles);
        current.setEditingRow(nullptr);
    }
    m_listConvertFiles.clear();

    playing = playingRef.get();
    if (hadFile && playing && current.playingRow() == playing) {
        if (accepted && playing->qtext(QRowTexts::FilePath) == editedPath)
            emit emitContinuePlayAfterEdit(wasPlaying);
        // Also when the bar kept the file open: it then resumes from here.
        emit emitPlayOrPause(wasPlaying);
        if (wasPlaying) {
            playing->SetAudioState(QAudioFileChunk::AudioPlaying);
            m_rows.rowChanged(playing);
        }
        if (current.playingEntry())
            m_rows.entries().markStale(current.playingEntry()->GetTitle());
    }
    if (QAudioFileChunk *row = itemRef.get())
        m_rows.rowChanged(row);
}

void QLibraryEditing::OnPreviousItem()
{
    stepEditingRow(-1);
}

void QLibraryEditing::OnNextItem()
{
    stepEditingRow(1);
}

void QLibraryEditing::stepEditingRow(int direction)
{
    if (!m_pEditDlg)
        return;
    QLibraryCurrent &current = m_rows.current();
    const int count = m_sortModel->rowCount();
    int at = m_view->currentIndex().row();
    for (int r = 0; r < count; ++r) {
        if (QAudioFileModel::rowItem(m_sortModel->index(r, QAudioFileModel::ColumnName))
            == current.editingRow()) {
            at = r;
            break;
        }
    }
    // The running recording and files gone from the disk cannot be edited.
    for (int r = at + direction; r >= 0 && r < count; r += direction) {
        const QModelIndex index = m_sortModel->index(r, QAudioFileModel::ColumnName);
        QAudioFileChunk *item = QAudioFileModel::rowItem(index);
        if (!isEditable(item))
            continue;
        m_view->setCurrentIndex(index);
        m_view->selectRow(r);
        current.setEditingRow(item);
        m_pEditDlg->setVideoFile(item->qtext(QRowTexts::FilePath), 0, 0);
        m_pEditDlg->InitSettings();
        return;
    }
}

void QLibraryEditing::OnSaveConvertFileList(QStringList pathList)
{
    m_listConvertFiles = pathList;
}

void QLibraryEditing::GetConvertParamConfig(ConvertConfig &config, QAudioFileChunk *row) const
{
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

void QLibraryEditing::OnConvertFile(VEEditConfig editConfig, bool bLossLess)
{
    if (!m_pConverter) {
        m_pConvertProgressDlg = new QConvertProgressDlg(m_owner ? m_owner->parentWidget() : nullptr);
        m_pConverter = new JXConverterObject(this);
        connect(m_pConvertProgressDlg, &QConvertProgressDlg::emitCancel, this,
                &QLibraryEditing::OnCancelConvert);
        connect(m_pConverter, &JXConverterObject::emitConvertedStart, this,
                &QLibraryEditing::OnConvertedStart, Qt::QueuedConnection);
        connect(m_pConverter, &JXConverterObject::emitConvertedFinish, this,
                &QLibraryEditing::OnConvertedFinish, Qt::QueuedConnection);
        connect(m_pConverter, &JXConverterObject::emitConvertProgress, this,
                &QLibraryEditing::OnConvertProgress, Qt::QueuedConnection);
    }
    QAudioFileChunk *editing = m_rows.current().editingRow();
    if (!editing)
        return;
    ConvertConfig config;
    GetConvertParamConfig(config, editing);
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

void QLibraryEditing::OnConvertedStart()
{
    if (!m_pConvertProgressDlg)
        return;
    m_pConvertProgressDlg->setProgressValue(0.0f);
    m_pConvertProgressDlg->exec();
}

void QLibraryEditing::OnConvertProgress(uint percent)
{
    if (m_pConvertProgressDlg)
        m_pConvertProgressDlg->setProgressValue(float(percent));
}

void QLibraryEditing::OnCancelConvert()
{
    if (m_pConverter)
        m_pConverter->onCancelConvert();
}

void QLibraryEditing::OnConvertedFinish(bool seccess)
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
        QLibraryQuestions::tell(m_owner, tr("Cut out failure."));
        return;
    }
    if (!m_rows.current().editingRow())
        return;
    const VEEditConfig &edit = config.param->editConfig;
    if (edit.startTime != 0 || edit.endTime != 0 || config.param->plainCut) {
        emit emitConvertFilePath(config.outputPath);
        return;
    }
    addEditedRecording(config);
}

void QLibraryEditing::addEditedRecording(const ConvertConfig &config)
{
    QLibraryCurrent &current = m_rows.current();
    QAudioFileChunk *source = current.editingRow();
    if (!source)
        return;
    // The source's record gives the copy its tags; a source without one
    // lends the row's own values instead.
    convertedInfo info;
    if (std::optional<convertedInfo> record = QVideoSettingXml::GetConvertedInfo(
            source->qtext(QRowTexts::FilePath))) {
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
    QLibraryChunk *entry = current.shownEntry();
    info.newFile = entry && entry->isLatestRecordings();
    info.listNames.clear();
    const bool custom = entry && entry->isPlaylist();
    if (custom)
        info.listNames << QString::fromStdString(entry->GetTitle());

    QAudioFileChunk *row = m_controls.newRow();
    row->setFromRecord(info);
    row->SetFileName(config.outputFileName.toStdString());
    row->SetFileBytes(file.size());
    if (custom)
        row->SetListsBelong({entry->GetTitle()});
    m_rows.addRow(row);
    if (entry && !entry->isAllRecordings() && (custom || info.newFile))
        m_rows.showRow(m_controls.copyOf(row));
    QVideoSettingXml::SaveConvertedInfo(info);
    m_rows.entries().markAllStale();
    current.setEditingRow(nullptr);
}
