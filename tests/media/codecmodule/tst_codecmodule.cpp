// The codec layer as a module behind the program's trampolines: nothing is
// loaded until the first call; first calls racing on many threads all wait
// for the one load and for the set-up that runs with it; arguments in vector
// registers and on the stack, and results in memory, come through whole.

#include "testsupport.h"

#include "rzcodec/config.h"
#include "rzcodec/module.h"
#include "rzcodec/setup.h"
#include "rzcodec/tagfile.h"
#include "rzcodec/utf32.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

bool mapped(const char *library)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(library);
}

QByteArray g_folder;
std::atomic<int> g_inits{0};

void setUp()
{
    g_inits.fetch_add(1);
    // A set-up that takes its time: a call that went on without waiting for
    // it would find no working folder yet.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    rz_setup_work_folder(g_folder.constData());
}

} // namespace

class TestCodecModule : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void firstCallsWaitForTheLoadAndItsSetUp();
    void argumentsAndResultsComeThroughWhole();

private:
    QTemporaryDir m_dir;
};

void TestCodecModule::initTestCase()
{
    if (QByteArray(VELMORA_CODEC_MODULE_FILE).isEmpty())
        QSKIP("this build links the codec layer in");
    QVERIFY(m_dir.isValid());
}

void TestCodecModule::firstCallsWaitForTheLoadAndItsSetUp()
{
    QVERIFY(!mapped("libavcodec.so"));
    QCOMPARE(QFileInfo(QString::fromUtf8(rz_module_path())).canonicalFilePath(),
             QFileInfo(QStringLiteral(VELMORA_CODEC_MODULE_FILE)).canonicalFilePath());
    g_folder = m_dir.path().toUtf8();
    rz_module_set_init(setUp);
    QVERIFY(!mapped("libavcodec.so"));

    // The first call loads; the others come while the set-up runs.
    constexpr int kThreads = 8;
    std::vector<QByteArray> seen(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&seen, i] {
            if (i > 0)
                while (g_inits.load() == 0) {
                }
            seen[size_t(i)] = QByteArray(rz_setup_get_work_folder());
        });
    for (std::thread &thread : threads)
        thread.join();
    for (const QByteArray &folder : seen)
        QCOMPARE(folder, g_folder);
    QCOMPARE(g_inits.load(), 1);
    QVERIFY(mapped("libavcodec.so"));
    QCOMPARE(rz_module_load(), RZ_OK);
    QCOMPARE(QByteArray(rz_module_error()), QByteArray());
    // A hook set once the layer is there runs at once.
    rz_module_set_init(setUp);
    QCOMPARE(g_inits.load(), 2);
}

void TestCodecModule::argumentsAndResultsComeThroughWhole()
{
    // Four doubles in vector registers after a pointer.
    void *config = rz_config_create();
    QVERIFY(config);
    QCOMPARE(rz_config_set_video_crop(config, 0.125, 0.25, 0.5, 0.75), RZ_OK);
    const double crop[] = {0.125, 0.25, 0.5, 0.75};
    for (uint32_t k = 0; k < 4; ++k) {
        double value = -1;
        QCOMPARE(rz_config_get_double(config, "video.crop", k, &value), RZ_OK);
        QCOMPARE(value, crop[k]);
    }
    rz_config_release(config);

    // A structure passed on the stack and one returned in memory.
    const QString wav = m_dir.path() + QStringLiteral("/tagged.wav");
    QVERIFY(TestSupport::writeToneWav(wav, 440.0, 0.5));
    const std::u32string path = utf8ToUtf32(wav.toUtf8().constData()).value();
    const std::u32string title = U"Stack and memory";
    void *tags = rz_tagfile_create();
    QVERIFY(tags);
    QCOMPARE(rz_tagfile_open(tags, reinterpret_cast<const uint32_t *>(path.c_str())), 0);
    QCOMPARE(rz_tagfile_begin_edit(tags), RZ_OK);
    const RZTagItem item{-1, RZ_TAG_TITLE, RZ_TAG_TYPE_TEXT, int32_t(title.size() * 4), title.data()};
    QCOMPARE(rz_tagfile_set_item(tags, item), RZ_OK);
    QCOMPARE(rz_tagfile_save(tags), RZ_OK);
    rz_tagfile_close(tags);
    QCOMPARE(rz_tagfile_open(tags, reinterpret_cast<const uint32_t *>(path.c_str())), 0);
    bool found = false;
    for (int32_t i = 0; i < rz_tagfile_item_count(tags); ++i) {
        const RZTagItem read = rz_tagfile_get_item(tags, i);
        if (read.index != RZ_TAG_TITLE)
            continue;
        found = true;
        QCOMPARE(read.type, RZ_TAG_TYPE_TEXT);
        QCOMPARE(std::u32string(static_cast<const char32_t *>(read.data), size_t(read.length) / 4), title);
    }
    QVERIFY(found);
    const RZTagItem none = rz_tagfile_get_item(tags, 1000);
    QCOMPARE(none.index, -1);
    QCOMPARE(none.length, 0);
    rz_tagfile_release(tags);
}

QTEST_MAIN(TestCodecModule)
#include "tst_codecmodule.moc"
