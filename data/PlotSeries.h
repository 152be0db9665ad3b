#pragma once

// The series a hydrograph draws: record times on the logger's clock and one value list per
// quantity, in the units and with the corrections the detail table shows.

#include "data/LargeAllocator.h"
#include "data/PlotReduce.h"
#include "data/Records.h"
#include "data/Statistics.h"
#include "data/TimeSteps.h"

#include <QString>
#include <QVector>

#include <span>
#include <vector>

namespace lmv {

// The gaps of a data set as time ranges.
QVector<TimeSpan> gapSpans(const QVector<TimeGap> &gaps);

// One quantity over the records, in file order.
struct PlotSeries
{
    QString key;   // command-line name: level, velocity, flow, temperature, channel1..6, voltage, csq
    QString title; // axis title, "液位(m)"
    ValueList values;
    // Block summaries of values, filled by the builders below (rvaPlotData, rvbPlotData,
    // updateRvaSeries); empty for a series filled otherwise, whose users summarise it themselves.
    ValueBlocks blocks;
};

// Everything a hydrograph of one file needs.
struct PlotData
{
    TimeList times; // clock seconds of every record, file order
    // RVA: one flag per record, 0 where its time names no moment (isPossibleTime) and is drawn
    // where clockSeconds carries it; empty when every time is possible.
    std::vector<std::uint8_t> possible;
    qint64 nominal = 0;    // nominal step; 0 when the file has fewer than two distinct times
    QVector<TimeGap> gaps; // steps longer than twice the nominal step
    std::vector<PlotSeries> series;
    // Shown flow units per L/s (RVA); 0 when the data has no flow series.
    float flowFactor = 0.0f;
    // Shown level units per m (RVA); 0 when the data has no level series.
    float levelFactor = 0.0f;

    // The flow series, or nullptr.
    const PlotSeries *flow() const;

    bool empty() const { return times.empty(); }
};

// Keys of the series of each family, in the order of the panes.
QStringList rvaSeriesKeys();
QStringList rvbSeriesKeys();

// "液位(m)": a name with its unit in brackets; the name alone for an empty unit or "-".
QString axisTitle(const QString &name, const QString &unit);

// Makes the four RVA series (level, velocity, flow, temperature), empty, with their keys and
// their titles in the shown units (entries 2, 4 and 6 of the RVA unit row).
void nameRvaSeries(PlotData &data, const QStringList &unitLabels);

// Level, velocity, flow and temperature as the table shows them (unit labels for the titles are
// the shown units, entries 2, 4 and 6 of the RVA unit row).
PlotData rvaPlotData(const std::vector<RvaRecord> &records, quint32 recordIntervalSeconds,
                     const CalcParams &corrections, const UnitFactors &factors,
                     const QStringList &unitLabels);
// Refills only the values of an RVA data set after a unit or correction change.
void updateRvaSeries(PlotData &data, const std::vector<RvaRecord> &records, const CalcParams &corrections,
                     const UnitFactors &factors, const QStringList &unitLabels);

// The six channels of the model, supply voltage and signal quality.
PlotData rvbPlotData(const std::vector<RvbRecord> &records, int modelCode);

// Keeps the series whose keys are listed, in the listed order; false (data unchanged) when a
// key names no series, with the unknown key in *unknown.
bool selectSeries(PlotData &data, const QStringList &keys, QString *unknown = nullptr);

// Index of the record nearest to a time (the earlier one on a tie); -1 without records.
// Times must be in ascending order for the search; a file with steps backwards still gets
// an index, just not necessarily the nearest.
qsizetype nearestRecord(std::span<const qint64> times, double seconds);

} // namespace lmv
