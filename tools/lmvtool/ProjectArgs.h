#pragma once

// What the commands over a project index share: its arguments read, the index opened, the
// point named, and output written.

#include "survey/ProjectFiles.h"
#include "tools/lmvtool/ToolCommands.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

namespace lmvtool {

// Writes text to stdout as UTF-8.
void printOut(const QString &text);
// Writes a JSON object to stdout on one line.
void printJson(const QJsonObject &o);
// A number, or null when there is none or it is no finite number.
QJsonValue orNull(const std::optional<double> &v);

// --name as a clock time "YYYY-MM-DD hh:mm:ss", or a date alone (its first second, or with
// endOfDay its last), in clock seconds; out untouched when the option is absent. False after an
// error line.
bool takeClock(const Options &o, const QString &name, bool endOfDay, std::optional<qint64> &out);
// --name as a number; false after an error line when missing or no finite number.
bool takeNumber(const Options &o, const QString &name, double &out);
// The same for an option that may be left out (out then untouched).
bool takeOptionalNumber(const Options &o, const QString &name, double &out);

// The one PROJECT_INDEX of a command, read; false after an error line.
bool openProject(const Options &o, const QString &command, lmv::survey::ProjectFiles &project);
// The point --point names; nullptr after an error line.
const lmv::survey::PointFiles *namedPoint(const lmv::survey::ProjectFiles &project, const Options &o);

} // namespace lmvtool
