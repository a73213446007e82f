#pragma once
// Process services of the application: clock, sleeping, 32-bit texts.
// The application shell adds its desktop services to this class.

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

private:
    JxCommonInterface() = default;
};
