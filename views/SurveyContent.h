#pragma once

// What the survey window shows of a monitoring point, worked out without widgets: the point's
// files read and joined over the chosen period, its edits from the project database, the layer
// the views read (the edited layer, the raw one when asked or when the edits cannot be trusted,
// or what a provider makes of the joined survey), the check with the daily and weekly table, the rows of the
// file list, and where each layer record comes from.

#include "survey/PointSurvey.h"
#include "survey/ProjectFiles.h"
#include "survey/SurveyFigures.h"
#include "survey/SurveyJoin.h"
#include "views/SurveyCheckView.h"

#include <QString>
#include <QVector>

#include <functional>

namespace lmv {

// The point a survey window shows and the project it belongs to.
struct SurveyTarget
{
    QString project;   // its name
    QString indexPath; // the index file the project was opened from; empty for data files opened alone
    survey::PointFiles point;

    bool operator==(const SurveyTarget &other) const
    {
        return project == other.project && indexPath == other.indexPath && point.name == other.point.name;
    }
};

// One line of the survey's file list: a joined file, or one left out and why.
struct SurveyFileRow
{
    QString name;
    QString path;
    bool leftOut = false;
    qint64 start = 0; // clock seconds of its first and last record (joined files)
    qint64 end = 0;
    qsizetype records = 0; // the file holds
    qsizetype used = 0;    // of them in the layer
    qint64 interval = 0;   // seconds
    QString pipe;          // pipe description of its header
    QString note;          // why it was left out; for a joined file, what differs from the file before
};

// Where a layer record comes from.
struct RecordSource
{
    QString path; // its file; empty when there is no such record
    QString name;
    qint64 record = -1; // index in its file; -1 for a record an edit made
};

class SurveyContent
{
public:
    // Makes the layer the views read from the joined survey (the edited layer, say); without a
    // provider the joined layer itself is read.
    using LayerProvider = std::function<survey::SurveyLayer(const survey::JoinedSurvey &)>;

    // Reads and joins the point's files over the period and the point's edits from `db` (none:
    // no edits), then makes the layer and its figures. The database must outlive the content or
    // be replaced by the next load.
    void load(const SurveyTarget &target, const survey::SurveyPeriod &period = {},
              const survey::ProjectDb *db = nullptr);
    // Reads the point's edits again (after an edit, undo or redo) and makes the layer again; the
    // files are not read again.
    void refreshEdits();
    // Which layer the views read; the edited one unless the edits cannot be read.
    void setLayerChoice(survey::LayerChoice choice);
    survey::LayerChoice layerChoice() const { return m_choice; }
    // The layer shown: the raw one when chosen, or when the database is damaged or newer than
    // this program (its edits may not be all there or mean something else).
    survey::LayerChoice shownChoice() const;
    // Why the edited layer cannot be shown or edits cannot be stored; empty when they can.
    QString editsProblem() const;
    // The point's survey with its raw and edited layers and its history.
    const survey::PointSurvey &point() const { return m_point; }
    const survey::ProjectDb *database() const { return m_db; }
    // Makes the layer again from the joined survey (after the provider or what it reads changed).
    void remakeLayer();
    void setLayerProvider(LayerProvider provider) { m_provider = std::move(provider); }
    // Nothing shown.
    void clear();

    bool loaded() const { return m_loaded; }
    const SurveyTarget &target() const { return m_target; }
    const survey::SurveyPeriod &period() const { return m_period; }
    const survey::JoinedSurvey &joined() const { return m_point.survey(); }
    // The layer every view reads.
    const survey::SurveyLayer &layer() const { return m_layer; }
    const survey::SurveyFigures &figures() const { return m_figures; }

    // The file list: joined files in time order, then those left out.
    QVector<SurveyFileRow> fileRows() const;
    // The join's findings and a line about duplicates and conflicts, one text each.
    QStringList joinNotes() const;
    // The rows of the daily table that sum days: each week (when there are two or more) after its
    // last day, and the whole period last.
    QVector<CheckTotalRow> totalRows() const;
    // The check as the check view shows it: findings of the layer, the period's total.
    SurveyCheck shownCheck() const;
    // Where a layer record comes from.
    RecordSource recordSource(qsizetype layerIndex) const;
    // First and last record time of the layer (0, 0 without records).
    qint64 firstTime() const { return m_layer.empty() ? 0 : m_layer.times.front(); }
    qint64 lastTime() const { return m_layer.empty() ? 0 : m_layer.times.back(); }

private:
    SurveyTarget m_target;
    survey::SurveyPeriod m_period;
    survey::PointSurvey m_point;
    const survey::ProjectDb *m_db = nullptr;
    survey::LayerChoice m_choice = survey::LayerChoice::Edited;
    survey::SurveyLayer m_layer;
    survey::SurveyFigures m_figures;
    LayerProvider m_provider;
    bool m_loaded = false;
};

// "03-11 至 03-17": the days of a week row.
QString weekRowLabel(qint64 firstDay, qint64 lastDay);

} // namespace lmv
