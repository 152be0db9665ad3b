#pragma once

#include "data/DataFile.h"
#include "views/RecordWindowBase.h"
#include "views/RvbRecordModel.h"

#include <vector>

// What the two RVB record windows share: the 4 × 6 channel statistics grid, the 35-column detail
// table over an RvbRecordModel, showing a file and clearing.
class RvbWindowBase : public RecordWindowBase
{
public:
    // Shows a decoded file: clears the window, sets the model's channel names and units, fills
    // the records in file order, the channel statistics and the sample count.
    void showRvbFile(const lmv::DataFileHeader &header, std::vector<lmv::RvbRecord> records);
    // Resets the window to its empty state.
    void clearRvbWindow();

    // The six channels of the model, supply voltage and CSQ.
    std::shared_ptr<const lmv::PlotData> plotData() const override;

    // The detail table's model (owned by UnitTable).
    RvbRecordModel *UnitModel = nullptr;

protected:
    void buildRvbWindow(QWidget *parent, RecordWindowKind kind);

    int modelCode = 0; // of the shown file: the channels' names and units
};

// Sets the channel names and units of a model code into the name row, the unit row and the
// statistics grid; a code missing from the model table leaves them unchanged.
void fillRvbHeaders(int modelCode, RvbRecordModel *unitModel, QTableWidget *recordTable,
                    QTableWidget *sumTable);
