#pragma once
// Sound settings of the edit record: volume, speed, rate and the equaliser.

#include <cstdint>

// Percentages, 100 = unchanged.
struct VEAudioEffectSetting {
    // The rates a preset may ask for.
    static constexpr int kMinRate = 25;
    static constexpr int kMaxRate = 400;

    uint32_t volume = 100;
    uint32_t speed = 100;
    uint32_t rate = 100;
};

// Two arrays of `count` doubles (band frequencies and gains), owned here;
// both null when count is 0. Copies are deep.
class VEEqualizeSettings
{
public:
    // The equaliser has ten band sliders of -10 dB to +10 dB; more bands
    // would only cost filters, other gains would never show on a slider.
    static constexpr int kMaxBands = 10;
    static constexpr double kMaxGainDb = 10.0;

    VEEqualizeSettings() = default;
    VEEqualizeSettings(const VEEqualizeSettings &other);
    VEEqualizeSettings &operator=(const VEEqualizeSettings &other);
    ~VEEqualizeSettings();

    // Replaces both arrays with copies of `n` values each (n <= 0 clears),
    // at most kMaxBands of them; a gain that is no finite number becomes
    // 0 dB, the others are clamped to +-kMaxGainDb; a frequency that is no
    // finite number becomes 0 (a band the filters skip).
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
