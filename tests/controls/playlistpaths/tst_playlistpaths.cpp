// The bar's packed list of paths against the list of strings it stands in
// for: each change made to both, every path and every look-up compared.
#include "controls/qplaylistpaths.h"

#include <QtTest>

namespace {

// Paths of one, two, three and four UTF-8 bytes a character, one a prefix
// of another, and an empty one.
const QString kA = QStringLiteral("/music/a.wav");
const QString kLonger = QStringLiteral("/music/a.wav.wav");
const QString kAccented = QString::fromUtf8("/m\xC3\xBAsica/\xE2\x82\xAC \xF0\x9F\x8E\xB5.wav");
const QString kBackslash = QStringLiteral("/music/b\\c.wav");

QString pathNamed(const QString &name)
{
    if (name == QLatin1String("a"))
        return kA;
    if (name == QLatin1String("longer"))
        return kLonger;
    if (name == QLatin1String("accented"))
        return kAccented;
    if (name == QLatin1String("backslash"))
        return kBackslash;
    if (name == QLatin1String("empty"))
        return QString();
    return QStringLiteral("/music/") + name;
}

} // namespace

class TestPlayListPaths : public QObject
{
    Q_OBJECT
private slots:
    void changesAsAStringListMakesThem_data()
    {
        // Steps: "set x y" (a new list), "add x", "addList x y", "replace i x",
        // "remove x", "removeAll x y" (in one go), "clear"; names stand for
        // paths (see pathNamed).
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("made and added to")
            << QStringList{"set a accented", "add backslash", "add empty", "add a"};
        QTest::newRow("a prefix is another path")
            << QStringList{"set longer a", "remove a", "add a", "replace 0 accented"};
        QTest::newRow("removed everywhere") << QStringList{"set a x a y a", "remove a", "remove none"};
        QTest::newRow("several removed in one go")
            << QStringList{"set a longer x accented a y empty", "removeAll a accented none empty", "add a",
                           "removeAll longer", "removeAll x y a"};
        // Files of one name in two folders: paths alike in length and ending.
        QTest::newRow("one of two alike removed")
            << QStringList{"set one/song.wav two/song.wav one/song.wav", "removeAll one/song.wav",
                           "add one/song.wav", "removeAll x two/song.wav"};
        QTest::newRow("the last removed") << QStringList{"set x y", "remove y", "add z"};
        QTest::newRow("replaced first, middle and last")
            << QStringList{"set x y z", "replace 0 accented", "replace 1 empty", "replace 2 longer"};
        QTest::newRow("lists joined") << QStringList{"addList a b", "addList accented a", "remove b"};
        QTest::newRow("cleared and made again") << QStringList{"set x y", "clear", "add accented", "add x"};
        QTest::newRow("copies are apart")
            << QStringList{"set x y", "copy", "remove x", "restore", "replace 1 z"};
    }

    void changesAsAStringListMakesThem()
    {
        QFETCH(QStringList, steps);
        QPlayListPaths packed;
        QStringList model;
        QPlayListPaths copied;
        QStringList copiedModel;
        for (const QString &step : steps) {
            QStringList words = step.split(QLatin1Char(' '));
            const QString verb = words.takeFirst();
            QStringList paths;
            for (const QString &w : words)
                paths << pathNamed(w);
            if (verb == QLatin1String("set")) {
                packed = QPlayListPaths(paths);
                model = paths;
            } else if (verb == QLatin1String("add")) {
                packed.append(paths.first());
                model.append(paths.first());
            } else if (verb == QLatin1String("addList")) {
                packed.append(QPlayListPaths(paths));
                model.append(paths);
            } else if (verb == QLatin1String("replace")) {
                const int at = words.first().toInt();
                packed.replace(at, paths.last());
                model[at] = paths.last();
            } else if (verb == QLatin1String("remove")) {
                packed.removeAll(paths.first());
                model.removeAll(paths.first());
            } else if (verb == QLatin1String("removeAll")) {
                packed.removeAll(paths);
                for (const QString &path : paths)
                    model.removeAll(path);
            } else if (verb == QLatin1String("clear")) {
                packed.clear();
                model.clear();
            } else if (verb == QLatin1String("copy")) {
                copied = packed;
                copiedModel = model;
            } else if (verb == QLatin1String("restore")) {
                QCOMPARE(copied.toStringList(), copiedModel);
                packed = copied;
                model = copiedModel;
            }
            QCOMPARE(packed.toStringList(), model);
            QCOMPARE(packed.size(), model.size());
            QCOMPARE(packed.isEmpty(), model.isEmpty());
            for (int i = 0; i < model.size(); ++i)
                QCOMPARE(packed.at(i), model.at(i));
            for (const char *name : {"a", "longer", "accented", "backslash", "empty", "x", "y", "z", "none"}) {
                const QString path = pathNamed(QLatin1String(name));
                QCOMPARE(packed.indexOf(path), model.indexOf(path));
                QCOMPARE(packed.contains(path), model.contains(path));
            }
        }
    }

    void rowsTextIsTakenAsItIs()
    {
        // The library hands its rows' UTF-8 as it is kept.
        QPlayListPaths packed;
        const QByteArray utf8 = kAccented.toUtf8();
        packed.append(std::string_view(utf8.constData(), size_t(utf8.size())));
        packed.append(std::string_view("/music/x.wav"));
        QCOMPARE(packed.toStringList(), QStringList({kAccented, QStringLiteral("/music/x.wav")}));
        QCOMPARE(packed.indexOf(kAccented), 0);
    }
};

QTEST_GUILESS_MAIN(TestPlayListPaths)
#include "tst_playlistpaths.moc"
