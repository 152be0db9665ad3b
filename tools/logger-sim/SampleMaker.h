#pragma once

#include <QString>

// Writes a sample logger folder (description file and data files) that the simulator
// serves: kind "rva" (portable flowmeter) or "rvb" (integrated monitoring host).
bool makeSample(const QString &kind, const QString &dir, QString *error);
