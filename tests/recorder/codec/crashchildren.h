#pragma once
// Recording processes killed outright: one child per format records a tone
// in real time, all at once, until SIGKILL ends them.

#include "recordformats.h"

#include <QString>
#include <QStringList>
#include <QVector>

// Records tone in each format into `dir` ("killed-<name>.<ext>") until each
// recorder has taken `seconds` of it, and kills the children; with `mark`, each marks its recording as in
// progress first. The paths in format order; empty with *error on failure.
QStringList recordAndKill(const QString &dir, const QVector<RecordFormat> &formats, int seconds,
                          bool mark, QString *error);
