#pragma once

#include "data/SurveyCheck.h"

#include <functional>

class RecordWindowBase;
class SurveyCheckView;

// Adds the lower view "数据检查" to a record window and ties it to the window's records and
// hydrograph: the check is computed (once per change of the records or their corrections) when
// the view is seen; the hydrograph shades the surcharge periods; a click on a
// finding moves the hydrograph to it and marks it, a double-click shows the record's table row.
// Returns the view (owned by the window's lower panel).
// `surcharge` gives the surcharge findings alone, cheaper than the whole check: the hydrograph
// shades from it while the check has not been asked for.
SurveyCheckView *attachSurveyCheck(RecordWindowBase &window, std::function<lmv::SurveyCheck()> source,
                                   std::function<QVector<lmv::Finding>()> surcharge);

// The time range the hydrograph shows for a finding from start to end: centred on the start,
// wide enough for three times the finding, forty intervals or an hour, whichever is most.
QPair<qint64, qint64> findingViewRange(qint64 start, qint64 end, qint64 intervalSeconds);
