#include "qjxstyleprogress.h"

QJXStyleProgress::QJXStyleProgress(QWidget *parent)
    : QProgressBar(parent)
{
    hide();
}
