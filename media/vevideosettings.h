#pragma once
// Picture parts of the edit record: crop, rotation, pad fill and adjustments.

#include <QMetaType>

#include <cstdint>

enum PanScanMode : uint32_t {
    PanScanNone = 0,
    PanScanFit = 1,
    PanScanPanScan = 2, // no pad fill; aspect terms swapped when rotated sideways
};

struct VECropSettings {
    uint32_t panScanMode = PanScanNone;
    uint32_t sizeMode = 0; // 1: with pad fill, fit the output size, second rectangle
    uint32_t aspectWidth = 0;
    uint32_t aspectHeight = 0;
    int32_t rotation = 0; // degrees
    uint32_t mirror = 0;
    uint32_t pad = 1;
    uint32_t padColor = 0xFF000000u; // ARGB
    double cropLeft = 0, cropTop = 0, cropRight = 1.0, cropBottom = 1.0;
    double fitLeft = 0, fitTop = 0, fitRight = 1.0, fitBottom = 1.0;

    VECropSettings();
};

struct VEVideoEffectSettings {
    int32_t brightness = 0;
    int32_t sharpness = 0; // kept and copied; nothing reads it
    int32_t saturation = 100;
    int32_t contrast = 100;
    int32_t hue = 0;
};

Q_DECLARE_METATYPE(VECropSettings)
