#pragma once
// Painter of the recordings table's rows and the editor of the file-name
// cell through which a recording gets a new name.

#include "library/qnameeditdelegate.h"

class QAudioFileDelegate : public QNameEditDelegate
{
    Q_OBJECT
public:
    explicit QAudioFileDelegate(QObject *parent = nullptr);

    // While a recording runs, the playing row is not highlighted.
    void SetIsRecording(bool recording) { m_bRecording = recording; }
    bool isRecording() const { return m_bRecording; }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    // Reports the typed name; the table renames the file, not the model.
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

signals:
    void emitChangeName(const QModelIndex &index, QString text);

private:
    bool m_bRecording = false;
};
