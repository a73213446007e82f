#pragma once
// Reads a shown window the way a user reads it: every label, button, check
// box and header section whose text does not fit its box (measured with
// QFontMetrics::horizontalAdvance in the widget's own font), reaches past
// what its parents show, or overlaps another text.

#include <QStringList>

class QWidget;

namespace TextAudit {

// One line per fault found, naming the widget and the sizes; empty when
// every text of the window can be read whole.
QStringList faults(QWidget *window);

} // namespace TextAudit
