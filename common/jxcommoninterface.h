#pragma once
// Process services of the application: clock, sleeping, 32-bit texts.
// The application shell adds its desktop services to this class: those are
// defined in the application library (app/), which talks to D-Bus and X11.

#include <QString>
#include <QtGlobal>

#include <optional>
#include <string>

class QImage;
class QPoint;
class QWidget;

class JxCommonInterface
{
public:
    // Suspends the calling thread for the given microseconds; 0 when it slept
    // the whole time, -1 otherwise (negative argument or interrupted wait).
    static int Sleep(qint64 microseconds);
    // Monotonic clock in microseconds; the wall clock when no monotonic clock
    // can be read, 0 when neither can.
    static quint64 getSystemTime();
    // The NUL-terminated UTF-8 text as 32-bit characters, owned by the caller;
    // nothing when the text is null or not valid UTF-8.
    static std::optional<std::u32string> ConvertCharToUtft32(const char *text);

    // --- Desktop services, defined in app/ ---

    // Selects the file in the file manager. Doubled separators are collapsed;
    // a back-slash is an ordinary character of a file name here.
    static void showFileInFolder(const char *path);
    static QString collapsedPath(const QString &path);
    static QString charToQString(const char *text);
    // Appends a time-stamped line to the log file and the debug output.
    static void NSLogForQString(const QString &text);
    // Wall clock in microseconds since 1970; 0 when it can't be read.
    static quint64 getDateTime();

    // Power-off and suspend through logind; a refusal or a missing service
    // is written to the log.
    static void shutdownComputer();
    static void sleepComputer();

    // "<name> <version>" of the running system from os-release, "Unkown"
    // when it can't be read; the numbers stay unchanged on failure.
    static QString SystemVersionInfo();
    static void SystemVersionInfoValue(unsigned int &major, unsigned int &minor, unsigned int &fix);

    // The bundle information: a small settings file in the application-data
    // folder with the keys below, written once when it lacks a version.
    // InitInfoToFile may run on any thread; false when the file could not be
    // written (the caller says so).
    static QString getAppInfoFile();
    static bool isNeedInitInfoFile();
    static QString getAppVersion();
    static QString getFullVersion();
    static bool InitInfoToFile(const char *path);

    // The folder ends in "/". Creates a probe file with a new name, then
    // removes it; an existing file is never opened or removed.
    static bool isWritableDir(const QString &folder);

    // No update service is configured on this system: the switch is kept and
    // a check tells the user so.
    static void checkForUpdate();
    // The switch is the preferences' automatic-update choice ("Y" or "N").
    static void setAutoCheckUpdate(bool on);
    static bool autoCheckUpdate();

    // --- Pointer, screen and windows, defined in app/ over X11 ---
    // Where no X11 display is (offscreen, Wayland) the pointer services fall
    // back on what Qt knows and the images are null. GUI thread only.

    // The pointer's current image at the top left of a transparent canvas of
    // at least 100 x 100; its hot spot goes to hotSpot.
    static QImage getMacCursor(QPoint &hotSpot);
    // True while the left button is down.
    static bool mouseIsPressed();
    // The pointer in desktop coordinates (the top left of the root window).
    static QPoint getMousePoint();
    // The whole desktop as it is shown now.
    static QImage NSScreenImage();
    // Keeps the widget's window above others, or lets it go, through the
    // window manager; the hint holds when the window is shown again.
    static void setWindowTopHint(QWidget &widget, bool on);
    // Turns the widget's window into an overlay: red background at half
    // opacity, kept above others, shown in front, and every click passes
    // through it to the window below. Nothing for null.
    static void setWindowsIgnoresMouse(QWidget *widget);

    // Doubled separators collapsed, then the loop-back device is made
    // available; true when it exists afterwards.
    static bool installAudioDriverWithPath(const QString &path);

private:
    JxCommonInterface() = default;
};
