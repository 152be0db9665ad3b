#pragma once

// What the survey window shows of a monitoring point, worked out without widgets: the point's
// files read and joined over the chosen period, the layer the views read (the joined one, or what
// a provider makes of it), the check with the daily and weekly table, the rows of the file list,
// and where each layer record comes from.

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

    // Reads and joins the point's files over the period, then makes the layer and its figures.
    void load(const SurveyTarget &target, const survey::SurveyPeriod &period = {});
    // Makes the layer again from the joined survey (after the provider or what it reads changed).
    void remakeLayer();
    void setLayerProvider(LayerProvider provider) { m_provider = std::move(provider); }
    // Nothing shown.
    void clear();

    bool loaded() const { return m_loaded; }
    const SurveyTarget &target() const { return m_target; }
    const survey::SurveyPeriod &period() const { return m_period; }
    const survey::JoinedSurvey &joined() const { return m_joined; }
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
    survey::JoinedSurvey m_joined;
    survey::SurveyLayer m_layer;
    survey::SurveyFigures m_figures;
    LayerProvider m_provider;
    bool m_loaded = false;
};

// "03-11 至 03-17": the days of a week row.
QString weekRowLabel(qint64 firstDay, qint64 lastDay);

} // namespace lmv
