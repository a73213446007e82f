#pragma once
// One watermark of the edit record: a text part and an image part.

#include <QMetaType>

#include <cstdint>
#include <string>

struct VEWatermarkTextSettings {
    std::string text; // empty = no text watermark
    uint32_t textAlpha = 255;
    int32_t textAngle = 0;
    uint32_t textScaleX = 100, textScaleY = 100;
    double textPosX = 0, textPosY = 0;
    uint32_t textBorder = 1;
    uint32_t textLayerTopmost = 1;
    std::string textFont; // a leading "@" is dropped before use
    uint32_t textSize = 28;
    uint32_t textBold = 0, textItalic = 0, textUnderline = 0, textStrikeout = 0;
    uint32_t textColor = 0xFFFFFFFFu;
    uint32_t textShadowColor = 0x80000000u;
    uint32_t textOutlineColor = 0xFF000000u;
    double textShadowOffset = 0.5;
    double textOutlineSize = 1.0;
    uint64_t textShowStart = 0, textShowEnd = 0;
    double textWidth = 0, textHeight = 0; // drawn size, read back from the preview
    double textSpacingH = 0, textSpacingV = 0;
};

struct VEWatermarkImageSettings {
    std::string imageFile; // empty = no image watermark
    uint32_t imageLoop = 1;
    int32_t imageAngle = 0;
    uint32_t imageAlpha = 255;
    uint32_t imageScaleX = 100, imageScaleY = 100;
    double imagePosX = 0, imagePosY = 0;
    uint32_t imageBorder = 1;
    std::string imageMaskFile;
    uint32_t imageMirror = 0;
    uint32_t imageMixMode = 0;
    uint64_t imageShowStart = 0, imageShowEnd = 0;
    uint64_t imageSplitStart = 0, imageSplitEnd = 0;
    double imageCropLeft = 0, imageCropTop = 0, imageCropRight = 1.0, imageCropBottom = 1.0;
    double imageWidth = 0, imageHeight = 0;
    double imageShownWidth = 0, imageShownHeight = 0; // drawn size, read back from the preview
};

struct VEWatermarkSettings : VEWatermarkTextSettings, VEWatermarkImageSettings {
    VEWatermarkSettings();
};

// Drops the leading "@" of a vertical-font name, as the codec layer wants it.
std::string watermarkFontName(const std::string &font);

Q_DECLARE_METATYPE(VEWatermarkSettings)
