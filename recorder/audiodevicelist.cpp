#include "recorder/audiodevicelist.h"

const QVector<AudioDeviceInfo> &AudioDeviceList::list(bool isInput) const
{
    return isInput ? m_inputs : m_outputs;
}

int AudioDeviceList::defaultIndex(bool isInput) const
{
    return isInput ? m_defaultInput : m_defaultOutput;
}

int AudioDeviceList::count(bool isInput) const
{
    return list(isInput).size();
}

bool AudioDeviceList::isValid(bool isInput, int index) const
{
    return index >= 0 && index < list(isInput).size();
}

const AudioDeviceInfo *AudioDeviceList::info(bool isInput, int index) const
{
    return isValid(isInput, index) ? &list(isInput)[index] : nullptr;
}

const char *AudioDeviceList::name(bool isInput, int index) const
{
    const AudioDeviceInfo *d = info(isInput, index);
    return d ? d->name.constData() : nullptr;
}

int AudioDeviceList::indexOf(bool isInput, QByteArray AudioDeviceInfo::*field,
                             const QByteArray &value) const
{
    const QVector<AudioDeviceInfo> &devices = list(isInput);
    for (int i = 0; i < devices.size(); ++i) {
        if (devices[i].*field == value)
            return i;
    }
    return -1;
}

int AudioDeviceList::indexOfName(bool isInput, const QByteArray &name) const
{
    return indexOf(isInput, &AudioDeviceInfo::name, name);
}

int AudioDeviceList::indexOfUid(bool isInput, const QByteArray &uid) const
{
    return indexOf(isInput, &AudioDeviceInfo::uid, uid);
}

bool AudioDeviceList::sameDevices(const AudioDeviceList &other) const
{
    if (m_defaultInput != other.m_defaultInput || m_defaultOutput != other.m_defaultOutput)
        return false;
    auto sameIds = [](const QVector<AudioDeviceInfo> &a, const QVector<AudioDeviceInfo> &b) {
        if (a.size() != b.size())
            return false;
        for (int i = 0; i < a.size(); ++i) {
            if (a[i].uid != b[i].uid)
                return false;
        }
        return true;
    };
    return sameIds(m_inputs, other.m_inputs) && sameIds(m_outputs, other.m_outputs);
}

void AudioDeviceList::append(bool isInput, const AudioDeviceInfo &device)
{
    (isInput ? m_inputs : m_outputs).append(device);
}

void AudioDeviceList::setDefaultIndex(bool isInput, int index)
{
    (isInput ? m_defaultInput : m_defaultOutput) = index;
}

void AudioDeviceList::clear()
{
    m_outputs.clear();
    m_inputs.clear();
    m_defaultOutput = 0;
    m_defaultInput = 0;
}
