#pragma once
// The notice over the recording band while the sound server cannot be
// reached: nothing can be recorded or played until it is back.

#include <QLabel>

class QServerNotice : public QLabel
{
    Q_OBJECT
public:
    explicit QServerNotice(QWidget *parent = nullptr);
};
