#pragma once
// The recordings table pane: the table of the recordings of the entry chosen
// in the library panel, with an info line and a search field below it. It
// lays out its widgets and puts together the parts that do the work, each
// talking to the others only through the rows (library/qlibraryrows.h) and
// signals: what is shown (QLibraryTableController), the context menu, the
// start (QLibraryLoader), new recordings' rows (QRecordingRows), deleting
// (QLibraryDeletion), playlist membership (QPlaylistMembership), playing
// (QLibraryPlayback), editing and converting (QLibraryEditing) and
// renaming (QLibraryRenaming).

#include "library/qlibraryrows.h"
#include "library/qrowcontrols.h"
#include "widgetkit/qjxwidget.h"

#include <memory>

class QAudioFileDelegate;
class QAudioFileModel;
class QAudioFileSortModel;
class QAudioFileTableView;
class QAudioListHeader;
class QJXLineEdit;
class QJXScrollBar;
class QLabel;
class QLibraryDeletion;
class QLibraryEditing;
class QLibraryLoader;
class QLibraryPlayback;
class QLibraryRenaming;
class QLibraryTableController;
class QLibraryTableMenu;
class QPlaylistMembership;
class QRecordingRows;

class QFileListWgt : public QJXWidget
{
    Q_OBJECT
public:
    explicit QFileListWgt(QWidget *parent = nullptr);
    ~QFileListWgt() override;

    // The rows and the current references, for the parts' owners and tests.
    const QLibraryRows &rows() const { return m_rows; }
    const QRowControls &rowControls() const { return m_controls; }

    // The parts.
    QLibraryTableController *controller() const { return m_controller; }
    QLibraryTableMenu *tableMenu() const { return m_menu; }
    QLibraryLoader *loader() const { return m_loader; }
    QRecordingRows *recordings() const { return m_recordings; }
    QLibraryDeletion *deletion() const { return m_deletion; }
    QPlaylistMembership *membership() const { return m_membership; }
    QLibraryPlayback *playback() const { return m_playback; }
    QLibraryEditing *editing() const { return m_editing; }
    QLibraryRenaming *renaming() const { return m_renaming; }

    // The widgets and models.
    QAudioFileTableView *tableView() const { return m_tbViewFile; }
    QAudioFileSortModel *sortModel() const { return m_pSortModel; }
    QAudioFileDelegate *delegate() const { return m_pDelegate; }
    QLabel *infoLabel() const { return m_lblListInfo; }
    QJXLineEdit *searchEdit() const { return m_leSearch; }

protected:
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resetControlLocation() override;

private:
    void InitCtrl();
    void InitView();
    void InitHeader();
    // The parts' signals to one another.
    void connectParts();
    void ResetColumesWidth();

    QAudioFileTableView *m_tbViewFile = nullptr;
    QLabel *m_lblListInfo = nullptr;
    QJXLineEdit *m_leSearch = nullptr;
    QAudioListHeader *m_pHeader = nullptr;
    QJXScrollBar *m_pHScrollBar = nullptr;
    QJXScrollBar *m_pVScrollBar = nullptr;
    // Declared before the models and parts, so that it goes after them.
    QLibraryRows m_rows;
    QRowControls m_controls;
    std::unique_ptr<QAudioFileModel> m_pAudioModel;
    QAudioFileSortModel *m_pSortModel = nullptr;
    QAudioFileDelegate *m_pDelegate = nullptr;
    QLibraryTableController *m_controller = nullptr;
    QLibraryTableMenu *m_menu = nullptr;
    QLibraryLoader *m_loader = nullptr;
    QRecordingRows *m_recordings = nullptr;
    QLibraryDeletion *m_deletion = nullptr;
    QPlaylistMembership *m_membership = nullptr;
    QLibraryPlayback *m_playback = nullptr;
    QLibraryEditing *m_editing = nullptr;
    QLibraryRenaming *m_renaming = nullptr;
};
