#pragma once
// The project-wide presets filled once at start-up: names, shadow margins,
// dialog bands, font, and the hook that styles every message box.

class QWidget;
struct QJXMessageBoxOption;

class QInitProject
{
public:
    // Fills the project settings; the owner's current font becomes the
    // project font. Installs the message-box hook.
    static void InitProject(QWidget *owner);
    // Installs the message-box hook only.
    static void InitMessageBox();
    static void releseProject();

private:
    QInitProject() = default;
};

// Styles a new message box: button texts, colours, fonts and bands. A null
// option is left alone.
void MessageBoxOptionCallback(QJXMessageBoxOption *option);
