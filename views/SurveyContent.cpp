#include "views/SurveyContent.h"

#include "data/Statistics.h"

#include <QDate>

namespace lmv {

void SurveyContent::load(const SurveyTarget &target, const survey::SurveyPeriod &period,
                         const survey::ProjectDb *db)
{
    m_target = target;
    m_period = period;
    m_db = db;
    survey::JoinedSurvey joined = survey::readSurvey(target.project, target.point, period);
    // Edits apply to the whole survey; a period is cut from the edited whole.
    std::optional<survey::SurveyLayer> whole;
    if (period.from || period.to)
        whole = survey::readSurvey(target.project, target.point, {}).layer;
    m_point = survey::PointSurvey::fromJoined(std::move(joined), std::move(whole), m_choice, db);
    m_loaded = true;
    remakeLayer();
}

void SurveyContent::refreshEdits()
{
    if (!m_loaded)
        return;
    if (m_db)
        m_point.refreshEdits(*m_db);
    remakeLayer();
}

void SurveyContent::setLayerChoice(survey::LayerChoice choice)
{
    m_choice = choice;
    if (m_loaded)
        remakeLayer();
}

survey::LayerChoice SurveyContent::shownChoice() const
{
    return editsProblem().isEmpty() ? m_choice : survey::LayerChoice::Raw;
}

QString SurveyContent::editsProblem() const
{
    if (!m_db)
        return QStringLiteral("单独打开的数据文件没有项目数据库, 不能修正数据; 请打开项目索引文件");
    if (!m_point.editsReadable() || m_db->problem() == survey::DbProblem::NewerVersion) {
        const QString why = m_point.dbMessage().isEmpty() ? m_db->message() : m_point.dbMessage();
        return QStringLiteral("修正记录无法读取, 显示原始数据。%1").arg(why);
    }
    return {};
}

void SurveyContent::remakeLayer()
{
    m_point.setChoice(shownChoice());
    m_layer = m_provider ? m_provider(m_point.survey()) : m_point.layer();
    m_figures = survey::checkSurvey(m_layer, m_period);
}

void SurveyContent::clear()
{
    LayerProvider provider = std::move(m_provider);
    const survey::LayerChoice choice = m_choice;
    *this = SurveyContent();
    m_provider = std::move(provider);
    m_choice = choice;
}

QVector<SurveyFileRow> SurveyContent::fileRows() const
{
    QVector<SurveyFileRow> rows;
    const std::vector<qsizetype> used = joined().recordsPerSource();
    const std::vector<survey::SurveySource> &sources = joined().layer.sources;
    for (std::size_t s = 0; s < sources.size(); ++s) {
        const survey::SurveySource &src = sources[s];
        SurveyFileRow row;
        row.name = src.name;
        row.path = src.path;
        row.start = src.start;
        row.end = src.end;
        row.records = src.records;
        row.used = s < used.size() ? used[s] : 0;
        row.interval = src.intervalSeconds;
        row.pipe = joined().layer.family == Family::Rva ? pipeDescription(src.header.point) : QString();
        if (s > 0 && joined().layer.family == Family::Rva) {
            const DataFileHeader &before = sources[s - 1].header;
            QStringList changes;
            if (!before.point.samePipeAs(src.header.point))
                changes << QStringLiteral("管道与上一文件不同");
            if (before.calc.velocityCorrection != src.header.calc.velocityCorrection ||
                before.calc.flowCorrection != src.header.calc.flowCorrection)
                changes << QStringLiteral("修正系数与上一文件不同");
            row.note = changes.join(QStringLiteral(", "));
        }
        rows.push_back(row);
    }
    for (const survey::LeftOutFile &f : joined().leftOut) {
        SurveyFileRow row;
        row.name = f.name;
        row.path = f.path;
        row.leftOut = true;
        row.note = f.reason;
        rows.push_back(row);
    }
    return rows;
}

QStringList SurveyContent::joinNotes() const
{
    QStringList notes;
    if (joined().duplicates > 0 || !joined().conflicts.empty())
        notes << QStringLiteral("重复记录 %1 条已合并, 数值冲突 %2 处(保留较新下载的记录)")
                     .arg(joined().duplicates)
                     .arg(qsizetype(joined().conflicts.size()));
    for (const survey::JoinFinding &f : joined().findings)
        notes << survey::joinFindingText(f, joined().layer);
    return notes;
}

QString weekRowLabel(qint64 firstDay, qint64 lastDay)
{
    const QDate epoch(1970, 1, 1);
    const QString form = QStringLiteral("MM-dd");
    return QStringLiteral("%1 至 %2 周计")
        .arg(epoch.addDays(firstDay).toString(form), epoch.addDays(lastDay).toString(form));
}

QVector<CheckTotalRow> SurveyContent::totalRows() const
{
    QVector<CheckTotalRow> rows;
    const survey::SurveyFigures &f = m_figures;
    if (f.days.isEmpty())
        return rows;
    if (f.weeks.size() > 1) {
        int dayIndex = 0;
        for (const survey::WeekTotal &w : f.weeks) {
            const int last = dayIndex + int(w.days) - 1;
            rows.push_back({weekRowLabel(f.days[dayIndex].day, f.days[last].day), w.total, w.days, last});
            dayIndex = last + 1;
        }
    }
    rows.push_back({QStringLiteral("合计"), f.total, f.dayCount(), -1});
    return rows;
}

SurveyCheck SurveyContent::shownCheck() const
{
    SurveyCheck check = m_figures.check;
    check.total = m_figures.total;
    return check;
}

RecordSource SurveyContent::recordSource(qsizetype i) const
{
    if (i < 0 || i >= m_layer.size())
        return {};
    const survey::SurveySource &src = m_layer.sourceOf(i);
    return {src.path, src.name, m_layer.sourceRecord[std::size_t(i)]};
}

} // namespace lmv
