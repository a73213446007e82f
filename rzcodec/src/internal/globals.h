#pragma once
// Process-wide settings of the layer, set once at start-up through the global
// set-up calls and read by every role.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace rz {

struct Globals {
    std::atomic<bool> errorLogEnabled{true};   // the layer's own failure lines
    std::atomic<bool> ffmpegLogEnabled{false}; // FFmpeg's error messages, through the layer's log
    std::atomic<bool> threadedDecoding{true};  // decoders may use several threads
    std::atomic<bool> networkEnabled{false};
    // Where log lines go instead of standard error (null: standard error).
    std::atomic<void (*)(uint32_t, const char *)> logSink{nullptr};

    // Working folder for files the layer keeps between runs or writes aside.
    std::string workFolder() const;
    void setWorkFolder(const std::string &folder);

    // Pixel formats (layer codes, see frame.h) a player may hand to its frame
    // callbacks, in order of preference; empty = any.
    std::vector<uint32_t> frameFormats() const;
    void setFrameFormats(std::vector<uint32_t> formats);

private:
    mutable std::mutex m_mutex;
    std::string m_workFolder;
    std::vector<uint32_t> m_frameFormats;
};

Globals &globals();

} // namespace rz
