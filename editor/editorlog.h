#pragma once
// Diagnostics of the recording editor: debug lines are off unless switched on with
// QT_LOGGING_RULES="velmora.editor.debug=true"; warnings always show.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcEditor)
