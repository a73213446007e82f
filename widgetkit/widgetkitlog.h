#pragma once
// Diagnostics of the widget kit and its views: debug lines are off unless switched on with
// QT_LOGGING_RULES="velmora.widgetkit.debug=true"; warnings always show.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcWidgetKit)
