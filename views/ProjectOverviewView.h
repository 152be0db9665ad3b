#pragma once

// A project at a glance: its monitoring points × the days of the survey. Each cell is the day's
// volume (RVA, m³ with one decimal) or record coverage (RVB), coloured by coverage, with each
// point's total on the right and each day's total below. A click on a day's cell asks for that
// point's survey at that day; a click on a point's total asks for its whole survey.

#include "survey/ProjectOverview.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QList>
#include <QWidget>

class QLabel;
class QTableView;
class QThread;

// The cell colour of a share of a day (or days) covered by records; `records` false: nothing at all.
QColor overviewCoverageColour(double coverage, bool records);
// The text of a cell: RVA the volume in m³ with one decimal, RVB the coverage in per cent;
// empty without records.
QString overviewCellText(const lmv::survey::OverviewCell &cell, lmv::Family family, qsizetype days = 1);

// Points (then a total row) × days (then a total column) of an overview.
class ProjectOverviewModel : public QAbstractTableModel
{
public:
    explicit ProjectOverviewModel(QObject *parent = nullptr) : QAbstractTableModel(parent) {}
    void setOverview(lmv::survey::ProjectOverview overview);
    const lmv::survey::ProjectOverview &overview() const { return m_overview; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The family the totals row is written in: RVA when any point is RVA (volumes add up).
    lmv::Family totalsFamily() const;

private:
    lmv::survey::ProjectOverview m_overview;
};

class ProjectOverviewView : public QWidget
{
    Q_OBJECT

public:
    explicit ProjectOverviewView(QWidget *parent = nullptr);
    ~ProjectOverviewView() override;

    // Computes the overview of a project's points on a thread of its own and shows it when done
    // (overviewShown); a project asked for meanwhile replaces it.
    void showProject(const lmv::survey::ProjectFiles &project);
    // Shows an overview computed elsewhere.
    void setOverview(lmv::survey::ProjectOverview overview);
    // Nothing shown; a computation under way is forgotten.
    void clear();
    bool busy() const { return m_pending > 0; }
    const lmv::survey::ProjectOverview &overview() const { return m_model->overview(); }
    // The project whose overview is asked for or shown.
    const QString &projectName() const { return m_project; }

    QLabel *titleLabel = nullptr;
    QLabel *summaryLabel = nullptr;
    QLabel *legendLabel = nullptr;
    QTableView *table = nullptr;

signals:
    // A day's cell was clicked: the point and the day (days since 1970-01-01).
    void dayRequested(const QString &point, qint64 day);
    // A point's name or total was clicked.
    void pointRequested(const QString &point);
    // An overview is shown.
    void overviewShown();

private:
    void cellClicked(const QModelIndex &index);

    ProjectOverviewModel *m_model = nullptr;
    QList<QThread *> m_threads;
    quint64 m_generation = 0;
    int m_pending = 0;
    QString m_project;
    int m_dayWidth = 60;
};
