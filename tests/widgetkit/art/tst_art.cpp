// The built resource folder against the manifests and the code that names pictures.

#include "artmanifest.h"
#include "artpainter.h"

#include <QDirIterator>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString resourceDir() { return qEnvironmentVariable("VELMORA_RESOURCES"); }
QString sourceDir() { return qEnvironmentVariable("VELMORA_SOURCE_DIR"); }

QStringList manifestFiles()
{
    QStringList files;
    QDirIterator it(sourceDir() + QStringLiteral("/resources/art"),
                    {QStringLiteral("*.manifest")}, QDir::Files);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

// Every picture path written in the sources under root (tests and build
// folders aside), with the first file naming it.
QMap<QString, QString> picturePathsInSources(const QString &root)
{
    static const QRegularExpression pathRe(
        QStringLiteral("(?<![\\w/])(/(?:image|pic|VEditSource)/[A-Za-z0-9_\\-./]+\\.png)"));
    QMap<QString, QString> found;
    QDirIterator it(root, {QStringLiteral("*.cpp"), QStringLiteral("*.h"), QStringLiteral("*.ui")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString rel = QDir(root).relativeFilePath(file);
        if (rel.startsWith(QLatin1String("tests/")) || rel.startsWith(QLatin1String("build"))
            || rel.startsWith(QLatin1Char('.')))
            continue;
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(f.readAll());
        auto matches = pathRe.globalMatch(text);
        while (matches.hasNext()) {
            const QString path = matches.next().captured(1);
            if (!found.contains(path))
                found.insert(path, rel);
        }
    }
    return found;
}

QStringList missingPictures(const QString &root, const QString &resources)
{
    QStringList missing;
    const auto paths = picturePathsInSources(root);
    for (auto it = paths.cbegin(); it != paths.cend(); ++it)
        if (!QFile::exists(resources + it.key()))
            missing << it.key() + QStringLiteral(" (named in ") + it.value() + QLatin1Char(')');
    return missing;
}

} // namespace

class TestArt : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyManifestPictureIsBuilt();
    void stripFramesDiffer();
    void everyPictureNamedInCodeExists();
    void scannerReportsMissingPicture();
    void manifestErrorsNameTheLine();
    void lcdFontIsInstalled();
};

void TestArt::initTestCase()
{
    QVERIFY(!resourceDir().isEmpty());
    QVERIFY(QDir(resourceDir()).exists());
    QVERIFY(!manifestFiles().isEmpty());
}

void TestArt::everyManifestPictureIsBuilt()
{
    ArtManifest manifest;
    QString error;
    QVERIFY2(manifest.load(manifestFiles(), &error), qPrintable(error));
    QVERIFY(!manifest.entries().isEmpty());
    for (const ArtEntry &entry : manifest.entries()) {
        QImage image(resourceDir() + entry.path);
        QVERIFY2(!image.isNull(), qPrintable(entry.path));
        QCOMPARE(image.size(), entry.pixelSize());
        // A picture that is entirely transparent is a drawing mistake.
        bool anyPixel = false;
        for (int y = 0; y < image.height() && !anyPixel; y += 2)
            for (int x = 0; x < image.width() && !anyPixel; x += 2)
                anyPixel = qAlpha(image.pixel(x, y)) > 0;
        QVERIFY2(anyPixel, qPrintable(entry.path + QStringLiteral(" is empty")));
        const QString singlePath = entry.option(QStringLiteral("single"));
        if (singlePath.isEmpty())
            continue;
        // The single-resolution copy is the same picture at half the pixels.
        const QImage single(resourceDir() + singlePath);
        QVERIFY2(!single.isNull(), qPrintable(singlePath));
        QCOMPARE(single.size(), entry.pixelSize() / 2);
        for (const QPointF at : {QPointF(0.5, 0.5), QPointF(0.5, 0.02), QPointF(0.5, 0.97)}) {
            const QColor big = image.pixelColor(int(at.x() * image.width()), int(at.y() * image.height()));
            const QColor small = single.pixelColor(int(at.x() * single.width()), int(at.y() * single.height()));
            QVERIFY2(qAbs(big.red() - small.red()) < 8 && qAbs(big.green() - small.green()) < 8
                         && qAbs(big.blue() - small.blue()) < 8 && qAbs(big.alpha() - small.alpha()) < 8,
                     qPrintable(singlePath));
        }
    }
}

void TestArt::stripFramesDiffer()
{
    ArtManifest manifest;
    QString error;
    QVERIFY2(manifest.load(manifestFiles(), &error), qPrintable(error));
    int strips = 0;
    for (const ArtEntry &entry : manifest.entries()) {
        if (entry.kind != QLatin1String("strip"))
            continue;
        ++strips;
        const QImage image(resourceDir() + entry.path);
        const int fw = image.width() / 4;
        QImage frames[4];
        for (int k = 0; k < 4; ++k)
            frames[k] = image.copy(k * fw, 0, fw, image.height());
        // Every state must look different from every other, or the user cannot see it.
        for (int a = 0; a < 4; ++a)
            for (int b = a + 1; b < 4; ++b)
                QVERIFY2(frames[a] != frames[b],
                         qPrintable(QStringLiteral("%1: frames %2 and %3 are equal")
                                        .arg(entry.path).arg(a).arg(b)));
    }
    QVERIFY(strips > 0);
}

void TestArt::everyPictureNamedInCodeExists()
{
    const QStringList missing = missingPictures(sourceDir(), resourceDir());
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1String("\n"))));
}

void TestArt::scannerReportsMissingPicture()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QDir(root.path()).mkpath(QStringLiteral("pane"));
    QFile code(root.path() + QStringLiteral("/pane/pane.cpp"));
    QVERIFY(code.open(QIODevice::WriteOnly));
    code.write("setButtonImage(getResourcePath() + \"/image/btn_close.png\", true);\n"
               "setButtonImage(getResourcePath() + \"/image/nowhere/btn_ghost.png\", true);\n");
    code.close();
    QFile form(root.path() + QStringLiteral("/pane/pane.ui"));
    QVERIFY(form.open(QIODevice::WriteOnly));
    form.write("<property><string>/pic/not_drawn.png</string></property>\n");
    form.close();

    const QStringList missing = missingPictures(root.path(), resourceDir());
    QCOMPARE(missing.size(), 2);
    QVERIFY(missing.at(0).startsWith(QLatin1String("/image/nowhere/btn_ghost.png (named in pane/pane.cpp)")));
    QVERIFY(missing.at(1).startsWith(QLatin1String("/pic/not_drawn.png")));
}

void TestArt::manifestErrorsNameTheLine()
{
    QString error;
    {
        ArtManifest m;
        QVERIFY(m.parseText(QStringLiteral("/image/a.png strip 10x10\n"), QStringLiteral("one.manifest"), &error));
        QVERIFY(!m.parseText(QStringLiteral("\n# note\n/image/a.png icon 4x4\n"),
                             QStringLiteral("two.manifest"), &error));
        QVERIFY2(error.startsWith(QLatin1String("two.manifest:3:")), qPrintable(error));
        QVERIFY(error.contains(QLatin1String("one.manifest:1")));
    }
    {
        ArtManifest m;
        QVERIFY(m.parseText(QStringLiteral("/image/a.png strip 10x10 glyph=nothing\n"),
                            QStringLiteral("g.manifest"), &error));
        QVERIFY(!m.checkReferences(&error));
        QVERIFY(error.contains(QLatin1String("nothing")));
    }
    {
        ArtManifest m;
        QVERIFY(!m.parseText(QStringLiteral("/image/a.png strip 10by10\n"), QStringLiteral("s"), &error));
        QVERIFY(!m.parseText(QStringLiteral("/image/../a.png strip 10x10\n"), QStringLiteral("s"), &error));
        // A single-resolution copy is a picture path of its own, never one drawn already.
        QVERIFY(!m.parseText(QStringLiteral("/image/c.png fill 4x4 single=/image/c\n"), QStringLiteral("s"),
                             &error));
        QVERIFY(!m.parseText(QStringLiteral("/image/d.png fill 4x4 single=/image/d.png\n"),
                             QStringLiteral("s"), &error));
        QVERIFY2(error.contains(QLatin1String("already drawn")), qPrintable(error));
        QVERIFY(m.parseText(QStringLiteral("/image/e.png fill 4x4 single=/image/e1.png\n"),
                            QStringLiteral("s"), &error));
        QVERIFY(!m.parseText(QStringLiteral("/image/e1.png fill 4x4\n"), QStringLiteral("s"), &error));
        QVERIFY(!m.parseText(QStringLiteral("glyph x fill M 1 2 L 3\n"), QStringLiteral("s"), &error));
        QVERIFY(error.contains(QLatin1String("needs 2 numbers")));
    }
    {
        // A bad colour stops the picture, not the program.
        ArtManifest m;
        QVERIFY(m.parseText(QStringLiteral("/image/a.png fill 4x4 color=orange\n"), QStringLiteral("c"), &error));
        ArtPainter painter(m);
        QVERIFY(painter.render(m.entries().first(), &error).isNull());
        QVERIFY(error.contains(QLatin1String("color=orange")));
    }
    {
        // A manifest strip is drawn at double size with four frames.
        ArtManifest m;
        QVERIFY(m.parseText(QStringLiteral("glyph dot fill O 12 12 6\n"
                                           "/image/b.png strip 10x8 palette=accent glyph=dot\n"),
                            QStringLiteral("d"), &error));
        ArtPainter painter(m);
        const QImage image = painter.render(m.entries().first(), &error);
        QCOMPARE(image.size(), QSize(80, 16));
        QCOMPARE(painter.render(m.entries().first(), &error, 1).size(), QSize(40, 8));
        // Normal frame of the accent palette is the accent colour around the glyph.
        const QColor corner = image.pixelColor(10, 2);
        QVERIFY(corner.red() > 200 && corner.green() > 100 && corner.blue() < 120);
    }
}

void TestArt::lcdFontIsInstalled()
{
    const QString font = resourceDir() + QStringLiteral("/Font/LCDFont.ttf");
    QVERIFY(QFile::exists(font));
    const int id = QFontDatabase::addApplicationFont(font);
    QVERIFY(id >= 0);
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    QVERIFY(!families.isEmpty());
    QVERIFY2(families.first().startsWith(QLatin1String("DSEG7")), qPrintable(families.first()));
}

QTEST_MAIN(TestArt)
#include "tst_art.moc"
