// The edit dialog's read of its file on a worker: closed while the read is
// still running it neither waits nor crashes, and the read's handles do not
// outlive it; a file that cannot be edited is said with its reason.

#include "mediafiles.h"
#include "testsupport.h"

#include "editor/qeditorfileload.h"
#include "editor/qtrimwidget.h"
#include "editor/qvideoeditingdlg.h"
#include "editor/qvideoedittag.h"
#include "widgetkit/qjxbasebutton.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

#include <memory>

namespace {

// Whether this process holds the file open.
bool heldOpen(const QString &path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString &fd : fds.entryList(QDir::NoDotAndDotDot | QDir::System | QDir::Files))
        if (QFileInfo(fds.filePath(fd)).symLinkTarget() == target)
            return true;
    return false;
}

} // namespace

class TestEditorLoad : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void closingBeforeTheReadReturnsIsSafe();
    void unreadableFileShowsTheReason_data();
    void unreadableFileShowsTheReason();

private:
    QTemporaryDir m_dir;
    QString m_tone;
};

void TestEditorLoad::initTestCase()
{
    m_tone = MediaFiles::makeTone(m_dir.path(), "tone", MediaFiles::taggableFormats().first(), 3.0,
                                  {"-metadata", "title=Tone"});
    QVERIFY(!m_tone.isEmpty());
}

void TestEditorLoad::cleanup()
{
    QEditorFileLoad::setReadHook({});
    QThreadPool::globalInstance()->waitForDone();
}

void TestEditorLoad::closingBeforeTheReadReturnsIsSafe()
{
    QSemaphore entered;
    QSemaphore gate;
    QEditorFileLoad::setReadHook([&] {
        entered.release();
        gate.acquire();
    });
    auto *dlg = new QVideoEditingDlg;
    QSignalSpy loaded(dlg, &QVideoEditingDlg::fileLoaded);
    dlg->setVideoFile(m_tone, 0, 0);
    dlg->show();
    QVERIFY(entered.tryAcquire(1, 10000));
    QVERIFY(!dlg->isFileLoaded());
    QVERIFY(!dlg->m_trimWidget->isEnabled());
    // Closed and deleted while the worker is held: a wait here would never end.
    dlg->close();
    delete dlg;
    gate.release();
    // The worker opens the file after all, then lets everything go.
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    QCOMPARE(loaded.count(), 0);
    QTRY_VERIFY(!heldOpen(m_tone));

    // A second file asked for while the first is read: only the second fills in.
    const QString other = m_dir.filePath("other.mp3");
    QVERIFY(QFile::copy(m_tone, other));
    QVideoEditingDlg again;
    QSignalSpy filled(&again, &QVideoEditingDlg::fileLoaded);
    again.setVideoFile(m_tone, 0, 0);
    again.show();
    QVERIFY(entered.tryAcquire(1, 10000));
    again.setVideoFile(other, 0, 0);
    again.InitSettings();
    QVERIFY(entered.tryAcquire(1, 10000));
    QEditorFileLoad::setReadHook({});
    gate.release(2);
    QTRY_COMPARE(filled.count(), 1);
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    QCOMPARE(filled.count(), 1);
    QVERIFY(again.fileError().isEmpty());
    QCOMPARE(again.windowTitle(), QString("Edit - other.mp3"));
    QTRY_VERIFY(!heldOpen(m_tone));
    QVERIFY(heldOpen(other));
}

void TestEditorLoad::unreadableFileShowsTheReason_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << "missing.mp3" << QByteArray() << "does not exist";
    QTest::newRow("empty") << "empty.mp3" << QByteArray("") << "is empty";
    QTest::newRow("not media") << "notes.mp3" << QByteArray("just some words, no sound\n").repeated(200)
                               << "no sound or picture that can be played";
}

void TestEditorLoad::unreadableFileShowsTheReason()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    const QString path = m_dir.filePath(name);
    if (!bytes.isNull())
        QVERIFY(TestSupport::writeBytes(path, bytes));
    QVideoEditingDlg dlg;
    QSignalSpy loaded(&dlg, &QVideoEditingDlg::fileLoaded);
    dlg.setVideoFile(path, 0, 0);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QTRY_COMPARE(loaded.count(), 1);
    QVERIFY2(dlg.fileError().contains(reason), qPrintable(dlg.fileError()));
    auto *label = dlg.findChild<QLabel *>("m_labError");
    QVERIFY(label);
    QVERIFY(label->isVisible());
    QVERIFY2(label->text().contains(reason), qPrintable(label->text()));
    // Nothing to trim or play; the dialog still closes.
    QVERIFY(!dlg.m_trimWidget->isEnabled());
    QVERIFY(!TestSupport::saveScreenshot(&dlg, "editor_dialog_unreadable_" + QString(QTest::currentDataTag()).replace(' ', '_')).isEmpty());
    QTest::mouseClick(dlg.m_btnCancel, Qt::LeftButton);
    QVERIFY(!dlg.isVisible());
    QVERIFY(!heldOpen(path));
}

QTEST_MAIN(TestEditorLoad)
#include "tst_editorload.moc"
