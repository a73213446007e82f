#pragma once
// Small static helpers of the dialogs: resource folder, size texts, doubles.

#include <QString>

class QVeAnyUtiliy
{
public:
    // The program's resource folder (no trailing "/").
    static QString getResourcePath();
    // "1023 B", "1.00 KB", "1.00 MB", "1.00 GB", "1.00 T": steps of 1024.
    static QString converSize(quint64 bytes);
    // Qt scales by itself; both kept for callers that ask.
    static float getDpiScale() { return 1.0f; }
    static void QDpiScaleInit() {}
    static bool equalDouble(double a, double b) { return a - b > -1e-6 && a - b < 1e-6; }
};
