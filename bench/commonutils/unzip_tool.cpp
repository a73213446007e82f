// Our side of the zip benchmark as a command of its own, so that it is timed
// as a whole process like the 7z program it is set against:
//   bench_unzip [-p PASSWORD] ARCHIVE DESTINATION   extracts the archive
//   bench_unzip [-p PASSWORD] -t ARCHIVE            checks the password by
//                                                   reading every entry
// Exits with 0 on success, 1 when the archive fails, 2 on bad arguments.

#include "commonutils/ssziparchive.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString password;
    bool check = false;
    while (!args.isEmpty() && args.first().startsWith('-')) {
        const QString option = args.takeFirst();
        if (option == QLatin1String("-t")) {
            check = true;
        } else if (option == QLatin1String("-p") && !args.isEmpty()) {
            password = args.takeFirst();
        } else {
            args.clear();
            break;
        }
    }
    if (args.size() != (check ? 1 : 2)) {
        std::fputs(
            "usage: bench_unzip [-p PASSWORD] ARCHIVE DESTINATION | bench_unzip [-p PASSWORD] -t ARCHIVE\n",
            stderr);
        return 2;
    }
    SSZipError error;
    if (check) {
        if (SSZipArchive::isPasswordValidForArchiveAtPath(args[0], password, &error))
            return 0;
    } else {
        SSZipArchive::UnzipOptions options;
        options.password = password;
        if (SSZipArchive::unzipFileAtPath(args[0], args[1], options, &error))
            return 0;
    }
    std::fprintf(stderr, "bench_unzip: %s\n", qPrintable(error.text));
    return 1;
}
