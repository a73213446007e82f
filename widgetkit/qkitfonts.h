#pragma once
// The kit's fonts on this system: "Tahoma", which the forms name, is not
// installed here and falls back to the system's sans font; the seven-segment
// font comes from the resource folder.

#include <QString>

class QKitFonts
{
public:
    // Registers the "Tahoma" substitution once; safe to call often.
    static void ensureSubstitutions();
    // The family Tahoma resolves to.
    static QString sansFamily();
    // Loads "/Font/LCDFont.ttf" from the resources once; its family, or "" when it cannot load.
    static QString lcdFontFamily();
};
