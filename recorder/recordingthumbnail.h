#pragma once
// The thumbnail of a video recording: its first frame fitted into 120 × 120,
// saved as JPG in the application-data "Temp" folder under the MD5 of the
// output path, so every recording has its own and a new take replaces it.

#include <QImage>
#include <QString>

namespace RecordingThumbnail {

constexpr int kSide = 120;

// Where the thumbnail of a recording at this output path goes.
QString pathFor(const QString &outputPath);
// Writes it; the path on success, "" when the folder or the file cannot be written.
QString save(const QImage &frame, const QString &outputPath);

} // namespace RecordingThumbnail
