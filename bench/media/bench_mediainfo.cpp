// Time of the editor's questions about one recording: opening it and reading
// its length and tags through the media information, and writing and reading
// its tags (with a 200 KB cover) through the tag-file object.
// Usage: bench_mediainfo [repetitions]

#include "media/jxinfomanager.h"
#include "media/jxtagfileaccess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {
bool makeFile(const QString &path, const QStringList &codec)
{
    QStringList args{"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                     "sine=frequency=440:duration=600", "-ac", "2"};
    args += codec;
    args << path;
    return QProcess::execute("ffmpeg", args) == 0;
}

template <class F>
double millisecondsPerRun(int runs, F f)
{
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < runs; ++i)
        f();
    return double(t.nsecsElapsed()) / 1e6 / runs;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    QTemporaryDir dir;
    const QString mp3 = dir.filePath("ten_minutes.mp3");
    const QString m4a = dir.filePath("ten_minutes.m4a");
    if (!makeFile(mp3, {"-c:a", "libmp3lame", "-b:a", "192k"}) || !makeFile(m4a, {"-c:a", "aac", "-b:a", "192k"})) {
        std::fprintf(stderr, "ffmpeg could not make the files\n");
        return 1;
    }
    VEAudioTagInfo tags;
    tags.title = "Benchmark title";
    tags.artist = "Artist";
    tags.album = "Album";
    tags.cover_image.assign(200 * 1024, '\x55');
    tags.cover_image.replace(0, 4, "\xFF\xD8\xFF\xE0");
    tags.coverSize = int(tags.cover_image.size());

    for (const QString &path : {mp3, m4a}) {
        const std::string file = path.toStdString();
        const double write = millisecondsPerRun(runs, [&] {
            JXTagFileAccess::write(file, tags, JXTagFileAccess::AllFields);
        });
        const double read = millisecondsPerRun(runs, [&] {
            VEAudioTagInfo back;
            JXTagFileAccess::read(file, back);
        });
        const double info = millisecondsPerRun(runs, [&] {
            JXInfoManager manager;
            manager.createrPlayer();
            manager.setMediaFile(path, 0, false);
            manager.getAudioTagInfo();
            manager.getChapterInfo();
        });
        std::printf("%s (10 min, 192 kbps): tag write %.2f ms, tag read %.2f ms, "
                    "open + tags + chapters %.2f ms (mean of %d)\n",
                    qPrintable(QFileInfo(path).suffix()), write, read, info, runs);
    }
    return 0;
}
