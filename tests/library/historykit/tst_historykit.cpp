// The history table kit over real rows: the file-type filter, the name
// editor that reports instead of storing, the new-item badge as drawn, and
// the description in the name column's tool tip.

#include "library/qaudiofilechunk.h"
#include "library/qhistorytable.h"

#include "testsupport.h"

#include <QAbstractItemModelTester>
#include <QLineEdit>
#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {
struct Kit
{
    std::vector<std::unique_ptr<QAudioFileChunk>> owned;
    std::vector<IBaseChunk *> rows;
    QHistorModel model;
    QHistorySortModel sort;
    Kit()
    {
        model.setHeaderList({"", "Name", "a", "b", "c", "d"});
        model.setDatas(&rows);
        sort.setSourceModel(&model);
    }
    QAudioFileChunk *add(const std::string &name, bool video, bool isNew = false)
    {
        owned.push_back(std::make_unique<QAudioFileChunk>());
        QAudioFileChunk *row = owned.back().get();
        row->SetFileName(name);
        row->setVideoType(video);
        row->setNewAdd(isNew);
        rows.push_back(row);
        model.refresh();
        return row;
    }
};
} // namespace

class TestHistoryKit : public QObject
{
    Q_OBJECT
private slots:
    void modelAndFileTypeFilter();
    void nameEditorReportsTheName();
    void newItemBadgeIsDrawn();
    void toolTipsDescribeTheRecord();
};

void TestHistoryKit::modelAndFileTypeFilter()
{
    Kit kit;
    QAbstractItemModelTester tester(&kit.sort, QAbstractItemModelTester::FailureReportingMode::QtTest);
    kit.add("song.mp3", false, true)->setImage("/pictures/song.png");
    kit.add("clip.mp4", true);
    QCOMPARE(kit.sort.rowCount(), 2);
    QCOMPARE(kit.model.index(0, 1).data().toString(), QString("song.mp3"));
    QCOMPARE(kit.model.index(0, 0).data(Qt::DecorationRole).toString(), QString("/pictures/song.png"));
    QCOMPARE(kit.model.index(0, 0).data(kHistoryNewRole).toBool(), true);
    QCOMPARE(kit.model.index(1, 0).data(kHistoryNewRole).toBool(), false);
    QVERIFY(!kit.model.index(0, 0).data(Qt::CheckStateRole).isValid());
    QVERIFY(kit.sort.flags(kit.sort.index(0, 1)) & Qt::ItemIsEditable);

    QSignalSpy reset(&kit.sort, &QAbstractItemModel::modelReset);
    kit.sort.setFilterFileType(QHistorySortModel::FileTypeAudio);
    QCOMPARE(kit.sort.rowCount(), 1);
    QCOMPARE(kit.sort.index(0, 1).data().toString(), QString("song.mp3"));
    const int resets = reset.count();
    kit.sort.setFilterFileType(QHistorySortModel::FileTypeAudio);
    QCOMPARE(reset.count(), resets);
    kit.sort.setFilterFileType(QHistorySortModel::FileTypeVideo);
    QCOMPARE(kit.sort.index(0, 1).data().toString(), QString("clip.mp4"));
    kit.sort.setFilterFileType(QHistorySortModel::FileTypeAll);
    QCOMPARE(kit.sort.rowCount(), 2);
}

void TestHistoryKit::nameEditorReportsTheName()
{
    Kit kit;
    QAudioFileChunk *row = kit.add("live.set.mp3", false);
    kit.add("noext", false);
    QHistoryDelegate delegate;
    QWidget parent;
    QStyleOptionViewItem option;
    option.rect = QRect(10, 20, 100, 30);
    std::unique_ptr<QWidget> editor(delegate.createEditor(&parent, option, kit.model.index(0, 1)));
    auto *edit = qobject_cast<QLineEdit *>(editor.get());
    QVERIFY(edit);
    delegate.setEditorData(edit, kit.model.index(0, 1));
    QCOMPARE(edit->text(), QString("live.set"));
    delegate.setEditorData(edit, kit.model.index(1, 1));
    QCOMPARE(edit->text(), QString("noext"));
    delegate.updateEditorGeometry(edit, option, kit.model.index(0, 1));
    QCOMPARE(edit->geometry(), QRect(10, 25, 127, 20));

    QSignalSpy named(&kit.model, &QHistorModel::emitChangeName);
    edit->setText("renamed");
    delegate.setModelData(edit, &kit.model, kit.model.index(0, 1));
    QCOMPARE(named.count(), 1);
    QCOMPARE(named.at(0).at(1).toString(), QString("renamed"));
    QCOMPARE(row->GetFileName(), std::string("live.set.mp3"));
}

void TestHistoryKit::newItemBadgeIsDrawn()
{
    Kit kit;
    kit.add("new.mp3", false, true);
    kit.add("old.mp3", false, false);
    QHistoryDelegate delegate;
    QImage canvas(200, 60, QImage::Format_ARGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 60, 30);
    delegate.paint(&painter, option, kit.model.index(0, 0));
    option.rect = QRect(0, 30, 60, 30);
    delegate.paint(&painter, option, kit.model.index(1, 0));
    painter.end();
    canvas.save(TestSupport::screenshotDir() + "/library_history_badge.png");
    // Without a badge picture a new row's picture cell is red; an old one black.
    QCOMPARE(canvas.pixelColor(30, 10), QColor(255, 0, 0));
    QCOMPARE(canvas.pixelColor(30, 40), QColor(0, 0, 0));
}

void TestHistoryKit::toolTipsDescribeTheRecord()
{
    Kit kit;
    QAudioFileChunk *audio = kit.add("a.mp3", false);
    audio->SetTitle("Title A");
    audio->setArtist("Artist A");
    audio->SetFileSize("3 MB");
    audio->setPlayTime("00:03:00");
    audio->SetCreateTime("01-02-2024 10:00");
    QAudioFileChunk *video = kit.add("v.mp4", true);
    video->SetResolution("1920*1080");
    QTableViewEx view;
    view.setModel(&kit.sort);
    QCOMPARE(view.showToolTipText(kit.sort.index(0, 0)), QString()); // no sort model given yet: cell text
    view.setSortModel(&kit.sort);
    const QString tip = view.showToolTipText(kit.sort.index(0, 1));
    QCOMPARE(tip, QString("Title: Title A\nArtist: Artist A\nFile size: 3 MB\nDuration: 00:03:00\n"
                          "Create time: 01-02-2024 10:00"));
    QVERIFY(view.showToolTipText(kit.sort.index(1, 1)).contains("Resolution: 1920*1080\n"));
    QCOMPARE(view.showToolTipText(kit.sort.index(0, 0)), QString("Play"));
    QCOMPARE(view.showToolTipText(kit.sort.index(0, 5)), QString("Delete"));
    QCOMPARE(view.showToolTipText(QModelIndex()), QString());
}

QTEST_MAIN(TestHistoryKit)
#include "tst_historykit.moc"
