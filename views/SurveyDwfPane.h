#pragma once

// The survey window's "旱季流量" page: the weekday and weekend profiles of flow (over the dry
// days' traces in grey), level and velocity; the figures (ADWF, MNF, peak factor, groundwater
// infiltration and base sanitary flow); the days of the survey with why each is or is not dry
// (ticked by hand when the point has no gauge); the point's settings; and the inflow of every
// storm with a summary. The hydrograph of the window gets the profile dashed under the flow and
// each storm's inflow shaded (switched on the page).
//
// Everything is worked out by survey/PointDwf over the layer the window's views read; settings
// and ticked days are stored per point in the project database, each change one transaction.

#include "plots/DwfOverlay.h"
#include "survey/PointDwf.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTabBar;
class QTableWidget;
class QwtPlot;
class SurveyWindow;

class SurveyDwfPane : public QWidget
{
    Q_OBJECT

public:
    // Adds itself to the window as a page and follows its survey.
    explicit SurveyDwfPane(SurveyWindow *window);
    ~SurveyDwfPane() override;

    int page() const { return m_page; }
    // Works everything out again from the window's survey and the stored settings.
    void refresh();
    const lmv::survey::PointDwf &result() const { return m_result; }
    const lmv::survey::PointDwfSettings &settings() const { return m_settings; }
    const DwfOverlay &overlay() const { return m_overlay; }

    QTabBar *quantityTabs = nullptr; // 流量, 液位, 流速
    QwtPlot *profilePlot = nullptr;
    QLabel *figuresLabel = nullptr;
    QListWidget *daysList = nullptr;
    QTableWidget *eventsTable = nullptr;
    QLabel *eventsSummary = nullptr;
    QCheckBox *showOnHydrograph = nullptr;
    QDoubleSpinBox *antecedentEdit = nullptr;
    QDoubleSpinBox *maxRainEdit = nullptr;
    QDoubleSpinBox *coverageEdit = nullptr;
    QDoubleSpinBox *fenceEdit = nullptr;
    QDoubleSpinBox *areaEdit = nullptr;
    QDoubleSpinBox *responseEdit = nullptr;
    QLineEdit *holidaysEdit = nullptr; // "yyyy-MM-dd, ..."
    QPushButton *applyButton = nullptr;
    QPushButton *exportButton = nullptr; // the figures, profiles, days and storms as CSV
    QLabel *statusLabel = nullptr;

    // Where "导出 CSV" writes (a file dialog unless replaced); empty: nothing is written.
    std::function<QString(QWidget *parent)> chooseExportPath;

signals:
    // The figures were worked out again (tests wait on this).
    void refreshed();

private:
    QWidget *buildLeft();
    QWidget *buildRight();
    void surveyChanged();
    void compute();
    void fillSettings();
    void drawProfiles();
    void fillFigures();
    void fillDays();
    void fillEvents();
    void drawOverlay();
    void applySettings();
    void dayChanged(QListWidgetItem *item);
    void eventActivated(int row);
    bool store(const QString &what);
    void exportCsv();

    SurveyWindow *m_window;
    int m_page = -1;
    lmv::survey::PointDwfSettings m_settings;
    lmv::survey::PointDwf m_result;
    DwfOverlay m_overlay;
    bool m_filling = false;
};
