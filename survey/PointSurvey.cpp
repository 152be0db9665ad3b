#include "survey/PointSurvey.h"

#include "survey/EditStore.h"

#include <QSet>

#include <algorithm>
#include <limits>

namespace lmv::survey {

namespace {

// A range of a list appended to another.
template <typename T>
void appendRange(std::vector<T> &to, const std::vector<T> &from, std::size_t begin, std::size_t end)
{
    to.insert(to.end(), from.begin() + std::ptrdiff_t(begin), from.begin() + std::ptrdiff_t(end));
}

} // namespace

SurveyLayer cutLayer(const SurveyLayer &whole, const SurveyPeriod &period, const SurveyLayer &periodRaw)
{
    SurveyLayer out;
    out.family = whole.family;
    const std::vector<qint64> &t = whole.times;
    const auto begin = std::size_t(
        (period.from ? std::lower_bound(t.begin(), t.end(), *period.from) : t.begin()) - t.begin());
    const auto end =
        std::max(begin, std::size_t((period.to ? std::upper_bound(t.begin(), t.end(), *period.to) : t.end()) -
                                    t.begin()));
    // The period's files, and those of records filled from a file that ends before the period.
    QSet<QString> listed;
    for (const SurveySource &s : periodRaw.sources)
        listed.insert(s.path);
    std::vector<char> needed(whole.sources.size(), 0);
    for (std::size_t i = begin; i < end; ++i)
        needed[whole.source[i]] = 1;
    std::vector<quint32> index(whole.sources.size(), std::numeric_limits<quint32>::max());
    for (std::size_t s = 0; s < whole.sources.size(); ++s)
        if (needed[s] || listed.contains(whole.sources[s].path)) {
            index[s] = quint32(out.sources.size());
            out.sources.push_back(whole.sources[s]);
        }
    appendRange(out.times, whole.times, begin, end);
    appendRange(out.sourceRecord, whole.sourceRecord, begin, end);
    if (!whole.flags.empty())
        appendRange(out.flags, whole.flags, begin, end);
    if (whole.family == Family::Rva)
        appendRange(out.rva, whole.rva, begin, end);
    else if (whole.family == Family::Rvb)
        appendRange(out.rvb, whole.rvb, begin, end);
    out.source.reserve(end - begin);
    for (std::size_t i = begin; i < end; ++i)
        out.source.push_back(index[whole.source[i]]);
    // Inside a gap of the raw records the period's own interval cannot be told.
    out.intervalSeconds = periodRaw.intervalSeconds > 0 ? periodRaw.intervalSeconds : whole.intervalSeconds;
    return out;
}

PointSurvey PointSurvey::read(const ProjectFiles &project, const QString &point, const SurveyPeriod &period,
                              LayerChoice choice, const ProjectDb *db)
{
    PointSurvey s;
    s.m_choice = choice;
    const PointFiles *listed = project.point(point);
    if (!listed)
        s.m_problem = QStringLiteral("项目中没有测点 %1").arg(point);
    const PointFiles files = listed ? *listed : PointFiles{point, {}};
    std::vector<SurveyFileInput> inputs;
    inputs.reserve(std::size_t(files.files.size()));
    for (const PointFile &f : files.files)
        inputs.push_back(readSurveyFile(f));
    // Edits apply to the whole survey; the period is cut from it afterwards.
    if (period.from || period.to)
        s.m_wholeRaw = joinSurveyFiles(inputs, {}).layer;
    s.m_survey = joinSurveyFiles(std::move(inputs), period);
    s.m_survey.project = project.name;
    s.m_survey.point = files.name;
    if (db) {
        s.refreshEdits(*db);
    } else {
        const ProjectDb own(ProjectDb::pathFor(project.indexPath));
        s.refreshEdits(own);
    }
    return s;
}

PointSurvey PointSurvey::read(const QString &indexPath, const QString &point, const SurveyPeriod &period,
                              LayerChoice choice, const ProjectDb *db)
{
    const ProjectFiles project = readProjectFiles(indexPath);
    if (project.opened)
        return read(project, point, period, choice, db);
    PointSurvey s;
    s.m_choice = choice;
    s.m_survey.point = point;
    s.m_survey.period = period;
    s.m_problem = QStringLiteral("无法读取索引文件 %1").arg(indexPath);
    return s;
}

PointSurvey PointSurvey::fromJoined(JoinedSurvey survey, std::optional<SurveyLayer> wholeRaw,
                                    LayerChoice choice, const ProjectDb *db)
{
    PointSurvey s;
    s.m_choice = choice;
    s.m_survey = std::move(survey);
    if (s.m_survey.period.from || s.m_survey.period.to)
        s.m_wholeRaw = std::move(wholeRaw);
    if (db)
        s.refreshEdits(*db);
    return s;
}

bool PointSurvey::hasActiveEdits() const
{
    return std::any_of(m_edits.begin(), m_edits.end(), [](const Edit &e) { return !e.undone; });
}

std::vector<qsizetype> PointSurvey::recordsPerSource() const
{
    const SurveyLayer &l = layer();
    std::vector<qsizetype> out(l.sources.size(), 0);
    for (const quint32 s : l.source)
        ++out[s];
    return out;
}

void PointSurvey::refreshEdits(const ProjectDb &db)
{
    m_dbMessage = db.message();
    m_editsReadable = db.problem() != DbProblem::Damaged && db.problem() != DbProblem::NoDriver;
    int skipped = 0;
    m_edits = editsOf(db, m_survey.point, &skipped);
    if (skipped > 0) {
        if (!m_dbMessage.isEmpty())
            m_dbMessage += QLatin1Char('\n');
        m_dbMessage += QStringLiteral("测点 %1 有 %2 条修改的类型无法识别(可能由较新版本的程序写入),未采用。")
                           .arg(m_survey.point)
                           .arg(skipped);
    }
    rebuild();
}

void PointSurvey::setEdits(std::vector<Edit> edits)
{
    m_edits = std::move(edits);
    rebuild();
}

void PointSurvey::rebuild()
{
    // The layer being replaced lends its memory to the new one.
    SurveyLayer room = m_edited && !m_wholeRaw ? std::move(*m_edited) : SurveyLayer{};
    m_edited.reset();
    const std::vector<Edit> active = activeEdits(m_edits);
    if (active.empty())
        return;
    SurveyLayer whole = applyEdits(wholeRaw(), active, std::move(room));
    if (m_wholeRaw)
        m_edited = cutLayer(whole, m_survey.period, m_survey.layer);
    else
        m_edited = std::move(whole);
}

} // namespace lmv::survey
