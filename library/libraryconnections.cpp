#include "library/libraryconnections.h"

#include "controls/qplaycontrolwgt.h"
#include "library/qfilelistwgt.h"
#include "library/qlibraryplaylistwgt.h"

namespace LibraryConnections {

void connectPanelAndTable(QLibraryPlayListWgt *panel, QFileListWgt *table)
{
    using P = QLibraryPlayListWgt;
    using T = QFileListWgt;
    QObject::connect(panel, &P::emitCurrentListChanged, table, &T::OnChangeList, Qt::DirectConnection);
    QObject::connect(panel, &P::emitPlayListsModified, table, &T::OnPlayListsModified, Qt::DirectConnection);
    QObject::connect(panel, &P::emitDeleteFilesOfCurList, table, &T::OnDeleteFilesOfCurList, Qt::DirectConnection);
    QObject::connect(panel, &P::emitRemoveCurPlayList, table, &T::OnRemoveCurPlayList, Qt::DirectConnection);
    QObject::connect(panel, &P::emitRemoveAllPlayLists, table, &T::OnRemoveAllPlayLists, Qt::DirectConnection);
    QObject::connect(panel, &P::emitAddAudioToList, table, &T::OnAddToList, Qt::DirectConnection);
    QObject::connect(panel, &P::emitChangePlayListName, table, &T::OnChangeLibraryListName, Qt::DirectConnection);
    QObject::connect(panel, &P::emitPlayingLibChunk, table, &T::OnSetPlayingLibChunk, Qt::DirectConnection);
    QObject::connect(table, &T::emitPlayingList, panel, &P::OnSetPlayingList, Qt::DirectConnection);
}

void connectTableAndPlayBar(QFileListWgt *table, QPlayControlWgt *bar, QLibraryPlayListWgt *panel)
{
    using T = QFileListWgt;
    using B = QPlayControlWgt;
    QObject::connect(table, &T::emitPlayFilePathList, bar, &B::OnSetPlayList);
    QObject::connect(table, &T::emitPlayingFilePath, bar, &B::OnSetPlayFile);
    QObject::connect(table, &T::emitPlayOrPause, bar, &B::OnPlayOrPause);
    QObject::connect(table, &T::emitRenameAudioFile, bar, &B::OnRenameAudioFile);
    QObject::connect(table, &T::emitContinuePlayAfterEdit, bar, &B::OnContinuePlayAfterEdit);
    QObject::connect(table, &T::emitCloseFileIfIsPlaying, bar, &B::OnCloseFileIfIsPlaying, Qt::DirectConnection);
    QObject::connect(table, &T::emitRemovePlayFiles, bar, &B::OnRemoveFiles);
    QObject::connect(table, &T::emitRemoveAllPlayFiles, bar, &B::OnRemoveAllFiles);
    QObject::connect(table, &T::emitAppendPlayFiles, bar, &B::OnAppendPlayList);
    QObject::connect(bar, &B::emitPlayingFilePath, table, &T::OnChangPlayingFile);
    QObject::connect(bar, &B::emitPlayOrPauseState, table, &T::OnSetPlayOrPauseState);
    QObject::connect(bar, &B::emitFinishPlay, table, &T::OnFinishPlayList);
    if (panel)
        QObject::connect(bar, &B::emitFinishPlay, panel, &QLibraryPlayListWgt::OnFinishPlayList);
}

} // namespace LibraryConnections
