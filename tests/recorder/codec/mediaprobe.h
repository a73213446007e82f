#pragma once
// Reads recorded files back with the ffmpeg and ffprobe programs, which know
// nothing of the code under test.

#include <QString>
#include <QVector>

namespace TestSupport {
class SourceWitness;
}

namespace MediaProbe {

struct Decoded {
    bool ok = false;
    QVector<float> mono; // 44100 Hz
    double seconds() const { return mono.size() / 44100.0; }
};

// Every sample ffmpeg decodes, as mono float at 44100 Hz.
Decoded decode(const QString &path);
// One ffprobe entry of the first audio stream ("codec_name", "sample_rate",
// "channels", "bit_rate") or of the format ("format_name"); "" when absent.
QString streamEntry(const QString &path, const QString &entry);
QString formatEntry(const QString &path, const QString &entry);
// Relative level of a tone against the whole signal in the middle of the
// decoded sound (1.0 = all energy at that frequency).
double toneShare(const QVector<float> &mono, double frequency);
// The same, judged a tenth of a second at a time over that middle second:
// the median of the tenths with sound. Sound recorded through a loaded
// server can break once where the server skipped a cycle; a break takes up
// to the whole share of one second, but only of one tenth here. For a tone
// that must be there: one that must not is judged over the whole second.
double toneShareOfTenths(const QVector<float> &mono, double frequency);
// Seconds of the decoded sound in which a tone is clearly present, counted
// in 10 ms windows.
double toneSeconds(const QVector<float> &mono);
// The pitch of a tone in the decoded sound, from its zero crossings: the
// median over its loud 50 ms windows. A break in the tone moves a window's
// count by one crossing at most (10 Hz).
double pitch(const QVector<float> &mono);

// Waits until a tone played for `seconds` as the witness heard it (its first
// channel): a player started on a loaded machine may take a while before its
// sound comes, which a recorded time does not tell. False after ms.
bool waitHeard(const TestSupport::SourceWitness &witness, double seconds, int ms = 15000);
// Empty when a recorded file holds the tone: one seamless sine in its middle
// second (a share above minShare), unless the server's own sound broke while
// it recorded (as another client heard it: serverBreaks, from
// SourceWitness::breaks), when the file can be no better, and is to hold the
// tone at its pitch. Else why not.
QString holdsTheTone(const Decoded &file, int serverBreaks, double minShare = 0.8, double frequency = 440);

} // namespace MediaProbe
