// Draws the program's pictures from the art manifests:
//   velmora-artgen --out <resource folder> <file.manifest>...
// Exits non-zero, naming the manifest line, on the first error.

#include "artmanifest.h"
#include "artpainter.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSaveFile>
#include <cstdio>

static int fail(const QString &message)
{
    std::fprintf(stderr, "velmora-artgen: %s\n", qPrintable(message));
    return 1;
}

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const int outAt = args.indexOf(QStringLiteral("--out"));
    if (outAt < 0 || outAt + 1 >= args.size())
        return fail(QStringLiteral("usage: velmora-artgen --out <folder> <file.manifest>..."));
    const QString outDir = args.at(outAt + 1);
    args.erase(args.begin() + outAt, args.begin() + outAt + 2);

    ArtManifest manifest;
    QString error;
    if (!manifest.load(args, &error))
        return fail(error);
    ArtPainter painter(manifest);
    const auto write = [&](const ArtEntry &entry, const QString &path, int scale) {
        const QImage image = painter.render(entry, &error, scale);
        if (image.isNull())
            return false;
        const QString target = outDir + path;
        QDir().mkpath(QFileInfo(target).absolutePath());
        QSaveFile file(target);
        if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit()) {
            error = QStringLiteral("%1: cannot write %2").arg(entry.origin, target);
            return false;
        }
        return true;
    };
    for (const ArtEntry &entry : manifest.entries()) {
        if (!write(entry, entry.path, 2))
            return fail(error);
        const QString single = entry.option(QStringLiteral("single"));
        if (!single.isEmpty() && !write(entry, single, 1))
            return fail(error);
    }
    std::printf("velmora-artgen: %d pictures\n", int(manifest.entries().size()));
    return 0;
}
