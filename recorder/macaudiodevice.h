#pragma once
// The sound devices of the computer: a list of inputs (sources that are not
// monitors, plus the loop-back device's monitor under the device's name) and
// a list of outputs (sinks), each with the index of the default device; and
// switching the default, volume, mute and change detection. Each side is
// chosen with isInput, each device by its index in that side's list.

#include "recorder/audiodevicelist.h"

class PulseContext;
struct PulseDeviceInfo;

class MacAudioDevice
{
public:
    explicit MacAudioDevice(PulseContext *ctx = nullptr);
    ~MacAudioDevice();

    // Reads both lists again; false when the server cannot be asked or has no device.
    bool refresh();
    // Whether the server answered the last reading (a server that answers
    // late, on a busy machine, gives one that did not).
    bool answered() const { return m_answered; }
    // The server answers (a lost connection is made again first).
    bool serverReachable();
    // A fresh reading differs from this one; this one stays as it is.
    bool isNeedRefresh();
    // The same defaults and the same devices, by unique id, in the same order.
    bool compareDevice(const MacAudioDevice *other) const;
    // The last reading, volumes and mute states included.
    const AudioDeviceList &devices() const { return m_list; }

    int getDefaultIndex(bool isInput) const;
    int getDeviceCount(bool isInput) const;
    bool isValid(bool isInput, int index) const;
    const AudioDeviceInfo *getDeviceInfo(bool isInput, int index) const;
    // Valid until the next refresh; null when the index is out of range.
    const char *getDeviceName(bool isInput, int index) const;
    const char *getDeviceUID(bool isInput, int index) const;
    bool getDeviceBuiltIn(bool isInput, int index) const;

    // Makes the device the default of its side; the stored index follows on success.
    bool setDefaultDevice(bool isInput, int index);
    // 1 muted, 0 not, -1 when the index is out of range or the server does not answer.
    int getDeviceMute(bool isInput, int index);
    bool setDeviceMute(bool isInput, int index, int mute);
    // Percent 0..100, -1 when the index is out of range or the server does not answer.
    int getDeviceVolume(bool isInput, int index);
    // volume in percent, 0..100; false when out of range or the server refuses.
    bool setDeviceVolume(bool isInput, int index, int volume);

private:
    PulseContext *context() const;
    bool enumerate();
    void releaseList();
    // The server's current state of the listed device; false when gone.
    bool serverDevice(bool isInput, int index, PulseDeviceInfo &out) const;

    PulseContext *m_ctx;
    AudioDeviceList m_list;
    bool m_answered = false;
};
