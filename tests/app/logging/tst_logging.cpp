// Diagnostics by library: each line carries its library's category, debug
// lines stay silent until switched on, information and warnings show, and a
// library's lines can be switched off alone.
#include "common/jxcommoninterface.h"
#include "common/qvideosettingxml.h"
#include "controls/qschedulewgt.h"

#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Line
{
    QtMsgType type;
    QString category;
    QString text;
};

QVector<Line> s_lines;

void keepLine(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    s_lines.append({type, QString::fromLatin1(context.category), text});
}

// The lines of one category written by what runs inside.
template<typename Action>
QVector<Line> linesOf(const QString &category, Action action)
{
    s_lines.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepLine);
    action();
    qInstallMessageHandler(previous);
    QVector<Line> mine;
    for (const Line &line : qAsConst(s_lines)) {
        if (line.category == category)
            mine.append(line);
    }
    return mine;
}

} // namespace

class LoggingTest : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { QLoggingCategory::setFilterRules(QString()); }

    void debugLinesAreSilentUntilSwitchedOn()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString folder = dir.path() + "/";
        const auto probe = [&] { QVERIFY(JxCommonInterface::isWritableDir(folder)); };
        const auto settings = [] { QVERIFY(!QVideoSettingXml::getCaptrueImaSavePath().isEmpty()); };
        const auto countdown = [] { QScheduleWgt widget; };

        QVERIFY(linesOf("velmora.app", probe).isEmpty());
        QVERIFY(linesOf("velmora.common", settings).isEmpty());
        QVERIFY(linesOf("velmora.controls", countdown).isEmpty());

        QLoggingCategory::setFilterRules("velmora.app.debug=true");
        QVector<Line> lines = linesOf("velmora.app", probe);
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines[0].type, QtDebugMsg);
        QVERIFY2(lines[0].text.contains(folder), qPrintable(lines[0].text));
        // Switching one library on leaves the others silent.
        QVERIFY(linesOf("velmora.common", settings).isEmpty());

        QLoggingCategory::setFilterRules("velmora.*.debug=true");
        lines = linesOf("velmora.common", settings);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].text.contains(QVideoSettingXml::preferencesFilePath()), qPrintable(lines[0].text));
        lines = linesOf("velmora.controls", countdown);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].text.startsWith("-------------"), qPrintable(lines[0].text));
    }

    void informationAndWarningsShowUnderTheirLibrary()
    {
        QVector<Line> lines = linesOf("velmora.app", [] {
            JxCommonInterface::NSLogForQString(QStringLiteral("a line for the system log"));
        });
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines[0].type, QtInfoMsg);
        QCOMPARE(lines[0].text, QStringLiteral("a line for the system log"));

        // A preferences file that does not parse is kept aside with a warning.
        const QString prefs = QVideoSettingXml::preferencesFilePath();
        const auto corrupt = [&] {
            QFile file(prefs);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write("<Root><unclosed>");
            file.close();
            QVideoSettingXml::GetItemValue("CLOSE_ITEM", "bIsCloseDlg", "N", "");
        };
        lines = linesOf("velmora.common", corrupt);
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines[0].type, QtWarningMsg);
        QVERIFY2(lines[0].text.contains("does not parse"), qPrintable(lines[0].text));

        // Switched off for its library alone, the same warning is silent.
        QLoggingCategory::setFilterRules("velmora.common.warning=false");
        QVERIFY(linesOf("velmora.common", corrupt).isEmpty());
        QCOMPARE(linesOf("velmora.app", [] { JxCommonInterface::NSLogForQString("still here"); }).size(), 1);
    }
};

QTEST_MAIN(LoggingTest)
#include "tst_logging.moc"
