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
    for (const ArtEntry &entry : manifest.entries()) {
        const QImage image = painter.render(entry, &error);
        if (image.isNull())
            return fail(error);
        const QString target = outDir + entry.path;
        QDir().mkpath(QFileInfo(target).absolutePath());
        QSaveFile file(target);
        if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit())
            return fail(QStringLiteral("%1: cannot write %2").arg(entry.origin, target));
    }
    std::printf("velmora-artgen: %d pictures\n", int(manifest.entries().size()));
    return 0;
}
