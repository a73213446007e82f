// The tag page: how a record is shown, what typing writes into the edit
// record, when the tags count as changed, and the cover picture.

#include "editor/qaudiotagform.h"
#include "media/qvideoeditingsettings.h"
#include "rzcodec/tagfile.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxcombobox.h"
#include "widgetkit/qjxlineedit.h"
#include "widgetkit/qjxtextedit.h"
#include "widgetkit/views/qjxbuttonextend.h"

#include <QBuffer>
#include <QImage>
#include <QTextEdit>
#include <QtTest>

namespace {
VEAudioTagInfo tags()
{
    VEAudioTagInfo t;
    t.title = "Tit\xc3\xa9";
    t.artist = "Artist";
    t.album = "Album";
    t.track = "3/12";
    t.disc = "1/2";
    t.date = "2019-05-01";
    t.genre = "Not In The List";
    t.comment = "plain";
    return t;
}

std::string png()
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

VEAudioTagInfo held(QVideoEditingSettings &hub)
{
    VEAudioTagInfo t;
    hub.getAudioTagInfo(t);
    return t;
}
} // namespace

class TestTagForm : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void loadingShowsWithoutChanging();
    void typingWritesTheRecord();
    void recognisedTagsAreWrittenBack();
    void splitAndJoinRules();
    void coverPicture();
    void deletingTheLoadedCoverEmptiesTheRecord();
    void emptiedLoadedTextsAreNamedForRemoval();

private:
    QVideoEditingSettings *m_hub = nullptr;
    QAudioTagForm *m_form = nullptr;
};

void TestTagForm::init()
{
    m_hub = new QVideoEditingSettings;
    VEAudioTagInfo t = tags();
    m_hub->setAudioTagInfo(t);
    m_form = new QAudioTagForm;
    m_form->setEditSettings(m_hub);
    m_form->resize(483, 324);
}

void TestTagForm::cleanup()
{
    delete m_form;
    delete m_hub;
}

void TestTagForm::loadingShowsWithoutChanging()
{
    m_form->loadingSetting();
    QCOMPARE(m_form->m_editTitle->text(), QString::fromUtf8("Tit\xc3\xa9"));
    QCOMPARE(m_form->m_editTrack1->text(), QString("3"));
    QCOMPARE(m_form->m_editTrack2->text(), QString("12"));
    QCOMPARE(m_form->m_editDisc1->text(), QString("1"));
    QCOMPARE(m_form->m_editDisc2->text(), QString("2"));
    QCOMPARE(m_form->m_editYear->text(), QString("2019")); // from the date
    QCOMPARE(m_form->m_editGenre->currentIndex(), -1);
    QCOMPARE(m_form->m_editGenre->currentText(), QString("Not In The List"));
    // Showing the file's tags is no edit: nothing is to be written.
    QVERIFY(!m_form->audioTagInfoChange());
    QCOMPARE(held(*m_hub), tags());
    m_form->show(); // the first show loads once more
    QVERIFY(!m_form->audioTagInfoChange());
}

void TestTagForm::typingWritesTheRecord()
{
    m_form->loadingSetting();
    m_form->show();
    QTextEdit *comment = m_form->m_editComments->textEdit();
    comment->setPlainText("changed");
    QCOMPARE(held(*m_hub).comment, std::string("changed"));
    QVERIFY(m_form->audioTagInfoChange());
    comment->setPlainText("plain");
    QVERIFY(!m_form->audioTagInfoChange());

    m_form->m_editTitle->setFocus();
    m_form->m_editTitle->selectAll();
    QTest::keyClicks(m_form->m_editTitle, "New");
    QCOMPARE(held(*m_hub).title, std::string("New"));
    // Number fields take digits only.
    m_form->m_editTrack2->selectAll();
    QTest::keyClicks(m_form->m_editTrack2, "x7");
    QCOMPARE(m_form->m_editTrack2->text(), QString("7"));
    QCOMPARE(held(*m_hub).track, std::string("3/7"));
    m_form->m_editYear->clear();
    QTest::keyClicks(m_form->m_editYear, "007");
    QCOMPARE(held(*m_hub).year, std::string("007"));
    QCOMPARE(held(*m_hub).date, std::string("2019-05-01"));
    m_form->m_editGenre->setEditText("Jazz");
    QCOMPARE(held(*m_hub).genre, std::string("Jazz"));
    QVERIFY(m_form->audioTagInfoChange());
}

void TestTagForm::recognisedTagsAreWrittenBack()
{
    m_form->loadingSetting();
    VEAudioTagInfo found;
    found.title = "Found";
    found.track = "1\\2";
    found.disc = "a/b";
    found.year = "";
    found.date = "1999";
    found.comment = "<b>bold</b> words";
    m_hub->setAudioTagInfo(found);
    m_form->RefreshTagInfo(found);
    QCOMPARE(m_form->m_editTrack1->text(), QString("1"));
    QCOMPARE(m_form->m_editTrack2->text(), QString("2"));
    QCOMPARE(m_form->m_editDisc1->text(), QString("a"));
    const VEAudioTagInfo now = held(*m_hub);
    QCOMPARE(now.track, std::string("1/2"));
    QCOMPARE(now.disc, std::string()); // letters are no disc number
    QCOMPARE(now.year, std::string("1999"));
    QCOMPARE(now.comment, std::string("bold words")); // shown formatted, kept plain
    QVERIFY(m_form->audioTagInfoChange());
}

void TestTagForm::splitAndJoinRules()
{
    QString a, b;
    QAudioTagForm::analysisTrackValue("", a, b);
    QCOMPARE(a + "|" + b, QString("0|0"));
    QAudioTagForm::analysisTrackValue("5", a, b);
    QCOMPARE(a + "|" + b, QString("5|0"));
    QAudioTagForm::analysisTrackValue("03/012", a, b);
    QCOMPARE(a + "|" + b, QString("03|012"));
    QAudioTagForm::analysisTrackValue("/4", a, b);
    QCOMPARE(a + "|" + b, QString("0|4"));
    QCOMPARE(QAudioTagForm::getDiscAndTrackStr("03", "012"), QString("3/12"));
    QCOMPARE(QAudioTagForm::getDiscAndTrackStr("3", "0"), QString("3"));
    QCOMPARE(QAudioTagForm::getDiscAndTrackStr("0", "5"), QString());

    // An empty track shows 0 and 0 and stays empty in the record.
    VEAudioTagInfo t = tags();
    t.track.clear();
    m_hub->setAudioTagInfo(t);
    m_form->loadingSetting();
    QCOMPARE(m_form->m_editTrack1->text() + m_form->m_editTrack2->text(), QString("00"));
    QCOMPARE(held(*m_hub).track, std::string());
}

void TestTagForm::coverPicture()
{
    m_form->loadingSetting();
    m_form->show();
    QVERIFY(!m_form->m_btnTagImg->hasTagImg());
    QVERIFY(!m_form->setTagImg("not a picture", 13));
    QVERIFY(m_form->m_btnDelete->isHidden());
    QVERIFY(!m_form->audioTagInfoChange());

    const std::string picture = png();
    QVERIFY(m_form->setTagImg(picture, int(picture.size())));
    QVERIFY(m_form->m_btnTagImg->hasTagImg());
    QVERIFY(m_form->m_btnDelete->isVisible());
    QCOMPARE(held(*m_hub).cover_image, picture);
    QCOMPARE(held(*m_hub).coverSize, int(picture.size()));
    QVERIFY(m_form->audioTagInfoChange());

    QTest::mouseClick(m_form->m_btnDelete, Qt::LeftButton);
    QVERIFY(!m_form->m_btnTagImg->hasTagImg());
    QVERIFY(m_form->m_btnDelete->isHidden());
    QCOMPARE(m_form->getThumbnailPath(), QString());
    QCOMPARE(QAudioTagForm::g_path, QString("."));
}

void TestTagForm::deletingTheLoadedCoverEmptiesTheRecord()
{
    const std::string picture = png();
    VEAudioTagInfo t = tags();
    t.cover_image = picture;
    t.coverSize = int(picture.size());
    m_hub->setAudioTagInfo(t);
    m_form->loadingSetting();
    m_form->show();
    QVERIFY(m_form->m_btnDelete->isVisible());
    QVERIFY(!m_form->coverRemoved());

    QTest::mouseClick(m_form->m_btnDelete, Qt::LeftButton);
    QVERIFY(!m_form->m_btnTagImg->hasTagImg());
    // Gone from the record too, so that OK takes it out of the file.
    QVERIFY(held(*m_hub).cover_image.empty());
    QCOMPARE(held(*m_hub).coverSize, 0);
    QVERIFY(m_form->audioTagInfoChange());
    QVERIFY(m_form->coverRemoved());
    QCOMPARE(held(*m_hub).title, t.title);

    // A new picture after Delete replaces rather than removes.
    QVERIFY(m_form->setTagImg(picture, int(picture.size())));
    QVERIFY(!m_form->coverRemoved());
    QVERIFY(!m_form->audioTagInfoChange());
}

void TestTagForm::emptiedLoadedTextsAreNamedForRemoval()
{
    m_hub->setAudioTagInfo(tags());
    m_form->loadingSetting();
    m_form->show();
    QCOMPARE(m_form->removedTexts(), JXTagFileAccess::NoRemovedTexts);

    m_form->m_editTitle->selectAll();
    QTest::keyClick(m_form->m_editTitle, Qt::Key_Backspace);
    m_form->m_editTrack1->clear(); // "3/12" has no number left: the track goes
    // A field that was empty at load, filled and emptied again, is not named.
    m_form->m_editComposer->setText("Someone");
    m_form->m_editComposer->clear();
    // A field changed to another text is written, not removed.
    m_form->m_editArtist->setText("Other");
    QCOMPARE(held(*m_hub).title, std::string());
    QCOMPARE(held(*m_hub).track, std::string());
    QCOMPARE(m_form->removedTexts(), JXTagFileAccess::RemovedTexts((1u << RZ_TAG_TITLE) | (1u << RZ_TAG_TRACK)));

    // Typing the title again takes it off the list.
    QTest::keyClicks(m_form->m_editTitle, "Back");
    QCOMPARE(m_form->removedTexts(), JXTagFileAccess::RemovedTexts(1u << RZ_TAG_TRACK));

    // The album artist has no field on the page: a record without it is
    // never taken to mean the user emptied it.
    VEAudioTagInfo withBand = tags();
    withBand.album_artist = "Band";
    m_hub->setAudioTagInfo(withBand);
    m_form->loadingSetting();
    QCOMPARE(m_form->removedTexts(), JXTagFileAccess::NoRemovedTexts);
    m_hub->setAudioTagInfo(tags());
    QCOMPARE(m_form->removedTexts(), JXTagFileAccess::NoRemovedTexts);
    m_form->m_editArtist->clear();
    QCOMPARE(m_form->removedTexts(), JXTagFileAccess::RemovedTexts(1u << RZ_TAG_ARTIST));
}

QTEST_MAIN(TestTagForm)
#include "tst_tagform.moc"
