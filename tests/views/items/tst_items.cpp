// The item store, the list item base and the per-item control records.

#include "widgetkit/views/ibasechunk.h"
#include "widgetkit/views/qchunkcontrol.h"

#include <QPushButton>
#include <QtTest>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

namespace {
// A subclass that keeps its values elsewhere: the base's own operations must
// reach the store only through the virtual slots.
class RedirectedChunk : public IBaseChunk
{
public:
    RedirectedChunk() = default;
    void setIntValue(std::string key, int value) override { ints[key] = value; }
    int getIntValue(std::string key) override
    {
        auto it = ints.find(key);
        return it == ints.end() ? -1 : it->second;
    }
    void setStringValue(std::string key, std::string value) override { strings[key] = value; }
    std::string getStringValue(std::string key) override { return strings[key]; }
    std::map<std::string, int> ints;
    std::map<std::string, std::string> strings;
};
} // namespace

class TestItems : public QObject
{
    Q_OBJECT
private slots:
    void storeRoundTripsEveryType();
    void storeKeepsNativeBytes();
    void narrowValueNeverReadPastItsWidth();
    void freshItemDefaults();
    void checkAndDateLiveInTheStore();
    void baseOperationsGoThroughVirtualSlots();
    void columnEnableMask();
    void resetClearsOnlyIdOwnerTitle();
    void mutexIsOptional();
    void chunkControlRecords();
    void sharedRecordsAreCopiedOnlyWhenWritten_data();
    void sharedRecordsAreCopiedOnlyWhenWritten();
};

void TestItems::storeRoundTripsEveryType()
{
    QDataStorage store;
    store.setStringValue("s", std::string("a\0b", 3));
    store.setIntValue("i", -123456);
    store.setInt64Value("l", 0x123456789ALL);
    store.setBoolValue("b", true);
    store.setDoubleValue("d", -2.5e-7);
    QCOMPARE(store.getStringValue("s"), std::string("a\0b", 3));
    QCOMPARE(store.getIntValue("i"), -123456);
    QCOMPARE(store.getInt64Value("l"), 0x123456789ALL);
    QCOMPARE(store.getBoolValue("b"), true);
    QCOMPARE(store.getDoubleValue("d"), -2.5e-7);

    store.setIntValue("i", 9);
    QCOMPARE(store.getIntValue("i"), 9);

    QCOMPARE(store.getStringValue("absent"), std::string());
    QCOMPARE(store.getIntValue("absent"), 0);
    QCOMPARE(store.getInt64Value("absent"), 0LL);
    QCOMPARE(store.getBoolValue("absent"), false);
    QCOMPARE(store.getDoubleValue("absent"), 0.0);
}

void TestItems::storeKeepsNativeBytes()
{
    QDataStorage store;
    store.setIntValue("n", 7);
    const std::string raw = store.getStringValue("n");
    QCOMPARE(raw.size(), sizeof(int));
    int decoded = 0;
    std::memcpy(&decoded, raw.data(), sizeof decoded);
    QCOMPARE(decoded, 7);
    QVERIFY(raw != "7");

    store.setBoolValue("flag", false);
    QCOMPARE(store.getStringValue("flag"), std::string(1, '\0'));
    // A string that holds the bytes of an int reads back as that int.
    store.setStringValue("bytes", raw);
    QCOMPARE(store.getIntValue("bytes"), 7);
}

void TestItems::narrowValueNeverReadPastItsWidth()
{
    // A one-byte bool read as a double or an int64 must not touch memory past
    // the stored byte (the sanitizer build checks that); it reads as zero.
    QDataStorage store;
    store.setBoolValue("b", true);
    QCOMPARE(store.getDoubleValue("b"), 0.0);
    QCOMPARE(store.getInt64Value("b"), 0LL);
    QCOMPARE(store.getIntValue("b"), 0);
    store.setIntValue("i", 5);
    QCOMPARE(store.getInt64Value("i"), 0LL);
    QCOMPARE(store.getDoubleValue("i"), 0.0);
    store.setStringValue("short", "ab");
    QCOMPARE(store.getIntValue("short"), 0);
    // Wider values decode their first bytes, as stored natively.
    store.setInt64Value("wide", 300);
    QCOMPARE(store.getIntValue("wide"), 300);
    QCOMPARE(store.getBoolValue("wide"), true);
}

void TestItems::freshItemDefaults()
{
    IBaseChunk item;
    QCOMPARE(item.GetCheck(), 0);
    QVERIFY(item.getEnable());
    QVERIFY(item.getControlShow());
    QVERIFY(!item.isDeleted());
    QCOMPARE(item.getSortValue(), 0.0);
    for (int column = 0; column < 64; ++column)
        QVERIFY(item.getColumnEnable(column));
    QCOMPARE(item.getDate(), std::string());
    QCOMPARE(item.GetID(), 0);
    QCOMPARE(item.GetOwner(), nullptr);
    QCOMPARE(item.GetTitle(), std::string());
    QCOMPARE(item.GetImage(), std::string());
    QCOMPARE(item.GetImageLen(), 0);
    // Unchecked without a stored key: many rows carry nothing for it.
    QVERIFY(item.getStringValue(IBaseChunk::CheckKey).empty());
    QVERIFY(item.getStringValue(IBaseChunk::DateKey).empty());
}

void TestItems::checkAndDateLiveInTheStore()
{
    IBaseChunk item;
    item.SetCheck(2);
    QCOMPARE(item.getIntValue("Item_check_key"), 2);
    item.setIntValue("Item_check_key", 1);
    QCOMPARE(item.GetCheck(), 1);
    item.setDate("2026-12-07 10:00");
    QCOMPARE(item.getStringValue("CHUNK_DATE_KEY"), std::string("2026-12-07 10:00"));
}

void TestItems::baseOperationsGoThroughVirtualSlots()
{
    RedirectedChunk item;
    item.SetCheck(2);
    QCOMPARE(item.ints.at("Item_check_key"), 2);
    QCOMPARE(item.GetCheck(), 2);
    item.setDate("today");
    QCOMPARE(item.strings.at("CHUNK_DATE_KEY"), std::string("today"));
    // The base store never saw either value.
    QCOMPARE(item.QDataStorage::getIntValue("Item_check_key"), 0);
    QCOMPARE(item.QDataStorage::getStringValue("CHUNK_DATE_KEY"), std::string());
}

void TestItems::columnEnableMask()
{
    IBaseChunk item;
    item.setColumnEnable(40, false);
    QVERIFY(item.getColumnEnable(40));
    item.setColumnEnable(3, false);
    for (int column = 0; column < 40; ++column)
        QCOMPARE(item.getColumnEnable(column), column != 3);
    item.setColumnEnable(31, false);
    QVERIFY(!item.getColumnEnable(31));
    item.setColumnEnable(3, true);
    QVERIFY(item.getColumnEnable(3));
}

void TestItems::resetClearsOnlyIdOwnerTitle()
{
    IBaseChunk item;
    int owner = 0;
    item.SetID(12);
    item.SetOwner(&owner);
    item.SetTitle("Song");
    item.SetCheck(2);
    item.setImage("/a.png");
    item.setIsDeleted(true);
    item.setEnable(false);
    item.setBoolValue("KEY_BOOL_FIXEDITEM", true);
    item.Reset();
    QCOMPARE(item.GetID(), 0);
    QCOMPARE(item.GetOwner(), nullptr);
    QCOMPARE(item.GetTitle(), std::string());
    QCOMPARE(item.GetCheck(), 2);
    QCOMPARE(item.GetImage(), std::string("/a.png"));
    QVERIFY(item.isDeleted());
    QVERIFY(!item.getEnable());
    QVERIFY(item.getBoolValue("KEY_BOOL_FIXEDITEM"));
    QVERIFY(item.remove());
}

void TestItems::mutexIsOptional()
{
    IBaseChunk plain(false);
    plain.Lock();
    plain.Lock(); // no mutex: returns at once every time
    plain.UnLock();

    IBaseChunk guarded(true);
    guarded.Lock();
    std::atomic<bool> trying{false};
    std::atomic<bool> released{false};
    std::atomic<bool> inWhileHeld{false};
    std::atomic<bool> acquired{false};
    std::thread other([&] {
        // A second thread must wait: try from there through the same item.
        trying = true;
        guarded.Lock();
        inWhileHeld = !released;
        acquired = true;
        guarded.UnLock();
    });
    // An unguarded item lets the other thread straight through, long before
    // the polling here sees it trying; a held lock keeps it out until released.
    QTRY_VERIFY_WITH_TIMEOUT(trying, 10000);
    released = true;
    guarded.UnLock();
    other.join();
    QVERIFY(acquired);
    QVERIFY(!inWhileHeld);
}

void TestItems::chunkControlRecords()
{
    IBaseChunk item;
    QChunkControl *control = item.getChunkControl();
    QVERIFY(control);
    QCOMPARE(item.getChunkControl(), control);
    QCOMPARE(control->count(), 0);

    control->addControl(nullptr, controlTypeButton);
    QCOMPARE(control->count(), 0);

    QPushButton play, pause;
    QCOMPARE(control->getControlAttribute(&play), nullptr);
    control->addControl(&play, controlTypeButton);
    control->addControl(&pause, controlTypeProgress);
    QCOMPARE(control->count(), 2);
    ControlAttribute *record = control->getControlAttribute(&play);
    QVERIFY(record);
    QCOMPARE(record->hidden, false);
    QCOMPARE(record->hoverOnly, false);
    QCOMPARE(record->enabled, true);
    QCOMPARE(record->progressValue, 0.0);
    QCOMPARE(record->type, controlTypeButton);
    QCOMPARE(control->getControlAttribute(&pause)->type, controlTypeProgress);

    record->hidden = true;
    record->enabled = false;
    record->progressValue = 42.0;
    QVERIFY(control->getControlAttribute(&play)->hidden);
    // Registering again restores the defaults.
    control->addControl(&play, controlTypeButton);
    record = control->getControlAttribute(&play);
    QCOMPARE(record->hidden, false);
    QCOMPARE(record->enabled, true);
    QCOMPARE(record->progressValue, 0.0);
    QCOMPARE(control->count(), 2);
    // Another item keeps records of its own for the same widgets.
    IBaseChunk other;
    QCOMPARE(other.getChunkControl()->getControlAttribute(&play), nullptr);
}

void TestItems::sharedRecordsAreCopiedOnlyWhenWritten_data()
{
    QTest::addColumn<int>("write"); // what the written item does
    QTest::newRow("a record written") << 0;
    QTest::newRow("a widget registered again") << 1;
    QTest::newRow("another widget registered") << 2;
    QTest::newRow("an unregistered widget asked for") << 3;
}

void TestItems::sharedRecordsAreCopiedOnlyWhenWritten()
{
    QFETCH(int, write);
    QPushButton edit, remove, other;
    ControlAttribute hidden;
    hidden.hidden = true;
    const auto set = std::make_shared<QChunkControl::Records>(
        QChunkControl::Records{{&edit, ControlAttribute()}, {&remove, hidden}});
    IBaseChunk items[3];
    for (IBaseChunk &item : items)
        item.getChunkControl()->share(set);
    // Reading never copies: every item reads the one set.
    for (IBaseChunk &item : items) {
        QCOMPARE(item.getChunkControl()->count(), 2);
        QCOMPARE(item.getChunkControl()->attributeOf(&edit), &set->at(0).second);
        QVERIFY(item.getChunkControl()->attributeOf(&remove)->hidden);
        QCOMPARE(item.getChunkControl()->attributeOf(&other), nullptr);
    }
    QChunkControl *written = items[1].getChunkControl();
    switch (write) {
    case 0:
        written->getControlAttribute(&edit)->hidden = true;
        break;
    case 1:
        written->addControl(&remove, controlTypeButton);
        break;
    case 2:
        written->addControl(&other, controlTypeProgress);
        break;
    case 3:
        QCOMPARE(written->getControlAttribute(&other), nullptr);
        break;
    }
    const bool copied = write != 3;
    QCOMPARE(written->attributeOf(&edit) != &set->at(0).second, copied);
    // The others and the set itself are as they were.
    QCOMPARE(set->size(), size_t(2));
    QVERIFY(!set->at(0).second.hidden);
    QVERIFY(set->at(1).second.hidden);
    for (int i : {0, 2}) {
        QCOMPARE(items[i].getChunkControl()->attributeOf(&edit), &set->at(0).second);
        QCOMPARE(items[i].getChunkControl()->count(), 2);
    }
    switch (write) {
    case 0:
        QVERIFY(written->attributeOf(&edit)->hidden);
        QVERIFY(written->attributeOf(&remove)->hidden);
        break;
    case 1:
        QVERIFY(!written->attributeOf(&remove)->hidden);
        break;
    case 2:
        QCOMPARE(written->count(), 3);
        QCOMPARE(written->attributeOf(&other)->type, controlTypeProgress);
        break;
    default:
        break;
    }
}

QTEST_MAIN(TestItems)
#include "tst_items.moc"
