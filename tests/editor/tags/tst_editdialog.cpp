// The edit dialog on real files through the private sound server: the pages
// it opens with, the file's read coming back late, what it asks of the
// library, tags written into the file and read back, a file left untouched
// when nothing was edited, recognition with its time-out, and a snapshot of a
// video file where the settings say.

#include "mediafiles.h"
#include "testsupport.h"

#include "editor/qaudiotagform.h"
#include "editor/qeditorfileload.h"
#include "editor/qeffectform.h"
#include "editor/qtrimwidget.h"
#include "editor/qvedioeditsettingxml.h"
#include "editor/qvideoeditingdlg.h"
#include "editor/qvideoedittag.h"
#include "media/jxinfomanager.h"
#include "media/jxplayerclass.h"
#include "media/jxplayermanager.h"
#include "media/jxtagfileaccess.h"
#include "rzcodec/player.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxlineedit.h"
#include "widgetkit/qjxmessagebox.h"
#include "widgetkit/qjxtextedit.h"
#include "widgetkit/views/qaudiowavewidget.h"
#include "widgetkit/views/qmediaform.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {
constexpr uint64_t kSecond = 1000000;

} // namespace

class TestEditDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void opensOnTheTrimPageAndPlays();
    void fillsInWhenTheReadComesLate();
    void noEditLeavesTheFileAsItWas();
    void editedTagsAreReadBackFromTheFile();
    void deletedCoverLeavesTheFile_data();
    void deletedCoverLeavesTheFile();
    void emptiedFieldsLeaveTheFile_data();
    void emptiedFieldsLeaveTheFile();
    void cutsAskTheLibraryAndSegmentsComeBack();
    void failedTagWriteIsShown();
    void recognitionFillsTagsOrGivesUp();
    void snapshotOfAVideoGoesWhereTheSettingsSay();

private:
    std::unique_ptr<QVideoEditingDlg> open(const QString &path);
    QString copyOf(const QString &path, const QString &name);

    QTemporaryDir m_dir;
    QString m_tagged;   // an MP3 with a title
    QString m_untitled; // an MP3 without tags
    QString m_video;
};

void TestEditDialog::initTestCase()
{
    const MediaFiles::Format mp3 = MediaFiles::taggableFormats().first();
    m_tagged = MediaFiles::makeTone(m_dir.path(), "tagged", mp3, 6.0,
                                    {"-metadata", "title=Original", "-metadata", "artist=Someone"});
    m_untitled = MediaFiles::makeTone(m_dir.path(), "untitled", mp3, 3.0);
    m_video = m_dir.filePath("clip.mp4");
    QVERIFY(!m_tagged.isEmpty() && !m_untitled.isEmpty());
    QVERIFY(MediaFiles::runFfmpeg({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=2", "-f",
                                   "lavfi", "-i", "sine=frequency=440:duration=2", "-c:v", "mpeg4",
                                   "-c:a", "aac", "-shortest", m_video}));
}

std::unique_ptr<QVideoEditingDlg> TestEditDialog::open(const QString &path)
{
    std::unique_ptr<QVideoEditingDlg> dlg(new QVideoEditingDlg);
    dlg->setVideoFile(path, 0, 0);
    dlg->show();
    // The file is read on a worker; the cases below start from its pages filled.
    if (!QTest::qWaitFor([&] { return dlg->isFileLoaded(); }, 10000))
        qWarning("the file's read did not come back");
    return dlg;
}

QString TestEditDialog::copyOf(const QString &path, const QString &name)
{
    const QString copy = m_dir.filePath(name);
    QFile::remove(copy);
    return QFile::copy(path, copy) ? copy : QString();
}

void TestEditDialog::opensOnTheTrimPageAndPlays()
{
    auto dlg = open(m_tagged);
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    QCOMPARE(dlg->size(), QSize(499, 451));
    QCOMPARE(dlg->windowTitle(), QString("Edit - tagged.mp3"));
    QCOMPARE(dlg->m_editTag->currentIndex(), 0);
    QVERIFY(dlg->m_trimWidget->isVisible());
    QVERIFY(dlg->m_trimWidget->isEnabled());
    QVERIFY(dlg->fileError().isEmpty());
    QVERIFY(!dlg->m_effectForm->isVisible());
    QVERIFY(!dlg->m_audioTagForm); // made when first shown
    QVERIFY(!dlg->m_btnMin->isEnabled() && !dlg->m_btnMax->isEnabled());
    QVERIFY(!dlg->m_btnPreviousFile->isVisible() && !dlg->m_btnNextFile->isVisible());
    QVERIFY(dlg->m_editTag->button(2)->isEnabled()); // sound only: tags can be edited
    void *player = dlg->m_playerManager->getPlayerClass()->getPlayer();
    QTRY_VERIFY_WITH_TIMEOUT(rz_player_get_play_time(player) > 200000, TestSupport::kPlaybackStartMs);
    QCOMPARE(dlg->m_trimWidget->duration(), rz_player_get_duration(player));
    QVERIFY(!TestSupport::saveScreenshot(dlg.get(), "editor_dialog_trim").isEmpty());

    // Escape and a double click on the title band leave it as it is.
    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    QVERIFY(dlg->isVisible());
    QTest::mouseDClick(dlg.get(), Qt::LeftButton, {}, QPoint(200, 15));
    QVERIFY(!dlg->isMaximized());

    QTest::mouseClick(dlg->m_editTag->button(1), Qt::LeftButton);
    QVERIFY(dlg->m_effectForm->isVisible());
    QVERIFY(dlg->m_mediaForm->isVisible());
    QVERIFY(!dlg->m_trimWidget->isVisible());
    QVERIFY(!TestSupport::saveScreenshot(dlg.get(), "editor_dialog_effect").isEmpty());
    QTest::mouseClick(dlg->m_editTag->button(2), Qt::LeftButton);
    QVERIFY(dlg->m_audioTagForm->isVisible());
    QVERIFY(dlg->m_btnRecognize->isVisible());
    QVERIFY(!dlg->m_mediaForm->isVisible());
    QVERIFY(!TestSupport::saveScreenshot(dlg.get(), "editor_dialog_tag").isEmpty());
    dlg->m_playerManager->onPause();
}

void TestEditDialog::fillsInWhenTheReadComesLate()
{
    const QString file = copyOf(m_tagged, "late.mp3");
    QSemaphore entered;
    QSemaphore gate;
    QEditorFileLoad::setReadHook([&] {
        entered.release();
        gate.acquire();
    });
    std::unique_ptr<QVideoEditingDlg> dlg(new QVideoEditingDlg);
    dlg->setVideoFile(file, 0, 0);
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    QVERIFY(entered.tryAcquire(1, 10000));
    QEditorFileLoad::setReadHook({});
    // Shown before the file is read: its name, the pages waiting.
    QCOMPARE(dlg->windowTitle(), QString("Edit - late.mp3"));
    QVERIFY(!dlg->isFileLoaded());
    QVERIFY(dlg->m_trimWidget->isVisible());
    QVERIFY(!dlg->m_trimWidget->isEnabled());
    QTest::mouseClick(dlg->m_editTag->button(1), Qt::LeftButton);
    QVERIFY(dlg->m_effectForm->isVisible());
    QVERIFY(!dlg->m_effectForm->isEnabled());
    // Whether the file takes tags is not known yet.
    QVERIFY(!dlg->m_editTag->button(2)->isEnabled());
    QVERIFY(!dlg->m_audioTagForm);
    QVERIFY(!TestSupport::saveScreenshot(dlg.get(), "editor_dialog_loading").isEmpty());

    QSignalSpy loaded(dlg.get(), &QVideoEditingDlg::fileLoaded);
    gate.release();
    QTRY_COMPARE(loaded.count(), 1);
    QVERIFY(dlg->fileError().isEmpty());
    QVERIFY(dlg->m_effectForm->isEnabled());
    // The tags.
    QVERIFY(dlg->m_editTag->button(2)->isEnabled());
    QTest::mouseClick(dlg->m_editTag->button(2), Qt::LeftButton);
    QVERIFY(dlg->m_audioTagForm->isVisible());
    QVERIFY(dlg->m_audioTagForm->isEnabled());
    auto *title = dlg->m_audioTagForm->findChild<QJXLineEdit *>("m_editTitle");
    QVERIFY(title);
    QCOMPARE(title->text(), QString("Original"));
    QVERIFY(!TestSupport::saveScreenshot(dlg.get(), "editor_dialog_filled_tag").isEmpty());
    // The length, and the waveform of what plays.
    dlg->m_editTag->setSelectedTag(0);
    QTrimWidget *trim = dlg->m_trimWidget;
    QVERIFY(trim->isEnabled());
    void *player = dlg->m_playerManager->getPlayerClass()->getPlayer();
    QVERIFY(trim->duration() > 5900000 && trim->duration() < 6100000);
    QCOMPARE(trim->duration(), rz_player_get_duration(player));
    QTRY_VERIFY_WITH_TIMEOUT(rz_player_get_play_time(player) > 300000, TestSupport::kPlaybackStartMs);
    auto *wave = trim->findChild<QAudioWaveWidget *>();
    QVERIFY(wave);
    QTRY_VERIFY(wave->isVisible());
    QTRY_VERIFY(std::any_of(wave->barValues().begin(), wave->barValues().end(), [](unsigned v) { return v > 0; }));
    QVERIFY(!TestSupport::saveScreenshot(dlg.get(), "editor_dialog_filled_trim").isEmpty());

    // A cut asks the library for the chosen second; the edited title reaches the file.
    QSignalSpy convert(dlg.get(), QOverload<VEEditConfig, bool>::of(&QVideoEditingDlg::emitConvertFile));
    trim->startTimeChanged(2 * kSecond, false);
    trim->endTimeChanged(3 * kSecond, false);
    trim->OnBtnAdd();
    QCOMPARE(convert.count(), 1);
    QCOMPARE(convert.at(0).at(0).value<VEEditConfig>().startTime, 2 * kSecond);
    QCOMPARE(convert.at(0).at(0).value<VEEditConfig>().endTime, 3 * kSecond);
    title->setText("Came late");
    QTest::mouseClick(dlg->m_btnOK, Qt::LeftButton);
    QCOMPARE(dlg->result(), int(QDialog::Accepted));
    dlg.reset();
    VEAudioTagInfo back;
    QVERIFY(JXTagFileAccess::read(file.toStdString(), back));
    QCOMPARE(back.title, std::string("Came late"));
    QCOMPARE(back.artist, std::string("Someone"));
}

void TestEditDialog::noEditLeavesTheFileAsItWas()
{
    const QString file = copyOf(m_tagged, "untouched.mp3");
    const QByteArray before = TestSupport::readBytes(file);
    {
        auto dlg = open(file);
        QSignalSpy tags(dlg.get(), &QVideoEditingDlg::emitAudioTagChange);
        QSignalSpy cut(dlg.get(), QOverload<VEEditConfig>::of(&QVideoEditingDlg::emitConvertFile));
        QTest::mouseClick(dlg->m_editTag->button(2), Qt::LeftButton); // the tag page loads again
        QTest::mouseClick(dlg->m_btnOK, Qt::LeftButton);
        QCOMPARE(dlg->result(), int(QDialog::Accepted));
        QCOMPARE(tags.count(), 0);
        QCOMPARE(cut.count(), 0);
        QVERIFY(!dlg->GetIsSetAudioEffect());
    }
    QCOMPARE(TestSupport::readBytes(file), before);
}

void TestEditDialog::editedTagsAreReadBackFromTheFile()
{
    const QString file = copyOf(m_tagged, "edited.mp3");
    const QByteArray cover = MediaFiles::pngPicture(16, 16);
    {
        auto dlg = open(file);
        QSignalSpy tags(dlg.get(), &QVideoEditingDlg::emitAudioTagChange);
        QTest::mouseClick(dlg->m_editTag->button(2), Qt::LeftButton);
        auto *title = dlg->m_audioTagForm->findChild<QJXLineEdit *>("m_editTitle");
        QVERIFY(title);
        QCOMPARE(title->text(), QString("Original"));
        title->selectAll();
        QTest::keyClicks(title, "Nouveau d");
        title->insert(QString::fromUtf8("\xc3\xa9part"));
        QVERIFY(dlg->m_audioTagForm->setTagImg(cover.toStdString(), cover.size()));
        QTest::mouseClick(dlg->m_btnOK, Qt::LeftButton);
        QCOMPARE(tags.count(), 1);
        QCOMPARE(tags.at(0).at(0).value<VEAudioTagInfo>().title, std::string("Nouveau d\xc3\xa9part"));
    }
    JXInfoManager info;
    info.createrPlayer();
    QVERIFY(info.setMediaFile(file, 0, false));
    const VEAudioTagInfo read = info.getAudioTagInfo();
    QCOMPARE(QString::fromStdString(read.title), QString::fromUtf8("Nouveau d\xc3\xa9part"));
    QCOMPARE(QString::fromStdString(read.artist), QString("Someone"));
    QCOMPARE(QImage::fromData(QByteArray::fromStdString(read.coverBytes())).size(), QSize(16, 16));
}

void TestEditDialog::deletedCoverLeavesTheFile_data()
{
    QTest::addColumn<int>("formatIndex");
    const auto formats = MediaFiles::taggableFormats();
    for (int i = 0; i < formats.size(); ++i)
        QTest::newRow(qPrintable(formats[i].name)) << i;
}

void TestEditDialog::deletedCoverLeavesTheFile()
{
    QFETCH(int, formatIndex);
    const MediaFiles::Format format = MediaFiles::taggableFormats().at(formatIndex);
    const QByteArray cover = MediaFiles::pngPicture(24, 16);
    VEAudioTagInfo start;
    start.title = "Covered";
    start.cover_image = cover.toStdString();
    start.coverSize = cover.size();
    auto makeCovered = [&](const QString &name) {
        const QString path = MediaFiles::makeTone(m_dir.path(), name + "_" + format.name, format, 2.0);
        return !path.isEmpty() && JXTagFileAccess::write(path.toStdString(), start, JXTagFileAccess::AllFields)
                   ? path
                   : QString();
    };
    const QString deleted = makeCovered("uncovered");
    const QString kept = makeCovered("covered");
    QVERIFY(!deleted.isEmpty() && !kept.isEmpty());

    {
        auto dlg = open(deleted);
        QSignalSpy tags(dlg.get(), &QVideoEditingDlg::emitAudioTagChange);
        QTest::mouseClick(dlg->m_editTag->button(2), Qt::LeftButton);
        auto *remove = dlg->m_audioTagForm->findChild<QJXBaseButton *>("m_btnDelete");
        QVERIFY(remove);
        QTRY_VERIFY(remove->isVisible());
        QTest::mouseClick(remove, Qt::LeftButton);
        QTest::mouseClick(dlg->m_btnOK, Qt::LeftButton);
        QCOMPARE(tags.count(), 1);
    }
    VEAudioTagInfo back;
    QVERIFY(JXTagFileAccess::read(deleted.toStdString(), back));
    QCOMPARE(back.title, std::string("Covered"));
    QCOMPARE(back.coverSize, 0);
    QVERIFY(back.cover_image.empty());

    // A cover nobody deleted stays, whatever else is edited.
    {
        auto dlg = open(kept);
        QTest::mouseClick(dlg->m_editTag->button(2), Qt::LeftButton);
        auto *title = dlg->m_audioTagForm->findChild<QJXLineEdit *>("m_editTitle");
        QVERIFY(title);
        title->setText("Still covered");
        QTest::mouseClick(dlg->m_btnOK, Qt::LeftButton);
    }
    VEAudioTagInfo stays;
    QVERIFY(JXTagFileAccess::read(kept.toStdString(), stays));
    QCOMPARE(stays.title, std::string("Still covered"));
    QCOMPARE(QByteArray::fromStdString(stays.cover_image), cover);
}

void TestEditDialog::emptiedFieldsLeaveTheFile_data()
{
    deletedCoverLeavesTheFile_data();
}

void TestEditDialog::emptiedFieldsLeaveTheFile()
{
    QFETCH(int, formatIndex);
    const MediaFiles::Format format = MediaFiles::taggableFormats().at(formatIndex);
    const QString path = MediaFiles::makeTone(m_dir.path(), "emptied_" + format.name, format, 2.0);
    QVERIFY(!path.isEmpty());
    VEAudioTagInfo start;
    start.title = "Gone title";
    start.artist = "Stays";
    start.album = "Stays too";
    start.year = "2021";
    start.comment = "Gone comment";
    QVERIFY(JXTagFileAccess::write(path.toStdString(), start, JXTagFileAccess::AllFields));

    {
        auto dlg = open(path);
        QSignalSpy tags(dlg.get(), &QVideoEditingDlg::emitAudioTagChange);
        QTest::mouseClick(dlg->m_editTag->button(2), Qt::LeftButton);
        auto *title = dlg->m_audioTagForm->findChild<QJXLineEdit *>("m_editTitle");
        auto *year = dlg->m_audioTagForm->findChild<QJXLineEdit *>("m_editYear");
        auto *comments = dlg->m_audioTagForm->findChild<QJXTextEdit *>("m_editComments");
        QVERIFY(title && year && comments);
        QTRY_VERIFY(title->isVisible());
        QCOMPARE(title->text(), QString("Gone title"));
        QCOMPARE(year->text(), QString("2021"));
        title->setFocus();
        title->selectAll();
        QTest::keyClick(title, Qt::Key_Backspace);
        year->setFocus();
        year->selectAll();
        QTest::keyClick(year, Qt::Key_Backspace);
        QTextEdit *commentText = comments->textEdit();
        commentText->setFocus();
        commentText->selectAll();
        QTest::keyClick(commentText, Qt::Key_Delete);
        QVERIFY(title->text().isEmpty() && year->text().isEmpty());
        QVERIFY(commentText->toPlainText().isEmpty());
        QVERIFY(!TestSupport::saveScreenshot(dlg.get(), "editor_dialog_emptied_" + format.name).isEmpty());
        QTest::mouseClick(dlg->m_btnOK, Qt::LeftButton);
        QCOMPARE(tags.count(), 1);
    }
    VEAudioTagInfo back;
    QVERIFY(JXTagFileAccess::read(path.toStdString(), back));
    QVERIFY2(back.title.empty(), back.title.c_str());
    QVERIFY2(back.year.empty(), back.year.c_str());
    QVERIFY2(back.comment.empty(), back.comment.c_str());
    QCOMPARE(back.artist, start.artist);
    QCOMPARE(back.album, start.album);
    // What was empty is not written.
    QVERIFY(back.composer.empty() && back.grouping.empty() && back.track.empty());

    // The demuxer agrees.
    JXInfoManager info;
    info.createrPlayer();
    QVERIFY(info.setMediaFile(path, 0, false));
    const VEAudioTagInfo read = info.getAudioTagInfo();
    QVERIFY(read.title.empty());
    QVERIFY(read.comment.empty());
    QVERIFY(read.year.empty());
    QCOMPARE(read.artist, start.artist);
}

void TestEditDialog::cutsAskTheLibraryAndSegmentsComeBack()
{
    auto dlg = open(m_tagged);
    QSignalSpy convert(dlg.get(), QOverload<VEEditConfig, bool>::of(&QVideoEditingDlg::emitConvertFile));
    QSignalSpy kept(dlg.get(), &QVideoEditingDlg::emitSaveConvertFileList);
    QTrimWidget *trim = dlg->m_trimWidget;
    trim->startTimeChanged(1 * kSecond, false);
    trim->endTimeChanged(3 * kSecond, false);
    void *player = dlg->m_playerManager->getPlayerClass()->getPlayer();
    QTRY_VERIFY_WITH_TIMEOUT(rz_player_get_play_time(player) > 300000, TestSupport::kPlaybackStartMs);
    trim->onPause();
    const uint64_t at = rz_player_get_play_time(player);
    trim->OnBtnAdd();
    // A cut leaves the preview where it was.
    QVERIFY2(rz_player_get_play_time(player) < at + 100000, qPrintable(QString::number(at)));
    QCOMPARE(convert.count(), 1);
    VEEditConfig config = convert.at(0).at(0).value<VEEditConfig>();
    QCOMPARE(config.startTime, 1 * kSecond);
    QCOMPARE(config.endTime, 3 * kSecond);
    QVERIFY(convert.at(0).at(1).toBool()); // no effect: written without re-encoding

    dlg->m_effectForm->SetCurrentIndex(2);
    QVERIFY(dlg->GetIsSetAudioEffect());
    trim->OnBtnAdd();
    QCOMPARE(convert.count(), 2);
    QVERIFY(!convert.at(1).at(1).toBool());
    QVERIFY(convert.at(1).at(0).value<VEEditConfig>().audioSettings.count == 10);

    // The library's written segment comes back into the list.
    const QString segment = copyOf(m_tagged, "tagged_Trim_001.mp3");
    emit dlg->emitConvertFilePath(segment);
    QCOMPARE(trim->savedFiles(), QStringList{segment});
    dlg->close();
    QCOMPARE(dlg->result(), int(QDialog::Rejected));
    dlg.reset();
    QCOMPARE(kept.count(), 1);
    QCOMPARE(kept.at(0).at(0).toStringList(), QStringList{segment});
}

void TestEditDialog::failedTagWriteIsShown()
{
    const QString file = copyOf(m_tagged, "vanishing.mp3");
    auto dlg = open(file);
    QSignalSpy tags(dlg.get(), &QVideoEditingDlg::emitAudioTagChange);
    QTest::mouseClick(dlg->m_editTag->button(2), Qt::LeftButton);
    auto *title = dlg->m_audioTagForm->findChild<QJXLineEdit *>("m_editTitle");
    title->setText("Lost");
    QVERIFY(QFile::remove(file));

    QString shown;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QJXMessageBox *>(QApplication::activeModalWidget())) {
            shown = box->getMessage();
            box->close();
        }
    });
    watch.start(20);
    QTest::mouseClick(dlg->m_btnOK, Qt::LeftButton);
    QVERIFY2(shown.contains("could not be written"), qPrintable(shown));
    QCOMPARE(tags.count(), 0);
    QCOMPARE(dlg->result(), int(QDialog::Accepted));
}

void TestEditDialog::recognitionFillsTagsOrGivesUp()
{
    {
        auto dlg = open(m_tagged);
        QTest::mouseClick(dlg->m_editTag->button(2), Qt::LeftButton);
        auto *title = dlg->m_audioTagForm->findChild<QJXLineEdit *>("m_editTitle");
        title->setText("Typed");
        QTest::mouseClick(dlg->m_btnRecognize, Qt::LeftButton);
        QVERIFY(!dlg->m_btnRecognize->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(dlg->m_btnRecognize->isEnabled(), 5000);
        QCOMPARE(title->text(), QString("Original"));
        VEEditConfig config;
        dlg->getEditConfig(config);
        QCOMPARE(config.audioTagInfo.artist, std::string("Someone"));
    }
    auto dlg = open(m_untitled);
    dlg->setRecognitionTimeout(1500);
    QTest::mouseClick(dlg->m_editTag->button(2), Qt::LeftButton);
    QTest::mouseClick(dlg->m_btnRecognize, Qt::LeftButton);
    QVERIFY(!dlg->m_btnRecognize->isEnabled());
    // Nothing to recognise: it gives up and the button comes back.
    QTRY_VERIFY_WITH_TIMEOUT(dlg->m_btnRecognize->isEnabled(), 5000);
    QVERIFY(!dlg->m_recognitionPoll->isActive());
}

void TestEditDialog::snapshotOfAVideoGoesWhereTheSettingsSay()
{
    const QString folder = m_dir.filePath("shots");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QVedioEditSettingXml::setCaptureImgSuffix("PNG"));
    QVERIFY(QVedioEditSettingXml::setCaptrueImaPath(folder));
    auto dlg = open(m_video);
    QTRY_VERIFY(!dlg->m_editTag->button(2)->isEnabled()); // video: no tag page
    void *player = dlg->m_playerManager->getPlayerClass()->getPlayer();
    QTRY_VERIFY_WITH_TIMEOUT(rz_player_get_play_time(player) > 200000, TestSupport::kPlaybackStartMs);
    dlg->onSnapshot();
    const QStringList shots = QDir(folder).entryList({"ScreenCapture_*.png"}, QDir::Files);
    QCOMPARE(shots.size(), 1);
    const QImage shot(QDir(folder).filePath(shots.first()));
    QCOMPARE(shot.size(), QSize(160, 120));

    // A folder that is gone writes nothing.
    QVERIFY(QDir(folder).removeRecursively());
    dlg->onSnapshot();
    QVERIFY(!QDir(folder).exists());
}

QTEST_MAIN(TestEditDialog)
#include "tst_editdialog.moc"
