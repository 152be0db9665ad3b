#pragma once

// The survey report of a project or of one point over a period, assembled from the point's
// survey, its rain gauge, its dry-weather flow, its storms and their inflow, its visits and its
// edits, and written as a PDF through ReportDocument: a cover, then per point the sections
// "测点概况" (site sheet and visits), "逐日流量表" (daily table with weekly and whole-period
// totals), "过程线" (a page per week under the hyetograph, the dry-weather profile dashed),
// "散点图" (with the pipe curve and the fit), "降雨与暴雨事件" (storms with their inflow),
// "旱季流量" (figures and profiles) and "数据质量" (coverage, findings, edits with reasons).
//
// Needs a QApplication (the scattergraph is drawn by its widget) and runs in its thread; the
// progress callback may process events so a cancel button can be pressed.

#include "plots/ScatterPanel.h"
#include "report/ReportDocument.h"
#include "survey/PointSurvey.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

namespace lmv::report {


struct SurveyReportRequest
{
    QString indexPath; // .lmvprj or .lmvpos
    // The project's points and files when already known (opened: used instead of the index).
    survey::ProjectFiles project;
    QStringList points;          // empty: every point of the index
    survey::SurveyPeriod period; // unset ends: each point's own first and last record
    survey::LayerChoice layer = survey::LayerChoice::Edited;
    QString version; // the program's version on the cover
    QDateTime made;  // the report's date; invalid: now
    // The pipe curve's input of a point (slope, law, roughness); unset: no pipe curve drawn.
    std::function<CurveInput(const QString &point)> curveInput;
};

struct SurveyReportCallbacks
{
    // Told as the work goes on: per cent done (0..100) and what is being done.
    std::function<void(int percent, const QString &stage)> progress;
    // Asked between steps; true stops the run and no file is left.
    std::function<bool()> cancelled;
};

struct SurveyReportResult
{
    WriteOutcome outcome = WriteOutcome::Failed;
    int pages = 0;
    QString error;     // one line when Failed
    QStringList notes; // what could not be shown and why (points without records, gauges)
};

// Reads the points and writes the report to path.
SurveyReportResult writeSurveyReport(const SurveyReportRequest &request, const QString &path,
                                     const SurveyReportCallbacks &callbacks = {});

} // namespace lmv::report
