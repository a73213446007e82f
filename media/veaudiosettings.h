#pragma once
// Sound settings of the edit record: volume, speed, rate and the equaliser.

#include <cstdint>

// Percentages, 100 = unchanged.
struct VEAudioEffectSetting {
    uint32_t volume = 100;
    uint32_t speed = 100;
    uint32_t rate = 100;
};

// Two arrays of `count` doubles (band frequencies and gains), owned here;
// both null when count is 0. Copies are deep.
class VEEqualizeSettings
{
public:
    VEEqualizeSettings() = default;
    VEEqualizeSettings(const VEEqualizeSettings &other);
    VEEqualizeSettings &operator=(const VEEqualizeSettings &other);
    ~VEEqualizeSettings();

    // Replaces both arrays with copies of `n` values each (n <= 0 clears).
    void set(const double *bandValues, const double *gainValues, int n);
    void clear();

    double *bands = nullptr;
    double *gains = nullptr;
    int32_t count = 0;
};

struct VEAudioSettings : VEAudioEffectSetting, VEEqualizeSettings {
    int32_t effectIndex = 0; // row of the chosen sound-effect preset
    void reset();
};
