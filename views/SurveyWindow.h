#pragma once

// The survey of a monitoring point: its files joined into one record over a chosen period, shown
// where the record windows show a file. The upper part lists the files with their periods (and
// those left out, with why), what the join found, and the site visits; the lower part switches
// between views of the joined records: "过程线" (the hydrograph with the file boundaries and the
// visits marked), "散点图" (RVA; records marked by pipe where the pipe changes between files) and
// "数据检查" (findings, daily table with weekly and period totals). Later views come as pages:
// addPage(text, widget) adds a button to the bar and the widget to the stack, and surveyChanged()
// tells them to read content() again.
//
// A double-click on a record in any view asks (recordRequested) for that record's own file in its
// record window.

#include "data/Statistics.h"
#include "survey/SurveyJoin.h"
#include "views/SurveyContent.h"

#include <QSet>
#include <QWidget>

#include <functional>
#include <memory>

class Hydrograph;
class QButtonGroup;
class QDateTimeEdit;
class QLabel;
class QListWidget;
class QPushButton;
class QSplitter;
class QStackedWidget;
class QTableWidget;
class QTabWidget;
class QVBoxLayout;
class Scattergraph;
class SurveyCheckView;
class SurveyRain;
class SurveyEditPane;
class VisitPanel;

namespace lmv::survey {
class ProjectDb;
}

class SurveyWindow : public QWidget
{
    Q_OBJECT

public:
    // The first pages, in the bar's order.
    enum Page
    {
        HydrographPage = 0,
        ScatterPage = 1,
        CheckPage = 2,
    };
    // Kinds of the hydrograph marks this window sets (Hydrograph::setTimeMarks, setPointMarks);
    // later views take numbers above these.
    enum MarkKind
    {
        FileBoundaryMarks = 100,
        VisitLevelMarks = 101,
        VisitVelocityMarks = 102,
    };

    explicit SurveyWindow(QWidget *parent = nullptr);
    ~SurveyWindow() override;

    // Shows a point's survey over a period (the whole survey when unset), its visits from the
    // project database beside the index, and the hydrograph.
    void showSurvey(const lmv::SurveyTarget &target, const lmv::survey::SurveyPeriod &period = {});
    // The same point again over another period; every view follows.
    void setPeriod(const lmv::survey::SurveyPeriod &period);
    // Reads the point's files again (they were rewritten).
    void reload();
    // Shows nothing.
    void clear();
    // The hydrograph over one day (days since 1970-01-01) and that day's row of the daily table.
    void showDay(qint64 day);

    // Adds a page to the lower part: a checkable button with the text in the bar and the widget in
    // the stack (reparented). Returns its index.
    int addPage(const QString &buttonText, QWidget *page);
    // Shows page `index` and checks its button.
    void showPage(int index);
    int pageIndex() const;
    // Hides or shows a page's button (the scattergraph for RVB); a hidden page shown goes to the
    // hydrograph.
    void setPageAvailable(int index, bool available);
    bool pageAvailable(int index) const;

    // How the layer the views read is made from the joined survey (the edited layer, say); then
    // the views are drawn again. Null: the joined layer.
    void setLayerProvider(lmv::SurveyContent::LayerProvider provider);
    // Reads the point's edits again, makes the layer again through the provider and redraws
    // (after edits were stored).
    void refreshLayer();
    // Shows the edited layer (the default) or the raw one in every view.
    void setLayerChoice(lmv::survey::LayerChoice choice);
    const lmv::SurveyContent &content() const { return m_content; }
    // The database of the shown point's project (null without an index file).
    lmv::survey::ProjectDb *database() const { return m_db.get(); }

    // Tells the user something went wrong with the project database (a message box unless
    // replaced); each database's read-only message is told once per run.
    std::function<void(const QString &title, const QString &text)> warn;

    QSplitter *splitter = nullptr;
    QLabel *titleLabel = nullptr;
    QLabel *summaryLabel = nullptr;
    QDateTimeEdit *fromEdit = nullptr;
    QDateTimeEdit *toEdit = nullptr;
    QPushButton *applyPeriodButton = nullptr;
    QPushButton *wholePeriodButton = nullptr;
    QTabWidget *upperTabs = nullptr;
    QTableWidget *filesTable = nullptr; // joined files, then those left out
    QListWidget *notesList = nullptr;   // what the join found
    VisitPanel *visitPanel = nullptr;
    QWidget *pageBar = nullptr;
    QButtonGroup *pageButtons = nullptr; // id = page index
    QStackedWidget *pages = nullptr;
    // Page 0: the hydrograph in a column a view above it may join (a rain pane, say).
    QWidget *hydrographPage = nullptr;
    QVBoxLayout *hydrographLayout = nullptr;
    Hydrograph *hydrograph = nullptr;
    Scattergraph *scattergraph = nullptr;
    SurveyCheckView *checkView = nullptr;
    // The hyetograph above the hydrograph and the "降雨事件" page (SurveyRain.h).
    SurveyRain *rain = nullptr;
    QLabel *statusLabel = nullptr;      // what the last click did
    SurveyEditPane *editPane = nullptr; // the edit history tab and the raw/edited switch

signals:
    // The user asked for a record in its own file: the file's path and the record's index there
    // (-1: a record an edit made; the file is asked for alone).
    void recordRequested(const QString &path, qint64 record);
    // The survey, its period or its layer changed: views read content() again.
    void surveyChanged();

private:
    void buildUpper();
    void buildLower();
    void openDatabase(const QString &indexPath);
    void databaseBecameReadOnly();
    void showContent();
    void fillSummary();
    void fillPeriodEdits();
    void fillFiles();
    void drawHydrograph();
    void drawScatter();
    void drawVisitMarks();
    void layerRecordRequested(qsizetype index);
    void applyPeriodEdits();
    void pageShown(int index);

    lmv::SurveyContent m_content;
    std::unique_ptr<lmv::survey::ProjectDb> m_db;
    QSet<QString> m_warnedDatabases;
    bool m_scatterStale = true;
    lmv::UnitFactors m_factors;
};
