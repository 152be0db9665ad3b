#include "plots/HydrographPicture.h"

#include "plots/Hydrograph.h"

bool writeHydrographPicture(std::shared_ptr<const lmv::PlotData> data, const QString &path,
                            const HydrographPicture &picture, QString *error)
{
    if (!data || data->empty() || data->series.empty()) {
        if (error)
            *error = QStringLiteral("没有记录可画");
        return false;
    }
    Hydrograph hydrograph(Hydrograph::kBare, nullptr);
    hydrograph.resize(picture.size);
    hydrograph.setPictureSubject(picture.subject);
    hydrograph.setLevelLines(picture.levelLines);
    hydrograph.setData(data);
    if (picture.from || picture.to)
        hydrograph.setTimeRange(picture.from.value_or(double(data->times.front())),
                                picture.to.value_or(double(data->times.back())));
    if (picture.valueAxis)
        hydrograph.fixValueAxis(0, picture.valueAxis->first, picture.valueAxis->second);
    return hydrograph.exportImage(path, picture.size, error);
}
