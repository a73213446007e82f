#include "library/libraryconnections.h"

#include "controls/qplaycontrolwgt.h"
#include "library/qfilelistwgt.h"
#include "library/qlibrarydeletion.h"
#include "library/qlibraryediting.h"
#include "library/qlibraryplayback.h"
#include "library/qlibraryplaylistwgt.h"
#include "library/qlibraryrenaming.h"
#include "library/qlibrarytablecontroller.h"
#include "library/qlibrarytablemenu.h"
#include "library/qplaylistmembership.h"
#include "library/qrecordingrows.h"

namespace LibraryConnections {

void connectPanelAndTable(QLibraryPlayListWgt *panel, QFileListWgt *table)
{
    using P = QLibraryPlayListWgt;
    const auto direct = Qt::DirectConnection;
    QObject::connect(panel, &P::emitCurrentListChanged, table->controller(),
                     &QLibraryTableController::OnChangeList, direct);
    QObject::connect(panel, &P::emitPlayListsModified, table->tableMenu(),
                     &QLibraryTableMenu::OnPlayListsModified, direct);
    QObject::connect(panel, &P::emitDeleteFilesOfCurList, table->deletion(),
                     &QLibraryDeletion::OnDeleteFilesOfCurList, direct);
    QObject::connect(panel, &P::emitRemoveCurPlayList, table->deletion(),
                     &QLibraryDeletion::OnRemoveCurPlayList, direct);
    QObject::connect(panel, &P::emitRemoveAllPlayLists, table->membership(),
                     &QPlaylistMembership::OnRemoveAllPlayLists, direct);
    QObject::connect(panel, &P::emitAddAudioToList, table->membership(), &QPlaylistMembership::OnAddToList,
                     direct);
    QObject::connect(panel, &P::emitChangePlayListName, table->membership(),
                     &QPlaylistMembership::OnChangeLibraryListName, direct);
    QObject::connect(panel, &P::emitPlayingLibChunk, table->playback(),
                     &QLibraryPlayback::OnSetPlayingLibChunk, direct);
    QObject::connect(table->playback(), &QLibraryPlayback::emitPlayingList, panel, &P::OnSetPlayingList,
                     direct);
    QObject::connect(table->deletion(), &QLibraryDeletion::emitPlayingList, panel, &P::OnSetPlayingList,
                     direct);
    QObject::connect(table->membership(), &QPlaylistMembership::emitPlayingList, panel, &P::OnSetPlayingList,
                     direct);
}

void connectTableAndPlayBar(QFileListWgt *table, QPlayControlWgt *bar, QLibraryPlayListWgt *panel)
{
    using B = QPlayControlWgt;
    QLibraryPlayback *playback = table->playback();
    QObject::connect(playback, &QLibraryPlayback::emitPlayFilePathList, bar, &B::OnSetPlayList);
    QObject::connect(playback, &QLibraryPlayback::emitPlayingFilePath, bar, &B::OnSetPlayFile);
    QObject::connect(playback, &QLibraryPlayback::emitPlayOrPause, bar, &B::OnPlayOrPause);
    QObject::connect(table->editing(), &QLibraryEditing::emitPlayOrPause, bar, &B::OnPlayOrPause);
    QObject::connect(table->renaming(), &QLibraryRenaming::emitRenameAudioFile, bar, &B::OnRenameAudioFile);
    QObject::connect(table->renaming(), &QLibraryRenaming::emitContinuePlayAfterEdit, bar,
                     &B::OnContinuePlayAfterEdit);
    QObject::connect(table->editing(), &QLibraryEditing::emitContinuePlayAfterEdit, bar,
                     &B::OnContinuePlayAfterEdit);
    QObject::connect(table->renaming(), &QLibraryRenaming::emitCloseFileIfIsPlaying, bar,
                     &B::OnCloseFileIfIsPlaying, Qt::DirectConnection);
    QObject::connect(table->deletion(), &QLibraryDeletion::emitRemovePlayFiles, bar, &B::OnRemoveFiles);
    QObject::connect(table->deletion(), &QLibraryDeletion::emitRemoveAllPlayFiles, bar, &B::OnRemoveAllFiles);
    QObject::connect(table->membership(), &QPlaylistMembership::emitRemoveAllPlayFiles, bar,
                     &B::OnRemoveAllFiles);
    QObject::connect(table->membership(), &QPlaylistMembership::emitAppendPlayFiles, bar, &B::OnAppendPlayList);
    QObject::connect(table->recordings(), &QRecordingRows::emitAppendPlayFiles, bar, &B::OnAppendPlayList);
    QObject::connect(bar, &B::emitPlayingFilePath, playback, &QLibraryPlayback::OnChangPlayingFile);
    QObject::connect(bar, &B::emitPlayOrPauseState, playback, &QLibraryPlayback::OnSetPlayOrPauseState);
    QObject::connect(bar, &B::emitFinishPlay, playback, &QLibraryPlayback::OnFinishPlayList);
    if (panel)
        QObject::connect(bar, &B::emitFinishPlay, panel, &QLibraryPlayListWgt::OnFinishPlayList);
}

} // namespace LibraryConnections
