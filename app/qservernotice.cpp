#include "app/qservernotice.h"

#include "widgetkit/qinitctrlstyle.h"

QServerNotice::QServerNotice(QWidget *parent)
    : QLabel(parent)
{
    setText(tr("The sound server cannot be reached: recording is unavailable until it is back."));
    setAccessibleName(text());
    setWordWrap(true);
    setAlignment(Qt::AlignCenter);
    setMargin(8);
    // Opaque over the band it covers.
    setAutoFillBackground(true);
    QInitCtrlStyle::InitFont(this, 13);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(50, 50, 50));
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setBrush(group, QPalette::WindowText, QColor(255, 132, 65));
    setPalette(pal);
    hide();
}
