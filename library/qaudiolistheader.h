#pragma once
// Header of the recordings table; leaving the file-name cursor behind on it
// would suggest the header can be edited.

#include "widgetkit/views/qcheckheaderview.h"

class QAudioListHeader : public QCheckHeaderView
{
    Q_OBJECT
public:
    explicit QAudioListHeader(Qt::Orientation orientation, QWidget *parent = nullptr);

protected:
    void enterEvent(QEvent *event) override;
};
