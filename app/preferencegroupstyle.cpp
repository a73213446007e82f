#include "app/preferencegroupstyle.h"

#include "widgetkit/qinitctrlstyle.h"

#include <QGroupBox>

void PreferenceGroupStyle::apply(const QList<QGroupBox *> &groups)
{
    if (groups.isEmpty())
        return;
    for (QGroupBox *group : groups) {
        QInitCtrlStyle::InitPalette(group, QPalette::WindowText, QInitCtrlStyle::lightText());
        QInitCtrlStyle::InitFont(group, 11);
    }
    QFont font = groups.first()->font();
    font.setWeight(QFont::Normal);
    const QString sheet =
        QStringLiteral("QGroupBox{border:1px solid %1; border-radius:5px;margin-top:2ex;}"
                       "QGroupBox::title {color: %2;subcontrol-origin: margin;subcontrol-position: top left;"
                       "left:%3px;padding:0px;}")
            .arg(QColor(14, 14, 14).name(), QInitCtrlStyle::lightText().name())
            .arg(5);
    for (QGroupBox *group : groups) {
        group->setFont(font);
        group->setStyleSheet(sheet);
    }
}

void PreferenceGroupStyle::placeBelow(QGroupBox *box, const QGroupBox *above)
{
    const QRect a = above->geometry();
    box->setGeometry(QRect(QPoint(a.left(), a.bottom() + 5), QPoint(a.right(), 2 * a.bottom() + 5 - a.top())));
}
