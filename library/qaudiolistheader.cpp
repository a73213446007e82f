#include "library/qaudiolistheader.h"

QAudioListHeader::QAudioListHeader(Qt::Orientation orientation, QWidget *parent)
    : QCheckHeaderView(orientation, parent)
{
}

void QAudioListHeader::enterEvent(QEvent *event)
{
    QCheckHeaderView::enterEvent(event);
    if (parentWidget())
        parentWidget()->setCursor(Qt::ArrowCursor);
}
