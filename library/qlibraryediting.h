#pragma once
// Editing and converting from the recordings table: the edit dialog, run
// modally on one row (stepping to the previous or next row inside it), the
// conversions it asks for with their progress dialog, and what they produce
// folded back into the library: a cut's segment back to the dialog, an
// edit's file as a new row and record.

#include "media/veaudiotaginfo.h"
#include "media/veeditconfig.h"

#include <QModelIndex>
#include <QObject>
#include <QPointer>
#include <QStringList>

class ConvertConfig;
class JXConverterObject;
class QAudioFileChunk;
class QAudioFileSortModel;
class QAudioFileTableView;
class QConvertProgressDlg;
class QLibraryRows;
class QRowControls;
class QVideoEditingDlg;
class QWidget;

class QLibraryEditing : public QObject
{
    Q_OBJECT
public:
    // The dialogs are shown over the owner.
    QLibraryEditing(QLibraryRows &rows, const QRowControls &controls, QAudioFileTableView *view,
                    QAudioFileSortModel *sortModel, QWidget *owner, QObject *parent = nullptr);

    QVideoEditingDlg *editDialog() const { return m_pEditDlg; }
    QConvertProgressDlg *convertProgressDialog() const { return m_pConvertProgressDlg; }

signals:
    void emitPlayOrPause(bool bPlay);
    void emitContinuePlayAfterEdit(bool bPlay);
    // A cut's file, for the dialog's segment list.
    void emitConvertFilePath(QString filePath);
    // The dialog's tags for the edited row, and the segments it kept.
    void emitAudioTagChange(VEAudioTagInfo tagInfo, QString imagePath);
    void filesKept(QStringList paths);

public slots:
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

private:
    bool isEditable(QAudioFileChunk *row) const;
    // Moves the edit dialog to the next editable row in the direction.
    void stepEditingRow(int direction);
    void GetConvertParamConfig(ConvertConfig &config, QAudioFileChunk *row) const;
    // An edit job's output becomes a row and a History.xml record.
    void addEditedRecording(const ConvertConfig &config);

    QLibraryRows &m_rows;
    const QRowControls &m_controls;
    QPointer<QAudioFileTableView> m_view;
    QPointer<QAudioFileSortModel> m_sortModel;
    QPointer<QWidget> m_owner;
    QStringList m_listConvertFiles;
    QVideoEditingDlg *m_pEditDlg = nullptr;
    JXConverterObject *m_pConverter = nullptr;
    QConvertProgressDlg *m_pConvertProgressDlg = nullptr;
};
