#pragma once
// Animations that close a window: a 400 ms fade, or a fold to its middle line.

class QWidget;

class QDialogColseAnimation
{
public:
    static void ColseTransparentAnimation(QWidget &window);
    static void startCloseGeometryAnimation(QWidget &window);
};
