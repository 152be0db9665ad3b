#pragma once

// The report's hydrograph of a survey: level, velocity and flow over a time range, the gauge's
// rain hanging above them, and the dry-weather profile dashed under the flow.

#include "data/PlotSeries.h"
#include "report/DryWeatherProfiles.h"
#include "survey/RainSeries.h"
#include "survey/SurveyLayer.h"

#include <QFont>
#include <QRectF>

#include <memory>

class QPainter;

namespace lmv::report {

struct SurveyHydrographOptions
{
    qint64 from = 0; // clock seconds, both ends shown
    qint64 to = 0;
    const survey::RainSeries *rain = nullptr; // none: no hyetograph
    DryWeatherProfiles profile;               // empty: no profile line
};

// Level (m), corrected velocity (m/s) and corrected flow (L/s) of the layer's records in
// [from, to] and one record beyond each end; records flagged removed are left out.
std::shared_ptr<PlotData> surveyPlotData(const survey::SurveyLayer &layer, qint64 from, qint64 to);

// Paints the hydrograph page of an RVA layer into rect, its text in font.
void paintSurveyHydrograph(QPainter *painter, const QRectF &rect, const survey::SurveyLayer &layer,
                           const SurveyHydrographOptions &options, const QFont &font);

} // namespace lmv::report
