#pragma once
// New names and tags for recordings: the name typed in the file-name cell
// (the file is moved, never over another, and its record follows) and the
// tags edited in the edit dialog (the record and the rows follow).

#include "media/veaudiotaginfo.h"

#include <QModelIndex>
#include <QObject>

class QLibraryRows;

class QLibraryRenaming : public QObject
{
    Q_OBJECT
public:
    explicit QLibraryRenaming(QLibraryRows &rows, QObject *parent = nullptr);

signals:
    void emitCloseFileIfIsPlaying(QString path);
    void emitRenameAudioFile(QString oldPath, QString newPath);
    void emitContinuePlayAfterEdit(bool bPlay);

public slots:
    // True when the file got the title as its name (or a free "title(n)").
    bool OnRenameFile(const QModelIndex &index, QString title);
    // The tags of the row in the edit dialog.
    void OnAudioTagChange(VEAudioTagInfo tagInfo, QString imagePath);

private:
    QLibraryRows &m_rows;
};
