#pragma once

// A hydrograph drawn straight into a picture file, without a window on screen: what
// `lmvtool plot` writes, through the same panes and export as the window's "导出图片".

#include "data/PlotSeries.h"
#include "plots/Hydrograph.h"
#include "plots/PlotExport.h"

#include <QSize>
#include <QString>

#include <memory>
#include <optional>

struct HydrographPicture
{
    QSize size{1600, 900};
    std::optional<double> from;                         // clock seconds; unset: the file's first record
    std::optional<double> to;                           // unset: the file's last record
    std::optional<std::pair<double, double>> valueAxis; // fixed value axis of the first pane
    plotexport::PictureSubject subject;                 // for the title block
    QVector<LevelLine> levelLines;                      // across the level pane
};

// Writes the series of data as a hydrograph to path (.png, .svg or .pdf). False with a one-line
// reason in *error.
bool writeHydrographPicture(std::shared_ptr<const lmv::PlotData> data, const QString &path,
                            const HydrographPicture &picture, QString *error);
