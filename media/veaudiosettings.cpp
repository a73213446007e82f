#include "media/veaudiosettings.h"

#include <algorithm>
#include <cmath>

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
    n = std::min(n, kMaxBands);
    if (n > 0) {
        newBands = new double[n]();
        newGains = new double[n]();
        for (int i = 0; i < n; ++i) {
            if (bandValues && std::isfinite(bandValues[i]))
                newBands[i] = bandValues[i];
            if (gainValues && std::isfinite(gainValues[i]))
                newGains[i] = std::clamp(gainValues[i], -kMaxGainDb, kMaxGainDb);
        }
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
