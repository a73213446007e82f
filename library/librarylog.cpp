#include "library/librarylog.h"

Q_LOGGING_CATEGORY(lcLibrary, "velmora.library", QtInfoMsg)
