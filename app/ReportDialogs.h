#pragma once

// The questions before a report or a model file: the period of a project's report, and the
// format, series, unit, step and gauge of a model file.

#include "report/ModelExportJob.h"
#include "survey/SurveyJoin.h"

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QDialogButtonBox;
class QSpinBox;

class ReportPeriodDialog : public QDialog
{
    Q_OBJECT

public:
    // first, last: clock seconds the edits start at (the project's records, say).
    ReportPeriodDialog(const QString &project, qint64 first, qint64 last, QWidget *parent = nullptr);
    // The whole survey (no ends) or the edits' span.
    lmv::survey::SurveyPeriod period() const;

    QCheckBox *wholeBox = nullptr;
    QDateTimeEdit *fromEdit = nullptr;
    QDateTimeEdit *toEdit = nullptr;
    QDialogButtonBox *buttons = nullptr;
};

class ModelExportDialog : public QDialog
{
    Q_OBJECT

public:
    // gauges: the project's gauge names; the first choice is the point's own gauge.
    ModelExportDialog(const QString &point, const QStringList &gauges, QWidget *parent = nullptr);
    lmv::report::ModelExportChoice choice() const;

    QComboBox *formatBox = nullptr;
    QComboBox *seriesBox = nullptr;
    QComboBox *unitBox = nullptr;
    QSpinBox *stepBox = nullptr; // minutes
    QComboBox *gaugeBox = nullptr;
    QDialogButtonBox *buttons = nullptr;

private:
    void formatChanged();
};
