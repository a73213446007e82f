#pragma once
// Wave data blocks as the recorder hands them to the displays: sound is
// pushed through the recorder role of the codec layer into a WAV file, and
// the recorder's level block is taken after every pushed capture buffer.

#include <QByteArray>
#include <QVector>

namespace RecordedLevels {

// Interleaved stereo float samples at 44100 Hz.
QVector<float> constant(float value, double seconds);

// Records the sound and returns a copy of the level block after each
// 1024-frame buffer; empty when the recorder failed.
QVector<QByteArray> record(const QVector<float> &stereo, const QString &wavPath);

// The rate argument producers pass with a block: its sample rate halved.
int rateOf(const QByteArray &block);
int sampleCount(const QByteArray &block);
unsigned short sampleAt(const QByteArray &block, int index);
void setSample(QByteArray &block, int index, unsigned short value);
// A block of the given samples with a matching header.
QByteArray makeBlock(const QVector<unsigned short> &samples, int sampleRate);

} // namespace RecordedLevels
