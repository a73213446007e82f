#include "widgetkit/qbaseoptionswgt.h"

QBaseOptionsWgt::QBaseOptionsWgt(QWidget *parent)
    : QJXWidget(parent, DlgPane)
{
    Init();
}

void QBaseOptionsWgt::Init()
{
    setStretchPolicy(StretchNone);
    setBackgrounColor(QColor(44, 44, 44));
    QPalette pal = palette();
    pal.setColor(QPalette::All, QPalette::WindowText, QColor(255, 132, 65));
    setPalette(pal);
    QFont f = font();
    f.setFamily(QStringLiteral("Tahoma"));
    f.setPixelSize(12);
    setFont(f);
    setTitleRect(QRect(12, 5, 0, 0));
}
