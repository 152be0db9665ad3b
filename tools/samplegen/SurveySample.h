#pragma once

// The survey sample of the project store: the monitoring point 人民路5号井 (a DN800 sewer)
// watched for eight weeks at 2 minutes, read every week into its own file (one download
// overlapping the one before, one flat battery leaving a hole), and the rain gauge beside the
// project index with the storms of those weeks and some minor rain.

#include "data/StoreTree.h"
#include "tools/samplegen/SyntheticSurvey.h"

#include <QString>

namespace lmv::samplegen {

// The survey as made up: flows, storms and unit hydrographs (catchment 120 ha, R = 0.12).
SyntheticSpec surveySampleSpec();
// The point with its weekly files, checked, for the project's index files.
StorePointNode surveySamplePoint();
// Writes the weekly files below storeRoot + project + "/人民路5号井/" (through a cache folder below
// cacheRoot, finished as a download), the rain gauge file beside the project index, and that gauge
// imported into the project database "<project>.lmvdb" and assigned to the point. False (after a
// message on stderr) on failure.
bool writeSurveySample(const QString &storeRoot, const QString &project, const QString &cacheRoot);

} // namespace lmv::samplegen
