#pragma once

#include "data/SurveyCheck.h"

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
class QTableView;
class QTableWidget;

// The lower-panel view "数据检查" of a record window: a summary line, the findings list and, for
// RVA files, the daily table with the file's total; "导出" writes both as CSV.
//
// The check is computed from a source the window gives (its records as they are shown) when the
// view becomes visible after the records changed, so a hidden view costs nothing.
// A row of the daily table that sums days: a week's or the whole period's.
struct CheckTotalRow
{
    QString label;
    lmv::DayVolume total;
    qsizetype days = 1; // days summed, for the coverage
    int afterDay = -1;  // shown after the row of this day (index into the days); -1: last
};

class SurveyCheckView : public QWidget
{
    Q_OBJECT

public:
    explicit SurveyCheckView(QWidget *parent = nullptr);

    // Where the check comes from; called when the view is shown after markStale().
    void setSource(std::function<lmv::SurveyCheck()> source);
    // The records changed: the next showing (or now, when visible) computes the check again.
    void markStale();
    // Computes the check from the source and shows it.
    void refresh();
    // Shows a check computed elsewhere.
    void showCheck(const lmv::SurveyCheck &check);
    // Shows the check of a survey: its findings, a daily table of the given days (every calendar
    // day of the period) with the total rows among them. RVB days show records and coverage
    // without flows. The export writes the check with these days and its total. Nothing is recomputed on
    // showing until setSource() or markStale() asks for it.
    void showSurveyCheck(lmv::SurveyCheck check, const QVector<lmv::DayVolume> &days,
                         const QVector<CheckTotalRow> &totals);
    // The check shown.
    const lmv::SurveyCheck &check() const;

    // Asks where to write the CSV; empty means cancelled. A file dialog unless replaced (tests).
    std::function<QString(QWidget *parent)> chooseExportPath;

    QLabel *summaryLabel = nullptr;
    QTableView *findingsTable = nullptr; // over the findings, read when drawn
    QTableWidget *daysTable = nullptr;
    QPushButton *exportButton = nullptr;
    QLabel *statusLabel = nullptr; // what the last export or finding click did

signals:
    // A finding was clicked: the time range to move the hydrograph to (clock seconds).
    void findingSelected(qint64 start, qint64 end);
    // A finding was double-clicked: its first record (file order) should be shown in the table.
    void recordRequested(int recordIndex);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void fillDays();
    void fitFindingColumns();
    void exportCsv();

    std::function<lmv::SurveyCheck()> m_source;
    class FindingsModel *m_findings = nullptr;
    bool m_stale = true;
};

// The summary line of a check ("记录 556 条 记录间隔 300s 数据缺失 1 处 ...").
QString surveyCheckSummary(const lmv::SurveyCheck &check);
