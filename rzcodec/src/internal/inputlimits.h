#pragma once
// Bounds on what the layer accepts from media files, so that a damaged or
// hostile file fails as a result instead of exhausting memory or time.

#include <cstddef>
#include <cstdint>
#include <string>

namespace rz {

// Largest cover picture kept, read through FFmpeg or through TagLib alike.
constexpr int32_t kMaxCoverBytes = 64 * 1024 * 1024;

// What the sound server can play (its own limits: 16 x 48 kHz, 32 channels).
// Beyond that a stream is damaged, and resampling it would need gigabytes;
// below the floor too (a 1 Hz stream played at 8 kHz multiplies every sample).
constexpr int kMinInputSampleRate = 1000;
constexpr int kMaxInputSampleRate = 768000;
constexpr int kMaxInputChannels = 32;

// Largest single allocation FFmpeg may make; an 8K RGBA picture needs 133 MB,
// and sizes read from a damaged header ask for gigabytes.
constexpr size_t kMaxSingleAllocation = size_t(192) * 1024 * 1024;

// How long one FFmpeg call on an input may take, and how much of the file it
// may read, before it is interrupted. A damaged file can hide gigabytes of
// junk between two packets; a parser searching it would buffer all of it.
constexpr int kOpenDeadlineMs = 5000;
constexpr int kReadDeadlineMs = 3000;
constexpr int kSeekDeadlineMs = 2000;
constexpr int64_t kMaxBytesPerCall = int64_t(64) * 1024 * 1024;

// Applies the allocation bound once for the process.
void limitFfmpegAllocations();

// True when `path` leads (after following links) to a regular file; else false
// with the reason in *why. Folders, devices and pipes would block or never end.
bool isRegularFile(const std::string &path, std::string *why);

// Opens `path` for reading only when it is a regular file, checked on the
// opened file itself, so that a pipe or a device put in its place never
// blocks the open; the descriptor is blocking again when returned. -1 with
// the reason in *why (and errno set) otherwise.
int openRegularFile(const std::string &path, std::string *why);

} // namespace rz
