#pragma once
// The image watermark of a recording, stored under "WaterMark_Item".

#include <string>

struct WatermarkImageSettings
{
    std::string imagePath;   // UTF-8
    int loop = 0;
    int angle = 0;
    int alpha = 0;
    double scaleX = 0.0;
    double scaleY = 0.0;
    int posX = 0;
    int posY = 0;
    int border = 0;
    int marginV = 0;
    int marginH = 0;
    unsigned int align = 0;
};
