#pragma once
// A progress bar drawn inside a cell by a control delegate. Like the in-cell
// buttons it is never shown as a widget of its own.

#include <QProgressBar>

class QJXStyleProgress : public QProgressBar
{
    Q_OBJECT
public:
    explicit QJXStyleProgress(QWidget *parent = nullptr);
};
