#pragma once
// Process services of the application: clock, sleeping, 32-bit texts.
// The application shell adds its desktop services to this class: those are
// defined in the application library (app/), which talks to D-Bus.

#include <QString>
#include <QtGlobal>

#include <optional>
#include <string>

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
    static QString getAppInfoFile();
    static bool isNeedInitInfoFile();
    static QString getAppVersion();
    static QString getFullVersion();
    static void InitInfoToFile(const char *path);

    // The folder ends in "/". Creates a probe file with a new name, then
    // removes it; an existing file is never opened or removed.
    static bool isWritableDir(const QString &folder);

    // No update service is configured on this system: the switch is kept and
    // a check tells the user so.
    static void checkForUpdate();
    static void setAutoCheckUpdate(bool on);
    static bool autoCheckUpdate();

private:
    JxCommonInterface() = default;
};
