#pragma once

#include <QStringList>

namespace lmvtool {

// lmvtool report PROJECT_INDEX [--point NAME] [--from T] [--to T] [--raw] [--slope PERMILLE
// [--manning N | --ks MM]] --out FILE.pdf: the survey report of a project or one point.
// Needs a QApplication.
int runReport(const QStringList &args);
// lmvtool export-model PROJECT_INDEX --point NAME --format swmm-series|swmm-rain|swmm-dwf|csv
// [--series flow|level|velocity] [--units LPS|CMS|...] [--gauge NAME] [--step MIN] [--from T]
// [--to T] [--raw] --out FILE: a file a hydraulic model reads.
int runExportModel(const QStringList &args);

} // namespace lmvtool
