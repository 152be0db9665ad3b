#pragma once

// One model file of a point, chosen by format (what lmvtool export-model and the survey window's
// "导出模型数据" share): the point's layer over its period, its gauge (named, else the one its
// figures use) and its dry-weather profiles, written by ModelExport.

#include "report/ModelExport.h"
#include "survey/PointSurvey.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace lmv::survey {
class ProjectDb;
}

namespace lmv::report {

enum class ModelFormat
{
    SwmmSeries, // a time series of flow, level or velocity
    SwmmRain,   // a gauge's rain file
    SwmmDwf,    // [DWF] and [PATTERNS] of the dry-weather profiles
    Csv,        // values at a fixed step with flags
};

// "swmm-series", "swmm-rain", "swmm-dwf", "csv".
QString modelFormatName(ModelFormat format);
std::optional<ModelFormat> modelFormatFromName(const QString &name);
// The file dialog's filter of a format ("SWMM 时间序列 (*.dat)").
QString modelFormatFilter(ModelFormat format);

struct ModelExportChoice
{
    ModelFormat format = ModelFormat::SwmmSeries;
    ModelSeries series = ModelSeries::Flow;
    FlowUnit flowUnit = FlowUnit::Lps;
    qint64 stepSeconds = 0; // rain and CSV; 0: the gauge's interval (rain), 5 min (CSV)
    QString gauge;          // empty: the gauge the point's figures use
};

// The file's bytes; empty with a one-line reason in *error (no records, no gauge, nothing dry).
QByteArray pointModelFile(const survey::PointSurvey &point, const survey::ProjectDb &db,
                          const ModelExportChoice &choice, QString *error);

} // namespace lmv::report
