#pragma once

// A monitoring point's survey as every consumer reads it (the survey window, lmvtool, the
// dry-weather figures, the report): its files read and joined, its edits read from the project
// database, the raw and the edited layer, cut to a period.
//
// The edits apply to the whole survey and the edited layer is cut to the period afterwards, so an
// edit across a period boundary acts inside the period exactly as it does on the whole survey (a
// fill takes the record before the gap even when that record lies before the period). The raw
// layer of a period is the one readSurvey gives for it. The edited layer lists the raw layer's
// files, and in addition any file before the period whose record a fill inside it continued.
// Without an edit that is not undone, the edited layer is the raw one itself.

#include "survey/Edits.h"
#include "survey/ProjectDb.h"
#include "survey/ProjectFiles.h"
#include "survey/SurveyJoin.h"

#include <QString>

#include <optional>
#include <vector>

namespace lmv::survey {

// Which layer the figures read.
enum class LayerChoice : quint8
{
    Edited, // the raw layer with the point's edits (the default everywhere)
    Raw,    // the files' own values
};

class PointSurvey
{
public:
    PointSurvey() = default;

    // Reads the point of a project and its edits. db: the caller's open project database; without
    // one, the database beside the project's index is opened for reading when it exists (never
    // created). A point the project does not list gives an empty survey whose problem() says so.
    static PointSurvey read(const ProjectFiles &project, const QString &point,
                            const SurveyPeriod &period = {}, LayerChoice choice = LayerChoice::Edited,
                            const ProjectDb *db = nullptr);
    // The same from a project or point index file (.lmvprj, .lmvpos).
    static PointSurvey read(const QString &indexPath, const QString &point, const SurveyPeriod &period = {},
                            LayerChoice choice = LayerChoice::Edited, const ProjectDb *db = nullptr);
    // The same from a survey the caller has read and joined already (readSurvey over its period).
    // wholeRaw: the raw layer of the whole survey, needed when a period cuts the survey (the
    // survey's own layer is taken when it is absent). db: where the edits are read; none without.
    static PointSurvey fromJoined(JoinedSurvey survey, std::optional<SurveyLayer> wholeRaw,
                                  LayerChoice choice, const ProjectDb *db);

    // The files joined and cut to the period: files, duplicates, conflicts, findings, files left
    // out. Its layer is the raw layer of the period.
    const JoinedSurvey &survey() const { return m_survey; }
    const SurveyLayer &raw() const { return m_survey.layer; }
    // The edited layer of the period; the raw layer when no edit applies.
    const SurveyLayer &edited() const { return m_edited ? *m_edited : m_survey.layer; }
    // The layer chosen when read (or set since).
    const SurveyLayer &layer() const { return m_choice == LayerChoice::Raw ? raw() : edited(); }
    LayerChoice choice() const { return m_choice; }
    void setChoice(LayerChoice choice) { m_choice = choice; }
    // The raw layer of the whole survey, whatever the period: what edits apply to and what a new
    // edit is checked against (addEdit).
    const SurveyLayer &wholeRaw() const { return m_wholeRaw ? *m_wholeRaw : m_survey.layer; }
    const SurveyPeriod &period() const { return m_survey.period; }
    const QString &point() const { return m_survey.point; }

    // The point's history in id order, undone edits included.
    const std::vector<Edit> &edits() const { return m_edits; }
    // Whether an edit is in force (some edit not undone).
    bool hasActiveEdits() const;

    // Why the point could not be found; empty when it was.
    const QString &problem() const { return m_problem; }
    // The database's message (read-only, newer, damaged), and edits that could not be read; empty
    // when there is nothing to say.
    const QString &dbMessage() const { return m_dbMessage; }
    // False when the database exists but its edits cannot be read (damaged, no driver): the
    // edited layer is then the raw one, which is not what the history says.
    bool editsReadable() const { return m_editsReadable; }

    // Records of the chosen layer per file of its sources.
    std::vector<qsizetype> recordsPerSource() const;

    // Reads the history again from the database and rebuilds the edited layer; the files are not
    // read again. A window calls this after its own change and when asked to refresh.
    void refreshEdits(const ProjectDb &db);
    // Takes a history as given (undone edits passed over) and rebuilds the edited layer.
    void setEdits(std::vector<Edit> edits);

private:
    void rebuild();

    JoinedSurvey m_survey;
    std::optional<SurveyLayer> m_wholeRaw; // only when a period cuts the survey
    std::optional<SurveyLayer> m_edited;   // only when some edit is in force
    std::vector<Edit> m_edits;
    LayerChoice m_choice = LayerChoice::Edited;
    QString m_problem;
    QString m_dbMessage;
    bool m_editsReadable = true;
};

// The records of a whole survey's layer inside a period, listing the files of `periodRaw` (the raw
// layer of that period) and any other the records need, in the whole layer's order; the
// interval is the period's own. Used for the edited layer of a period.
SurveyLayer cutLayer(const SurveyLayer &whole, const SurveyPeriod &period, const SurveyLayer &periodRaw);

} // namespace lmv::survey
