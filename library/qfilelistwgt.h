#pragma once
// The recordings table: every recording of the library, shown for the entry
// chosen in the library panel, with an info line and a search field. It
// owns the master list loaded from History.xml, gives a running recording
// its row and completes it, deletes recordings and keeps playlist
// membership, hands play lists to the playback bar, opens the edit dialog
// on a row and adds its conversions, and renames recordings.

#include "common/convertedinfo.h"
#include "library/ilibrarymembership.h"
#include "library/librarymetatypes.h"
#include "library/qlibraryrows.h"
#include "media/jxrecognizeraudiotaginfo.h"
#include "media/veaudiotaginfo.h"
#include "media/veeditconfig.h"
#include "widgetkit/qjxwidget.h"

#include <QHash>
#include <QList>
#include <QModelIndex>
#include <QPoint>
#include <QSet>
#include <QStringList>

#include <string>
#include <memory>
#include <vector>

class ConvertConfig;
class JXConverterObject;
class QAction;
class QAudioFileChunk;
class QAudioFileDelegate;
class QAudioFileModel;
class QAudioFileSortModel;
class QAudioFileTableView;
class QAudioListHeader;
class QConvertProgressDlg;
class QDelegateControl;
class QHistoryLoadJob;
class QJXLineEdit;
class QJXMenu;
class QJXScrollBar;
class QJXStyleButton;
class QLabel;
class QLibraryChunk;
class QVideoEditingDlg;

class QFileListWgt : public QJXWidget, public ILibraryMembership
{
    Q_OBJECT
public:
    explicit QFileListWgt(QWidget *parent = nullptr);
    ~QFileListWgt() override;

    // ---- New recordings ----
    // A row for a new file: the running recording (true) or a finished file.
    void AddAudioFile(QString path, bool bRecording);
    // Completes the running recording's row from its record (its file
    // tagged and named already), or deletes the recording when it is not
    // kept or a deletion rule takes it. `bytes` is the file's size when
    // already measured.
    void SupplyRecordingChunkInfo(convertedInfo info, bool bKeep, qint64 bytes = -1);
    // Tells the user that the kept recording at path lacks the tags its
    // row was shown with (nothing when no row shows that file).
    void OnRecordingTagsNotWritten(const QString &path);
    QString GetRecordingName() const;
    void SetCtrlState(bool) {}

    // ---- Texts of the info line ----
    static qint64 ChangeSizeToNumber(const QString &text);
    static qint64 ChangeTimeToSeconds(const QString &text);
    static QString GetSizeStr(qint64 bytes);
    static QString GetTimeStr(qint64 seconds);

    // The drag check of the library panel: rows of the master or shown list.
    bool holdsRow(quint64 id) const override;

    // Read access for the main window and tests.
    QAudioFileTableView *tableView() const { return m_tbViewFile; }
    QAudioFileSortModel *sortModel() const { return m_pSortModel; }
    QLabel *infoLabel() const { return m_lblListInfo; }
    QJXLineEdit *searchEdit() const { return m_leSearch; }
    QJXMenu *tableMenu() const { return m_pTableMenu; }
    const std::vector<IBaseChunk *> &allRows() const { return m_rows.all(); }
    const std::vector<IBaseChunk *> &shownRows() const { return m_rows.shown(); }
    QAudioFileChunk *recordingRow() const { return m_rows.recordingRow(); }
    QAudioFileChunk *playingRow() const { return m_rows.playingRow(); }
    QAudioFileDelegate *delegate() const { return m_pDelegate; }
    QJXStyleButton *deleteButton() const { return m_pBtnDelete; }
    QJXStyleButton *editButton() const { return m_pBtnEdit; }
    // The history is read on a worker at start; its rows join at once when read.
    bool historyLoaded() const { return m_historyLoaded; }
    IBaseChunk *editingRow() const { return m_rows.editingRow(); }
    QLibraryChunk *shownEntry() const { return m_rows.currentEntry(); }
    QLibraryChunk *playingEntry() const { return m_rows.playingEntry(); }
    QVideoEditingDlg *editDialog() const { return m_pEditDlg; }
    QConvertProgressDlg *convertProgressDialog() const { return m_pConvertProgressDlg; }
    // Prepares the context menu for a request at pt (view coordinates); null
    // when none is shown there.
    QJXMenu *prepareTableMenu(const QPoint &pt);

signals:
    // The entry the bar plays from; 0 for none.
    void emitPlayingList(quint64 entryId);
    void emitPlayFilePathList(QStringList playList);
    void emitPlayingFilePath(QString path);
    void emitPlayOrPause(bool bPlay);
    void emitCloseFileIfIsPlaying(QString path);
    void emitRenameAudioFile(QString oldPath, QString newPath);
    void emitRemovePlayFiles(QStringList pathList);
    void emitRemoveAllPlayFiles();
    void emitContinuePlayAfterEdit(bool bPlay);
    void emitAppendPlayFiles(QStringList pathList);
    void emitPlayOrRecord(bool bPlay);
    void emitConvertFilePath(QString filePath);
    // Recordings a crash interrupted, repaired after start, joined the table.
    void emitRecoveredRecordings(QStringList paths);
    // The history's rows joined the table (also when it could not be read).
    void emitHistoryLoaded();

public slots:
    void OnChangeList(quint64 entryId);
    void OnSetPlayingLibChunk(quint64 entryId);
    void OnRemoveCurPlayList();
    void OnRemoveAllPlayLists();
    void OnPlayListsModified();
    void OnDeleteFilesOfCurList();
    void OnDeleteAllFiles();
    // Rows that are gone by now are passed over.
    void OnAddToList(QString playlistName, QList<quint64> rowIds);
    void OnChangeLibraryListName(QString oldName, QString newName);
    void OnSetPlayOrPauseState(bool bPlay);
    void OnChangPlayingFile(QString playingFilePath);
    void OnFinishPlayList();
    void OnSetRecordingTagInfo(JXRecognizerAudioTagInfo tagInfo);
    void OnSetRecordingIsSilent(bool bSilence);

    // Slots of the table's own controls, public for the main window's keys.
    void OnPlayItem(const QModelIndex &index);
    void OnPauseItem(const QModelIndex &index);
    void OnDeleteItem(const QModelIndex &index);
    void OnActDeleteFile();
    void OnActDeleteAllFiles();

    // ---- Editing and converting ----
    // Runs the edit dialog modally on the row, then adds what it produced.
    void OnEditItem(const QModelIndex &index);
    void OnPreviousItem();
    void OnNextItem();
    void OnSaveConvertFileList(QStringList pathList);
    // A cut segment (trim range set) or an edit of the whole file.
    void OnConvertFile(VEEditConfig editConfig, bool bLossLess);
    void OnConvertedStart();
    void OnConvertProgress(uint percent);
    void OnConvertedFinish(bool seccess);
    void OnCancelConvert();

    // ---- Renaming and edited tags ----
    // True when the file got the title as its name (or a free "title(n)").
    bool OnRenameFile(const QModelIndex &index, QString title);
    void OnAudioTagChange(VEAudioTagInfo tagInfo, QString imagePath);

private slots:
    void OnSearchTextChange(QString str);
    void OnClickItem(const QModelIndex &index);
    void OnHoverItem(const QModelIndex &index);
    void OnShowTableMenu(const QPoint &pt);
    void OnActPlayPause();
    void OnActRename();
    void OnActAddToList();
    void OnActOpenDir();

protected:
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resetControlLocation() override;

private:
    static QAudioFileChunk *asRow(IBaseChunk *item);
    static QString resource(const char *name);

    // ---- Construction and loading ----
    void InitCtrl();
    void InitMenu();
    void ReleaseMenu();
    void InitView();
    void InitData();
    void AnalyXmlToList();
    // Playlist names as rows keep them, made once per set of names: the
    // rows of one set share them.
    using RowListNames = QHash<QStringList, QList<std::string>>;
    // A row for the record; `bytes` is the file's size when already measured.
    QAudioFileChunk *rowOfRecord(const convertedInfo &info, qint64 bytes = -1) const;
    // The same without the in-cell controls, on any thread; `shared` holds
    // the names made for earlier rows (used by one thread at a time).
    // Video records and recordings still being repaired get no row.
    static bool takesRow(const convertedInfo &info, const QSet<QString> &inRepair);
    static QAudioFileChunk *recordRow(const convertedInfo &info, qint64 bytes = -1,
                                      RowListNames *shared = nullptr);
    void OnRecordingsRecovered(const QList<convertedInfo> &records);
    void OnFormatsFilled(const QList<QPair<QString, QString>> &formats);
    void OnHistoryLoaded();
    void makeJoiningRows();
    void joinHistoryRows();
    QAudioFileChunk *newRow() const;
    // A row with its state pictures, on any thread.
    static QAudioFileChunk *bareRow();
    void AddControlToNewChunk(IBaseChunk *chunk) const;
    void ResetColumesWidth();

    // ---- Master list ----
    // The master row of the same file (matched by its full path); null when
    // none.
    QAudioFileChunk *masterOf(const QAudioFileChunk *row) const;
    void SetDeletedChunkInAllDatas(const QAudioFileChunk *row, bool deleted);
    void SetChunkNewAdd(const QAudioFileChunk *row, bool isNew);
    void SetControlAttrOfPlayingChunk(bool bPlay);
    void ReleaseDatas();
    void DisplayListInfo();
    void refreshShownList();
    bool shownEntryIs(const QString &title) const;
    bool showingAllRecordings() const;
    QStringList playablePathsInViewOrder() const;
    static void setButtonHidden(IBaseChunk *row, QJXStyleButton *button, bool hidden);

    // ---- New recordings ----
    bool recordingIsKept(const convertedInfo &info, bool bKeep) const;
    void discardRecording(const QString &finishedPath);
    void keepRecording(const convertedInfo &info, qint64 bytes);

    // ---- Deleting and playlists ----
    int showAskDlg(const QString &text);
    void DisposeFile(const QStringList &paths, int mode);
    void DeleteOneAudio(IBaseChunk *item, bool removeOnly);
    // Clears every pointer to the row before it goes.
    void forgetRow(IBaseChunk *item);
    // The "All Recordings" entry shows the master rows themselves.
    void syncAllEntry();
    // After rows joined the master list: the shown entry and the info line follow.
    void showJoinedRows();
    // The shown rows changed from `before`: rows that only joined at the end
    // are announced as inserted, anything else resets the table.
    void announceShownRows(const std::vector<IBaseChunk *> &before);
    // The row's cells changed (it may sort elsewhere now); nothing when it
    // is not shown.
    void refreshShownRow(IBaseChunk *row);
    QList<QAudioFileChunk *> selectedRows() const;

    // ---- Editing and converting ----
    void GetConvertParamConfig(ConvertConfig &config, IBaseChunk *chunk) const;
    // Moves the edit dialog to the next editable row in the direction.
    void stepEditingRow(int direction);
    bool isEditable(QAudioFileChunk *row) const;
    // An edit job's output becomes a row and a History.xml record.
    void addEditedRecording(const ConvertConfig &config);

    QAudioFileTableView *m_tbViewFile = nullptr;
    QLabel *m_lblListInfo = nullptr;
    QJXLineEdit *m_leSearch = nullptr;
    QAudioFileModel *m_pAudioModel = nullptr;
    // Records whose format is read from their file after the first paint.
    QStringList m_formatsToFill;
    QAudioFileSortModel *m_pSortModel = nullptr;
    QAudioFileDelegate *m_pDelegate = nullptr;
    QJXStyleButton *m_pBtnPlay = nullptr;
    QJXStyleButton *m_pBtnPause = nullptr;
    QDelegateControl *m_pPlayControl = nullptr;
    QJXStyleButton *m_pBtnEdit = nullptr;
    QJXStyleButton *m_pBtnDelete = nullptr;
    QDelegateControl *m_pOperateControl = nullptr;
    QAudioListHeader *m_pHeader = nullptr;
    QJXScrollBar *m_pHScrollBar = nullptr;
    QJXScrollBar *m_pVScrollBar = nullptr;
    bool m_bPlayListsModified = true;
    QJXMenu *m_pTableMenu = nullptr;
    QJXMenu *m_pAddToListMenu = nullptr;
    QList<QAction *> m_listAddToListActions;
    QPoint m_ptMenuPos;
    QAction *m_pActPlay = nullptr;
    QAction *m_pActRename = nullptr;
    QAction *m_pActDelete = nullptr;
    QAction *m_pActOpenDir = nullptr;
    QAction *m_pActDeleteAll = nullptr;
    QLibraryRows m_rows;
    QList<std::string> m_listLoadedLists;
    bool m_bListsChanged = true;
    bool m_bRecordingSilent = true;
    QStringList m_listConvertFiles;
    QVideoEditingDlg *m_pEditDlg = nullptr;
    JXConverterObject *m_pConverter = nullptr;
    QConvertProgressDlg *m_pConvertProgressDlg = nullptr;
    QHistoryLoadJob *m_historyJob = nullptr;
    // The history's rows, made on the worker, while they get their
    // controls, a slice per turn; owned until they join.
    struct Joining
    {
        std::vector<std::unique_ptr<IBaseChunk>> rows; // in the order they join
        size_t next = 0;                // the row given its controls next
        QStringList formatsToFill;
    };
    Joining m_joining;
    bool m_historyLoaded = false;
    // Absolute paths of the recordings being repaired at start.
    QSet<QString> m_inRepair;
};
