#pragma once
// Small interface helpers of the media widgets: scale factor and size texts.

#include <QString>

class QFontMetrics;

class QUiAnyUtiliy
{
public:
    // Qt scales by itself; kept for start-up code that calls it.
    static void QDpiScaleInit();
    static float getDpiScale();
    // "0 B", "1.50 KB", "1.00 MB", "1.00 GB", "1.00 T": steps of 1024.
    static QString converSize(unsigned long long bytes);
    // The program's resource folder, without a trailing "/".
    static QString getResourcePath();
    // A recording's name fitted to a width: the "_Trim_001" or "_Edit_001"
    // end that tells an edited copy apart stays whole, other names lose
    // their middle.
    static QString elideName(const QFontMetrics &fm, const QString &name, int width);
};
