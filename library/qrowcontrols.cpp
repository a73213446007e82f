#include "library/qrowcontrols.h"

#include "common/qianyutil.h"
#include "library/librarytexts.h"
#include "library/qaudiofilechunk.h"
#include "widgetkit/views/qchunkcontrol.h"
#include "widgetkit/views/qdelegatecontrol.h"
#include "widgetkit/views/qjxstylebutton.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>

namespace {
QString resource(const char *name)
{
    return QIAnyUtil::getResourcePath() + QLatin1String(name);
}

std::unique_ptr<QJXStyleButton> button(const char *toolTip, const char *image)
{
    auto made = std::make_unique<QJXStyleButton>();
    made->setToolTip(QCoreApplication::translate("QFileListWgt", toolTip));
    made->setButtonImage(resource(image));
    return made;
}

const std::shared_ptr<const QAudioFileChunk::StateIcons> &stateIcons()
{
    // Worked out once: a large history makes many rows.
    static const auto icons = std::make_shared<const QAudioFileChunk::StateIcons>(QAudioFileChunk::StateIcons{
        resource("/image/FileList/icon_recording.png"), resource("/image/FileList/icon_playing.png"),
        resource("/image/FileList/icon_nofile.png")});
    return icons;
}
} // namespace

QRowControls::QRowControls()
    : m_play(button("Play", "/image/FileList/btn_play.png"))
    , m_pause(button("Pause", "/image/FileList/btn_pause.png"))
    , m_edit(button("Edit", "/image/FileList/btn_edit.png"))
    , m_delete(button("Delete", "/image/FileList/btn_delete.png"))
    , m_playControl(std::make_unique<QDelegateControl>(0))
    , m_operate(std::make_unique<QDelegateControl>(7))
{
    // Play and Pause are kept for their clicks only: rows show their state
    // through the state column's picture.
    m_playControl->addButton(m_play.get());
    m_playControl->addButton(m_pause.get());
    m_playControl->setDrawWidth(m_pause->width());
    m_playControl->setDrawHeight(m_pause->height());
    m_playControl->setHoverShow(false);
    m_operate->addButton(m_edit.get());
    m_operate->addButton(m_delete.get());
    m_operate->setDrawWidth(m_delete->width());
    m_operate->setDrawHeight(m_delete->height());
    m_operate->setDrawSpacing(12);
    ControlAttribute shown;
    shown.type = controlTypeButton;
    m_records = std::make_shared<QChunkControl::Records>(
        QChunkControl::Records{{m_edit.get(), shown}, {m_delete.get(), shown}});
}

QRowControls::~QRowControls() = default;

QAudioFileChunk *QRowControls::bareRow()
{
    auto *row = new QAudioFileChunk;
    row->setStateIcons(stateIcons());
    return row;
}

void QRowControls::prepareRecordRows()
{
    stateIcons();
}

QAudioFileChunk *QRowControls::newRow() const
{
    QAudioFileChunk *row = bareRow();
    addControls(row);
    return row;
}

QAudioFileChunk *QRowControls::copyOf(QAudioFileChunk *master) const
{
    auto *copy = new QAudioFileChunk(master);
    addControls(copy);
    return copy;
}

QAudioFileChunk *QRowControls::rowOf(const convertedInfo &info, qint64 bytes) const
{
    QAudioFileChunk *row = recordRow(info, bytes);
    addControls(row);
    return row;
}

void QRowControls::addControls(IBaseChunk *row) const
{
    if (row)
        row->getChunkControl()->share(m_records);
}

void QRowControls::setHidden(IBaseChunk *row, QJXStyleButton *button, bool hidden)
{
    if (!row || !button)
        return;
    // Read first: a row written to keeps records of its own.
    const ControlAttribute *record = row->getChunkControl()->attributeOf(button);
    if (!record || record->hidden == hidden)
        return;
    row->getChunkControl()->getControlAttribute(button)->hidden = hidden;
}

bool QRowControls::takesRow(const convertedInfo &info, const QSet<QString> &inRepair)
{
    return !info.videoFile
           && (inRepair.isEmpty() || !inRepair.contains(QFileInfo(info.convertedPath).absoluteFilePath()));
}

QAudioFileChunk *QRowControls::recordRow(const convertedInfo &info, qint64 bytes, ListNames *shared,
                                         const HistoryDocument::Entry *entry)
{
    QAudioFileChunk *row = bareRow();
    row->setFromRecord(info, entry);
    row->SetFileBytes(std::max<qint64>(0, bytes < 0 ? LibraryTexts::fileBytes(info.convertedPath) : bytes));
    const auto made = shared ? shared->constFind(info.listNames) : ListNames::const_iterator();
    if (shared && made != shared->cend()) {
        row->SetListsBelong(made.value());
        return row;
    }
    QList<std::string> names;
    names.reserve(info.listNames.size());
    for (const QString &name : info.listNames)
        names << name.toStdString();
    if (shared)
        shared->insert(info.listNames, names);
    row->SetListsBelong(std::move(names));
    return row;
}
