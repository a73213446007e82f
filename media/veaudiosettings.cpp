#include "media/veaudiosettings.h"

#include <algorithm>

VEEqualizeSettings::VEEqualizeSettings(const VEEqualizeSettings &other)
{
    set(other.bands, other.gains, other.count);
}

VEEqualizeSettings &VEEqualizeSettings::operator=(const VEEqualizeSettings &other)
{
    if (this != &other)
        set(other.bands, other.gains, other.count);
    return *this;
}

VEEqualizeSettings::~VEEqualizeSettings()
{
    clear();
}

void VEEqualizeSettings::set(const double *bandValues, const double *gainValues, int n)
{
    // Copy first: the source may be our own arrays.
    double *newBands = nullptr;
    double *newGains = nullptr;
    if (n > 0) {
        newBands = new double[n]();
        newGains = new double[n]();
        if (bandValues)
            std::copy(bandValues, bandValues + n, newBands);
        if (gainValues)
            std::copy(gainValues, gainValues + n, newGains);
    }
    clear();
    bands = newBands;
    gains = newGains;
    count = n > 0 ? n : 0;
}

void VEEqualizeSettings::clear()
{
    delete[] bands;
    delete[] gains;
    bands = nullptr;
    gains = nullptr;
    count = 0;
}

void VEAudioSettings::reset()
{
    static_cast<VEAudioEffectSetting &>(*this) = VEAudioEffectSetting();
    clear();
    effectIndex = 0;
}
