#pragma once

// What the plots draw of a survey: the joined layer's records as hydrograph series, the places
// where one file's records give way to another's, and which pipe each record was measured with.
// Record i of every result is record i of the layer, so a double-click on a plot names a layer
// record and through it that record's own file.

#include "data/PlotSeries.h"
#include "data/Statistics.h"
#include "survey/SurveyLayer.h"

#include <QStringList>
#include <QVector>

#include <memory>
#include <vector>

namespace lmv {

// The layer as hydrograph series. RVA: level, velocity, flow and temperature as the record
// tables show them (three decimals, temperature two), each record with its own file's velocity
// and flow corrections, in the shown units (factors per m, m/s, L/s; unitLabels as RvaUnitLabels);
// RVB: the channels named by the first file's model, supply voltage and CSQ. Records flagged
// removed are NaN (the lines break there). Nominal step and gaps are the layer's.
std::shared_ptr<PlotData> surveyLayerPlotData(const survey::SurveyLayer &layer, const UnitFactors &factors,
                                              const QStringList &unitLabels);

// Times of the first record of every file after the first, where the layer passes from one
// file's records to another's (in time order; a file that takes over again counts again).
QVector<qint64> fileBoundaries(const survey::SurveyLayer &layer);

// The layer's records by the pipe their file gives: group[i] is the index into pipes of record
// i. Both are empty when every file has the same pipe (nothing to tell apart) or for RVB.
struct PipeGroups
{
    std::vector<quint8> group;
    QVector<PipeSaveIntoTfType> pipes; // in order of first use
};
PipeGroups pipeGroups(const survey::SurveyLayer &layer);

} // namespace lmv
