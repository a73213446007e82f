#pragma once
// A reading of the sound devices: the inputs and the outputs, each in the
// server's order with the index of the default device, and each device's
// volume and mute state at that moment. A plain value: the device model
// keeps one, and the GUI thread is handed copies.

#include <QByteArray>
#include <QMetaType>
#include <QVector>

struct AudioDeviceInfo
{
    QByteArray name;       // what the user sees, UTF-8
    QByteArray uid;        // the sound server's unique name of the device
    quint32 deviceId = 0;  // the server's index of the device
    bool builtIn = false;  // part of the computer rather than plugged in
    int volume = -1;       // percent 0..100, -1 unknown
    int mute = -1;         // 1 muted, 0 not, -1 unknown
};

class AudioDeviceList
{
public:
    int defaultIndex(bool isInput) const;
    int count(bool isInput) const;
    bool isValid(bool isInput, int index) const;
    // Null when the index is out of range.
    const AudioDeviceInfo *info(bool isInput, int index) const;
    const char *name(bool isInput, int index) const;
    // The first device with exactly that name or unique id; -1 when none.
    int indexOfName(bool isInput, const QByteArray &name) const;
    int indexOfUid(bool isInput, const QByteArray &uid) const;
    // The same defaults and the same devices, by unique id, in the same order.
    bool sameDevices(const AudioDeviceList &other) const;

    void append(bool isInput, const AudioDeviceInfo &device);
    void setDefaultIndex(bool isInput, int index);
    void clear();

private:
    const QVector<AudioDeviceInfo> &list(bool isInput) const;
    int indexOf(bool isInput, QByteArray AudioDeviceInfo::*field, const QByteArray &value) const;

    int m_defaultOutput = 0;
    int m_defaultInput = 0;
    QVector<AudioDeviceInfo> m_outputs;
    QVector<AudioDeviceInfo> m_inputs;
};

Q_DECLARE_METATYPE(AudioDeviceList)
