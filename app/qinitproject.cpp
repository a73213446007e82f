#include "app/qinitproject.h"

#include "widgetkit/qjxmessagebox.h"
#include "widgetkit/qkitfonts.h"
#include "widgetkit/qprojectconfig.h"

#include <QObject>
#include <QWidget>

namespace {

QFont tahoma12()
{
    QKitFonts::ensureSubstitutions();
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(12);
    return font;
}

} // namespace

void QInitProject::InitProject(QWidget *owner)
{
    QProjectConfig *config = QProjectConfig::getProjectConfig();
    config->setCompanyName(QStringLiteral("Velmora"));
    config->setProjectName(QStringLiteral("Velmora Audio Recorder"));
    config->setProjectShortName(QStringLiteral("Audio Recorder"));
    config->setProjectVersionName(QString());
    config->setTransparentMargins(8);
    config->setDlgTopAndBottom(22, 50);
    if (owner)
        config->setFont(owner->font());
    InitMessageBox();
}

void QInitProject::InitMessageBox()
{
    QJXMessageBox::setOptionCallback(MessageBoxOptionCallback);
}

void QInitProject::releseProject()
{
    QProjectConfig::releaseProjectConfig();
}

void MessageBoxOptionCallback(QJXMessageBoxOption *option)
{
    if (!option)
        return;
    option->okText = QObject::tr("OK");
    option->cancelText = QObject::tr("Cancel");
    option->yesText = QObject::tr("YES");
    option->noText = QObject::tr("NO");
    const QColor accent(255, 132, 65, 255);
    option->buttonTextNormal = accent;
    option->buttonTextHover = accent;
    option->buttonTextPressed = accent;
    option->buttonTextDisabled = QColor(119, 115, 115, 255);
    const QBrush text(QColor(250, 237, 237));
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        option->palette.setBrush(group, QPalette::WindowText, text);
        option->palette.setBrush(group, QPalette::Text, text);
    }
    option->titleFont = tahoma12();
    option->messageFont = tahoma12();
    option->dialogTop = 22;
    option->dialogBottom = 50;
    option->iconOffset = -7;
}
