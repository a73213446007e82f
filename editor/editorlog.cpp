#include "editor/editorlog.h"

Q_LOGGING_CATEGORY(lcEditor, "velmora.editor", QtInfoMsg)
