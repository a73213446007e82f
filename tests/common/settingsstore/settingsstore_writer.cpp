// Child process of the settings-store tests.
//   settingsstore_writer loop <file>    rewrites a large settings file until killed
//   settingsstore_writer limited <file> saves with a 4 KiB file-size limit;
//                                       exit 0 when the save reported failure
#include "common/qvideosettingxml.h"

#include <QCoreApplication>
#include <QString>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>

namespace {

// A value long enough that one save takes many write calls.
QString bulk(int round)
{
    return QString(4000, QChar('a' + round % 26));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    const QString mode = QString::fromLocal8Bit(argv[1]);
    const QString file = QString::fromLocal8Bit(argv[2]);

    if (mode == QLatin1String("loop")) {
        for (int round = 0;; ++round) {
            if (round == 1) {  // the file is complete once: tell the parent
                std::puts("ready");
                std::fflush(stdout);
            }
            for (int key = 0; key < 40; ++key)
                QVideoSettingXml::SetItemValue(QStringLiteral("LOOP"), QStringLiteral("K%1").arg(key),
                                               bulk(round), file);
            QVideoSettingXml::SetItemValue(QStringLiteral("LOOP"), QStringLiteral("round"),
                                           QString::number(round), file);
        }
    }
    if (mode == QLatin1String("limited")) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit {4096, 4096};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 3;
        const bool saved = QVideoSettingXml::SetItemValue(QStringLiteral("BIG"), QStringLiteral("value"),
                                                          QString(20000, QChar('x')), file);
        return saved ? 1 : 0;
    }
    return 2;
}
