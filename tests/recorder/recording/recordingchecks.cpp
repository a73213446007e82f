#include "recordingchecks.h"

#include "recordingsetup.h"

#include "common/qrecordingmarker.h"

namespace RecordingChecks {

void useFormat(const RecordFormat &f)
{
    TestSupport::useAudioFormat({f.muxer.toUpper(), f.extension, f.codecId, f.channels,
                                 unsigned(f.sampleRate), unsigned(f.kbps)});
}

bool markedInProgress(const QString &path)
{
    for (const QRecordingMarker::Entry &e : QRecordingMarker::pending())
        if (e.info.convertedPath == path)
            return true;
    return false;
}

} // namespace RecordingChecks
