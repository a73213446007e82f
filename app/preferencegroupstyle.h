#pragma once
// The look both preference pages give their group boxes.

#include <QList>

class QGroupBox;

namespace PreferenceGroupStyle {

// Light title text, Tahoma 11 px at normal weight, a rounded dark frame.
void apply(const QList<QGroupBox *> &groups);
// The next box below `above`: same edges and height, four free rows between.
void placeBelow(QGroupBox *box, const QGroupBox *above);

} // namespace PreferenceGroupStyle
