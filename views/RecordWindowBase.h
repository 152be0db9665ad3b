#pragma once

#include "data/PlotSeries.h"
#include "data/Records.h"
#include "plots/PlotExport.h"
#include "views/ColumnWidths.h"

#include <QStringList>
#include <QVariant>

#include <memory>

class Hydrograph;
class QButtonGroup;
class QLabel;
class QStackedWidget;
class QPushButton;
class QSplitter;
class QTableView;
class QTableWidget;
class QWidget;
class RecordModel;

// The widgets every record window has, and their building.
//
// A record window is an upper panel "测试概述" (InfoTable and SumTable) and a lower panel "测试明细"
// (copy button, RecordTable with the column names, UnitTable with the units and the records) in a
// vertical splitter. The lower panel switches between views of the same records: "明细表" (the
// tables, the default), "过程线" (the hydrograph) and whatever later views add with addLowerView;
// each view has a button in the "测试明细" bar and a page in lowerStack. The four holders derive from this
// class; MainWindow derives from all four, so it names these members qualified (RVA_RecordWindow::SumTable).
// All pointers are non-owning; the widgets belong to the parent given to the build.
class RecordWindowBase
{
public:
    virtual ~RecordWindowBase() = default;

    // Measures the root widget's width and applies the fixed or the following widths.
    void relayoutColumns();
    // The fixed widths (windows up to 915 pixels wide).
    void applyFixedColumnWidths();
    // The widths for a window of the given width (above 915 pixels).
    void applyColumnWidths(int width);

    // Removes every record row; the header labels stay.
    void clearUnitTable();

    // A click on a column name: the name row's header has already moved its sort indicator;
    // sorts the records by that column in the indicator's direction. In the RVA windows the
    // hidden last column (serial number) sorts by time instead.
    void sortFromNameClick(int column);
    // The column names as the name row shows them.
    QStringList columnNames() const;
    // The window's records as clipboard text, in the shown order and units.
    QString clipboardText() const;

    // Adds a view to the lower panel: a checkable button with the text in the "测试明细" bar and
    // the page in lowerStack (the page is reparented). Returns the view's index.
    int addLowerView(const QString &buttonText, QWidget *page);
    // Shows lower view `index` (0 the tables, 1 the hydrograph) and checks its button.
    void showLowerView(int index);
    // Index of the shown lower view.
    int lowerViewIndex() const;
    // Shows the tables with the row of a record (file order index) selected and scrolled into
    // view, wherever sorting has put it. Every view's double-click on a record ends here.
    void showRecordRow(int recordIndex);

    // The records as plot series (times, values in the shown units); empty without records.
    virtual std::shared_ptr<const lmv::PlotData> plotData() const = 0;
    // Redraws the hydrograph from the records if they or their shown values changed since it
    // last drew (done at once while the hydrograph is shown, else when it is shown next).
    void refreshHydrograph();

    // The name of the shown file, for the title block of pictures and prints ("" when unknown).
    void setShownFileName(const QString &name);
    // What pictures of this window's plots say about the survey.
    const plotexport::PictureSubject &pictureSubject() const { return m_subject; }

    RecordWindowKind windowKind = RecordWindowKind::RvaLocal;

    // What the shell puts into its splitter: a widget with a layout around the splitter in the
    // local windows, the splitter itself in the device windows.
    QWidget *root = nullptr;
    QSplitter *splitter = nullptr;
    QWidget *topPanel = nullptr;
    QWidget *bottomPanel = nullptr;
    QLabel *overviewLabel = nullptr;
    QWidget *detailBar = nullptr;
    QLabel *detailLabel = nullptr;
    QPushButton *CopyRecordBtn = nullptr;
    QTableWidget *InfoTable = nullptr;
    QTableWidget *SumTable = nullptr;
    QTableWidget *RecordTable = nullptr;  // header only: the column names and the sort indicator
    QTableView *UnitTable = nullptr;      // unit header and records, over the window's record model
    QStackedWidget *lowerStack = nullptr; // the lower views' pages; page 0 holds the two tables
    QButtonGroup *lowerButtons = nullptr; // their buttons, id = page index
    QPushButton *TableViewBtn = nullptr;  // "明细表"
    QPushButton *HydroViewBtn = nullptr;  // "过程线"
    Hydrograph *hydrograph = nullptr;     // page 1

protected:
    // Builds the panels, the fixed texts and styles and the initial widths; the model becomes a
    // child of UnitTable. The SumTable is created here with sumRows × sumColumns cells and no
    // items; the family-specific holder sets its texts.
    void buildRecordWindow(QWidget *parent, RecordWindowKind kind, RecordModel *model,
                           const QStringList &columnNames, const QStringList &unitLabels, int sumRows,
                           int sumColumns);
    // Empties InfoTable column 1 and removes every record row, with unitLabels back in the unit
    // header.
    void clearInfoAndRecords(const QStringList &unitLabels);
    // Applies widths to the tables; used by the two width operations.
    void applyWidths(const ColumnWidths &widths);

    // Project, point and pipe of the pictures from a file's point record (empty: nothing shown);
    // the file name stays until setShownFileName or a clear.
    void setPictureSubject(const lmv::PipeSaveIntoTfType &point, bool withPipe);
    // Hands the subject to the plots; the RVA windows add the scattergraph.
    virtual void applyPictureSubject();
    // Called after the hydrograph drew new data or values (what it draws over them follows).
    virtual void hydrographRedrawn() {}

    RecordModel *recordModel = nullptr;
    plotexport::PictureSubject m_subject;

private:
    enum class PlotState
    {
        Current,
        ValuesChanged, // same records, other units or corrections
        RecordsChanged
    };
    void markPlotStale(PlotState state);
    PlotState plotState = PlotState::Current;
    bool plotRefreshQueued = false;
};

// Puts a centred item into every cell of a table widget.
void fillWithCentredItems(QTableWidget *table);
// Sets the text of an existing cell item (creating it centred when missing).
void setCellText(QTableWidget *table, int row, int column, const QString &text);
// Sets a cell to a number value, shown in the toolkit's default number form.
void setCellNumber(QTableWidget *table, int row, int column, const QVariant &value);
// Text of a cell, empty for a missing item.
QString cellText(const QTableWidget *table, int row, int column);
// A cell read as a number; a cell that does not read as a number counts as 0.
float cellNumber(const QTableWidget *table, int row, int column);
// InfoTable column 1 from a file's header (device number, project/point, content, pipe);
// row 4 is left to the family's fill. Does nothing without a table.
void fillInfo(QTableWidget *infoTable, const lmv::PipeSaveIntoTfType &point, const lmv::DeviceInfo &device,
              const QString &content);
