#pragma once
// The program's log file. Installed as the process's message handler, it
// writes every information line, warning and failure of any logging category
// to the file with its time and category, and still hands each line to the
// handler before it (standard error). The file is kept small: once it would
// pass its size limit it becomes "<name>.1", replacing the copy before, and a
// new file starts; a copy kept larger than the limit (a file that had grown
// past it before) keeps only its newest lines within it. Any thread may log;
// a line is appended whole and handed to the system at once, never synced to
// the disk. Only a regular file is written: a FIFO or a symbolic link at the
// path is replaced by a new file, with a warning on standard error; a file
// that cannot be written is said once there. Running copies of the program
// share the file: each appends its lines (O_APPEND) without waiting for the
// others, rotates it under a lock they share, taken only for a moment (one
// that holds it, stopped in a debugger, leaves the file to grow past the
// limit until it lets go), and goes on in the new file when another rotated
// it away.

#include <QString>
#include <QtGlobal>

class QLogFile
{
public:
    static constexpr qint64 kDefaultLimit = 1024 * 1024;

    // Starts writing to path (its folder is created when missing); a log file
    // installed before is closed first.
    static void install(const QString &path, qint64 limit = kDefaultLimit);
    // Gives the handler before back and closes the file.
    static void uninstall();
    // The file written to, "" when none is installed.
    static QString path();
    // The copy a rotation keeps: "log.txt.1" for "log.txt".
    static QString previousPath(const QString &path);
};
