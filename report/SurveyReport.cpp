#include "report/SurveyReport.h"

#include "data/SedimentTrust.h"
#include "data/Statistics.h"
#include "data/SurveyCheck.h"
#include "data/Tables.h"
#include "plots/PlotExport.h"
#include "plots/ScatterItem.h"
#include "plots/Scattergraph.h"
#include "report/DryWeatherProfiles.h"
#include "report/ReportFont.h"
#include "report/ReportFormat.h"
#include "report/SurveyHydrograph.h"
#include "survey/DryWeather.h"
#include "survey/GaugeStore.h"
#include "survey/PointDwf.h"
#include "survey/ProjectDb.h"
#include "survey/Rdii.h"
#include "survey/StormEvents.h"
#include "survey/SurveyFigures.h"
#include "survey/Visits.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace lmv::report {

using namespace lmv::survey;

namespace {

constexpr qint64 kDay = 86400;
constexpr int kMaxFindingRows = 300;

// Everything one point contributes, worked out before the document is laid out.
struct PointPart
{
    QString name;
    PointSurvey survey;
    SurveyFigures figures;
    qint64 from = 0; // the period shown, clock seconds
    qint64 to = 0;
    PointRain rain;
    bool haveRain = false;
    DryWeatherResult dwf;
    DryWeatherProfiles profiles;
    StormEventList storms;
    RdiiResult rdii;
    std::optional<double> areaHa;
    QVector<Visit> visits;
    std::unique_ptr<Scattergraph> scatter;
};

QString timeOfDay(qint64 seconds)
{
    const qint64 s = ((seconds % kDay) + kDay) % kDay;
    return QStringLiteral("%1:%2")
        .arg(s / 3600, 2, 10, QLatin1Char('0'))
        .arg((s / 60) % 60, 2, 10, QLatin1Char('0'));
}

QString percentText(double share)
{
    return numberText(share * 100.0, 1);
}

QString optionalText(const std::optional<double> &v, int decimals)
{
    return v ? numberText(*v, decimals) : QStringLiteral("-");
}

QString periodText(qint64 from, qint64 to)
{
    return QStringLiteral("%1 至 %2").arg(clockText(from), clockText(to));
}

// Times of the lowest and highest corrected flow of each day (the first record reaching each).
struct DayExtremes
{
    qint64 minTime = -1;
    qint64 maxTime = -1;
};

QHash<qint64, DayExtremes> dayExtremes(const SurveyLayer &layer)
{
    QHash<qint64, DayExtremes> out;
    QHash<qint64, std::pair<float, float>> values;
    if (layer.family != Family::Rva)
        return out;
    for (qsizetype i = 0; i < layer.size(); ++i) {
        if (layer.flag(i) & FlagRemoved)
            continue;
        const float q = layer.correctedFlow(i);
        if (!std::isfinite(q))
            continue;
        const qint64 t = layer.times[std::size_t(i)];
        const qint64 day = survey::dayOf(t);
        auto it = values.find(day);
        if (it == values.end()) {
            values.insert(day, {q, q});
            out.insert(day, {t, t});
            continue;
        }
        DayExtremes &e = out[day];
        if (q < it->first) {
            it->first = q;
            e.minTime = t;
        }
        if (q > it->second) {
            it->second = q;
            e.maxTime = t;
        }
    }
    return out;
}

// The weekday and weekend profiles over the day: hours across, flow up.
void paintProfiles(QPainter *painter, const QRectF &rect, const DryWeatherResult &dwf, const QFont &font)
{
    painter->save();
    painter->setFont(font);
    const QFontMetricsF fm(font, painter->device());
    const qreal pad = fm.height();
    const QRectF plot =
        rect.adjusted(fm.horizontalAdvance(QStringLiteral("0000.0")) + pad * 0.5, pad, -pad, -pad * 2.2);
    double top = 0.0;
    for (const DiurnalProfile *p : {&dwf.weekday, &dwf.weekend})
        for (double v : p->flow)
            if (std::isfinite(v))
                top = std::max(top, v);
    top = top > 0.0 ? top * 1.1 : 1.0;
    const int slotTotal = slotCount(dwf.intervalSeconds);
    const auto xAt = [&](double hour) { return plot.left() + plot.width() * hour / 24.0; };
    const auto yAt = [&](double v) { return plot.bottom() - plot.height() * v / top; };
    QPen axis(Qt::black, plot.width() / 1500.0);
    painter->setPen(axis);
    painter->drawRect(plot);
    for (int h = 0; h <= 24; h += 3) {
        painter->drawLine(QPointF(xAt(h), plot.bottom()), QPointF(xAt(h), plot.bottom() + pad * 0.3));
        painter->drawText(QRectF(xAt(h) - pad * 2, plot.bottom() + pad * 0.3, pad * 4, pad), Qt::AlignCenter,
                          QStringLiteral("%1:00").arg(h, 2, 10, QLatin1Char('0')));
    }
    for (int k = 0; k <= 4; ++k) {
        const double v = top * k / 4.0;
        painter->drawText(QRectF(rect.left(), yAt(v) - pad / 2, plot.left() - rect.left() - pad * 0.3, pad),
                          Qt::AlignRight | Qt::AlignVCenter, numberText(v, 1));
    }
    painter->drawText(QRectF(plot.left(), rect.top(), plot.width(), pad), Qt::AlignLeft | Qt::AlignVCenter,
                      QStringLiteral("旱季流量 (L/s)"));
    const struct
    {
        const DiurnalProfile *profile;
        QColor colour;
        Qt::PenStyle style;
        QString name;
    } lines[] = {{&dwf.weekday, QColor(0x1f, 0x5f, 0xbf), Qt::SolidLine, QStringLiteral("工作日")},
                 {&dwf.weekend, QColor(0xd0, 0x60, 0x10), Qt::DashLine, QStringLiteral("周末")}};
    qreal legendX = plot.right();
    for (const auto &line : lines) {
        if (!line.profile->present() || slotTotal <= 0)
            continue;
        QPen pen(line.colour, plot.width() / 600.0, line.style);
        painter->setPen(pen);
        QPainterPath path;
        bool open = false;
        for (int s = 0; s < int(line.profile->flow.size()); ++s) {
            const double v = line.profile->flow[std::size_t(s)];
            if (!std::isfinite(v)) {
                open = false;
                continue;
            }
            const QPointF p(xAt(24.0 * (s + 0.5) / slotTotal), yAt(v));
            if (open)
                path.lineTo(p);
            else
                path.moveTo(p);
            open = true;
        }
        painter->drawPath(path);
        const qreal w = fm.horizontalAdvance(line.name) + pad * 2.5;
        legendX -= w;
        painter->drawLine(QPointF(legendX, rect.top() + pad / 2),
                          QPointF(legendX + pad * 1.8, rect.top() + pad / 2));
        painter->setPen(axis);
        painter->drawText(QPointF(legendX + pad * 2.1, rect.top() + fm.ascent()), line.name);
    }
    painter->restore();
}

QString stateText(const Edit &e)
{
    return e.undone ? QStringLiteral("已撤销") : QStringLiteral("有效");
}

class Assembly
{
public:
    Assembly(const SurveyReportRequest &request, const SurveyReportCallbacks &callbacks)
        : m_request(request), m_callbacks(callbacks)
    {}

    SurveyReportResult run(const QString &path);

private:
    bool cancelled() const { return m_callbacks.cancelled && m_callbacks.cancelled(); }
    void progress(int percent, const QString &stage) const
    {
        if (m_callbacks.progress)
            m_callbacks.progress(percent, stage);
    }
    void readPoint(PointPart &part, const ProjectFiles &project, const ProjectDb &db);
    void addCover(const ProjectFiles &project, const QVector<GaugeInfo> &gauges);
    void addSiteSheet(const PointPart &part);
    void addDailyTable(const PointPart &part);
    void addHydrographs(const PointPart &part);
    void addScatter(const PointPart &part);
    void addRain(const PointPart &part);
    void addDryWeather(const PointPart &part);
    void addQuality(const PointPart &part);

    const SurveyReportRequest &m_request;
    const SurveyReportCallbacks &m_callbacks;
    ReportDocument m_doc;
    QFont m_plotFont;
    std::vector<std::unique_ptr<PointPart>> m_parts;
    QStringList m_notes;
};

void Assembly::readPoint(PointPart &part, const ProjectFiles &project, const ProjectDb &db)
{
    part.survey = PointSurvey::read(project, part.name, m_request.period, m_request.layer, &db);
    const SurveyLayer &layer = part.survey.layer();
    part.figures = checkSurvey(layer, m_request.period);
    part.from = m_request.period.from.value_or(layer.empty() ? 0 : layer.times.front());
    part.to = m_request.period.to.value_or(layer.empty() ? 0 : layer.times.back());
    part.visits = visitsOf(db, part.name);
    // The point's own dry-weather thresholds, holidays, ticked days, area and response time, as
    // its 旱季流量 page and lmvtool dwf use them.
    const PointDwfSettings settings = PointDwfSettings::load(db, part.name);
    if (std::isfinite(settings.rdii.areaHa) && settings.rdii.areaHa > 0.0)
        part.areaHa = settings.rdii.areaHa;
    if (layer.empty())
        return;
    part.rain = pointRain(db, part.name, part.from, part.to);
    part.haveRain = part.rain.gauge.has_value() && !part.rain.series.empty();
    for (const QString &p : std::as_const(part.rain.problems))
        m_notes << QStringLiteral("%1: %2").arg(part.name, p);
    if (layer.family != Family::Rva)
        return;
    PointDwf dwf = pointDwf(layer, db, part.name, settings);
    part.dwf = std::move(dwf.dwf);
    part.profiles = dryWeatherProfiles(part.dwf);
    if (part.haveRain) {
        part.storms = findStormEvents(part.rain.series);
        part.rdii = std::move(dwf.rdii);
    }
    part.scatter = std::make_unique<Scattergraph>();
    part.scatter->resize(900, 700);
    part.scatter->setSurvey(surveyPlotData(layer, part.from, part.to),
                            pipeGeometryFrom(layer.sources.back().header.point), 1.0, 1.0);
    if (m_request.curveInput)
        part.scatter->panel()->setCurveInput(m_request.curveInput(part.name));
}

void Assembly::addCover(const ProjectFiles &project, const QVector<GaugeInfo> &gauges)
{
    m_doc.setRunningHeader(QString(), QString());
    m_doc.addHeading(QStringLiteral("流量监测报告"), 1);
    qint64 from = std::numeric_limits<qint64>::max(), to = std::numeric_limits<qint64>::min();
    QStringList names;
    for (const auto &part : m_parts) {
        names << part->name;
        if (!part->survey.layer().empty()) {
            from = std::min(from, part->from);
            to = std::max(to, part->to);
        }
    }
    QStringList gaugeNames;
    for (const GaugeInfo &g : gauges)
        gaugeNames << g.name;
    const QDateTime made = m_request.made.isValid() ? m_request.made : QDateTime::currentDateTime();
    m_doc.addKeyValues(
        {{QStringLiteral("项目"), project.name},
         {QStringLiteral("时段"), from <= to ? periodText(from, to) : QStringLiteral("无记录")},
         {QStringLiteral("测点"), names.join(QStringLiteral("、"))},
         {QStringLiteral("雨量计"),
          gaugeNames.isEmpty() ? QStringLiteral("无") : gaugeNames.join(QStringLiteral("、"))},
         {QStringLiteral("数据"),
          m_request.layer == LayerChoice::Raw ? QStringLiteral("原始数据") : QStringLiteral("修正后数据")},
         {QStringLiteral("报告日期"), made.toString(QStringLiteral("yyyy-MM-dd HH:mm"))},
         {QStringLiteral("程序版本"), QStringLiteral("Limnova Viewer %1").arg(m_request.version)}});
}

void Assembly::addSiteSheet(const PointPart &part)
{
    m_doc.addHeading(QStringLiteral("测点概况"), 2);
    const SurveyLayer &layer = part.survey.layer();
    if (layer.empty()) {
        m_doc.addParagraph(part.survey.problem().isEmpty() ? QStringLiteral("所选时段内没有记录。")
                                                           : part.survey.problem());
        return;
    }
    const SurveySource &last = layer.sources.back();
    QVector<QPair<QString, QString>> rows;
    rows.push_back({QStringLiteral("管道"), pipeDescription(last.header.point)});
    QString sediment = QStringLiteral("%1 mm (文件)").arg(last.header.point.sediment);
    if (part.scatter && part.scatter->sweep().bestMm >= 0)
        sediment += QStringLiteral("; 散点图估算 %1 mm, %2")
                        .arg(part.scatter->sweep().bestMm)
                        .arg(sedimentTrustText(part.scatter->trust().level));
    rows.push_back({QStringLiteral("淤积"), sediment});
    const CurveInput curve = m_request.curveInput ? m_request.curveInput(part.name) : defaultCurveInput();
    rows.push_back({QStringLiteral("坡度与糙率"),
                    curve.slopePermille.isEmpty()
                        ? QStringLiteral("未设定")
                        : QStringLiteral("坡度 %1 ‰, %2")
                              .arg(curve.slopePermille,
                                   curve.law == 0 ? QStringLiteral("曼宁 n = %1").arg(curve.manningN)
                                                  : QStringLiteral("ks = %1 mm").arg(curve.roughnessMm))});
    // One line when every file has the same factors, else a line per file.
    QStringList corrections;
    const auto factors = [](const SurveySource &src) {
        return QStringLiteral("流速 %1, 流量 %2")
            .arg(shortNumberText(src.header.calc.velocityCorrection, 3),
                 shortNumberText(src.header.calc.flowCorrection, 3));
    };
    for (const SurveySource &src : layer.sources)
        corrections << QStringLiteral("%1: %2").arg(src.name, factors(src));
    const bool same = std::all_of(layer.sources.cbegin(), layer.sources.cend(),
                                  [&](const SurveySource &src) { return factors(src) == factors(last); });
    if (same)
        corrections = QStringList{factors(last) + QStringLiteral(" (全部文件)")};
    rows.push_back({QStringLiteral("修正系数"), corrections.join(QStringLiteral("; "))});
    rows.push_back({QStringLiteral("汇水面积"),
                    part.areaHa ? QStringLiteral("%1 ha").arg(shortNumberText(*part.areaHa, 2))
                                : QStringLiteral("未设定")});
    rows.push_back({QStringLiteral("时段"), periodText(part.from, part.to)});
    rows.push_back({QStringLiteral("记录"), QStringLiteral("%1 条, %2 个文件, 间隔 %3")
                                                .arg(layer.size())
                                                .arg(layer.sources.size())
                                                .arg(durationText(layer.intervalSeconds))});
    rows.push_back({QStringLiteral("雨量计"), part.haveRain ? part.rain.gauge->name : QStringLiteral("无")});
    m_doc.addKeyValues(rows);
    if (part.visits.isEmpty()) {
        m_doc.addParagraph(QStringLiteral("现场巡查: 无记录。"));
        return;
    }
    m_doc.addHeading(QStringLiteral("现场巡查"), 3);
    ReportTable table;
    table.header = QStringList{QStringLiteral("时间"),          QStringLiteral("人工水深(mm)"),
                               QStringLiteral("仪器水深(mm)"),  QStringLiteral("差值(mm)"),
                               QStringLiteral("人工流速(m/s)"), QStringLiteral("仪器流速(m/s)"),
                               QStringLiteral("差值(m/s)"),     QStringLiteral("备注")};
    table.alignment = {Qt::AlignLeft,  Qt::AlignRight, Qt::AlignRight, Qt::AlignRight,
                       Qt::AlignRight, Qt::AlignRight, Qt::AlignRight, Qt::AlignLeft};
    for (const Visit &v : part.visits) {
        const VisitComparison c = compareVisit(v, layer);
        table.rows.push_back({clockText(v.time), optionalText(v.manualDepthMm, 1),
                              optionalText(c.loggerDepthMm, 1), optionalText(c.depthDifferenceMm, 1),
                              optionalText(v.manualVelocity, 3), optionalText(c.loggerVelocity, 3),
                              optionalText(c.velocityDifference, 3), v.note});
    }
    m_doc.addTable(std::move(table));
}

void Assembly::addDailyTable(const PointPart &part)
{
    m_doc.addHeading(QStringLiteral("逐日流量表"), 2);
    const SurveyLayer &layer = part.survey.layer();
    const bool volumes = layer.family == Family::Rva;
    if (part.figures.days.isEmpty()) {
        m_doc.addParagraph(QStringLiteral("没有记录。"));
        return;
    }
    const QHash<qint64, DayExtremes> extremes = dayExtremes(layer);
    ReportTable table;
    table.header = QStringList{
        QStringLiteral("日期"),     QStringLiteral("平均流量(L/s)"), QStringLiteral("最小流量(L/s)"),
        QStringLiteral("时间"),     QStringLiteral("峰值流量(L/s)"), QStringLiteral("时间"),
        QStringLiteral("水量(m³)"), QStringLiteral("覆盖率(%)"),     QStringLiteral("降雨(mm)")};
    const auto rainOf = [&](qint64 firstDay, qint64 days) -> QString {
        if (!part.haveRain)
            return QStringLiteral("-");
        return numberText(depthBetween(part.rain.series, firstDay * kDay, (firstDay + days) * kDay), 1);
    };
    const auto row = [&](const QString &label, const DayVolume &d, qsizetype days, const DayExtremes *e,
                         const QString &rain) {
        const bool flows = volumes && d.hasValues;
        QStringList cells{label,
                          volumes && d.countedSeconds > 0 ? flowText(d.meanFlow()) : QStringLiteral("-"),
                          flows ? flowText(d.minFlow) : QStringLiteral("-"),
                          e && flows && e->minTime >= 0 ? timeOfDay(e->minTime) : QString(),
                          flows ? flowText(d.maxFlow) : QStringLiteral("-"),
                          e && flows && e->maxTime >= 0 ? timeOfDay(e->maxTime) : QString(),
                          volumes ? volumeText(d.volumeM3) : QStringLiteral("-"),
                          percentText(d.coverage(days)),
                          rain};
        table.rows.push_back(cells);
    };
    int week = 0;
    for (qsizetype i = 0; i < part.figures.days.size(); ++i) {
        const DayVolume &d = part.figures.days[i];
        const auto e = extremes.constFind(d.day);
        row(dayText(d.day), d, 1, e == extremes.cend() ? nullptr : &*e, rainOf(d.day, 1));
        const bool weekEnds = i + 1 == part.figures.days.size() ||
                              survey::mondayOf(part.figures.days[i + 1].day) != survey::mondayOf(d.day);
        if (!weekEnds)
            continue;
        const auto w = std::find_if(part.figures.weeks.cbegin(), part.figures.weeks.cend(),
                                    [&](const WeekTotal &t) { return t.monday == survey::mondayOf(d.day); });
        if (w == part.figures.weeks.cend())
            continue;
        const qint64 first = std::max(w->monday, part.figures.days.front().day);
        table.emphasised.push_back(int(table.rows.size()));
        row(QStringLiteral("第%1周合计").arg(++week), w->total, w->days, nullptr, rainOf(first, w->days));
    }
    table.emphasised.push_back(int(table.rows.size()));
    row(QStringLiteral("全时段"), part.figures.total, part.figures.dayCount(), nullptr,
        rainOf(part.figures.days.front().day, part.figures.dayCount()));
    m_doc.addTable(std::move(table));
    m_doc.addParagraph(
        QStringLiteral("合计行的最小、峰值流量为其各日之最; 水量按检查的计量规则累计; 降雨取自雨量计 %1。")
            .arg(part.haveRain ? part.rain.gauge->name : QStringLiteral("(无)")));
}

void Assembly::addHydrographs(const PointPart &part)
{
    m_doc.addPageBreak();
    m_doc.addHeading(QStringLiteral("过程线"), 2);
    const SurveyLayer &layer = part.survey.layer();
    if (layer.family != Family::Rva || layer.empty()) {
        m_doc.addParagraph(QStringLiteral("没有可画的流量记录。"));
        return;
    }
    m_doc.addParagraph(QStringLiteral("每页一周: 水位、流速、流量, 上方为降雨; 虚线为旱季流量过程。"));
    const qint64 firstMonday = survey::mondayOf(survey::dayOf(part.from)) * kDay;
    int week = 0;
    for (qint64 start = firstMonday; start <= part.to; start += 7 * kDay) {
        const qint64 from = std::max(start, part.from);
        const qint64 to = std::min(start + 7 * kDay, part.to);
        if (week > 0)
            m_doc.addPageBreak();
        m_doc.addHeading(QStringLiteral("第%1周  %2 至 %3")
                             .arg(++week)
                             .arg(dayText(survey::dayOf(from)), dayText(survey::dayOf(to - 1))),
                         3);
        SurveyHydrographOptions options;
        options.from = from;
        options.to = to;
        options.rain = part.haveRain ? &part.rain.series : nullptr;
        options.profile = part.profiles;
        const SurveyLayer *l = &layer;
        const QFont font = m_plotFont;
        m_doc.addPicture([l, options, font](QPainter *painter, const QRectF &rect) {
            paintSurveyHydrograph(painter, rect, *l, options, font);
        });
    }
}

void Assembly::addScatter(const PointPart &part)
{
    m_doc.addPageBreak();
    m_doc.addHeading(QStringLiteral("散点图"), 2);
    if (!part.scatter) {
        m_doc.addParagraph(QStringLiteral("没有流速与水位记录。"));
        return;
    }
    Scattergraph *sg = part.scatter.get();
    QStringList lines;
    if (!sg->pipeProblem().isEmpty())
        lines << sg->pipeProblem();
    if (sg->fit().valid())
        lines << QStringLiteral("拟合 v = C·R^(2/3): C = %1, RMSE %2 m/s, %3 条记录, 剔除 %4 条")
                     .arg(numberText(sg->fit().coefficient, 3), numberText(sg->fit().rmse, 4))
                     .arg(sg->fit().records)
                     .arg(sg->fit().leftOut);
    if (sg->sweep().bestMm >= 0)
        lines << QStringLiteral("淤积估算 %1 mm (%2), 文件 %3 mm")
                     .arg(sg->sweep().bestMm)
                     .arg(sedimentTrustText(sg->trust().level))
                     .arg(sg->sweep().fileMm);
    if (!sg->panel()->settings().friction)
        lines << QStringLiteral("未设定坡度, 未画管道曲线。");
    for (const QString &l : std::as_const(lines))
        m_doc.addParagraph(l);
    m_doc.addPicture(
        [sg](QPainter *painter, const QRectF &rect) {
            // Points a little coarser than on screen, so the lines drawn over them leave them seen.
            const int shownCell = sg->points()->cellSize();
            sg->points()->setCellSize(4);
            plotexport::paintPanes(painter, {sg->plot()}, rect);
            sg->points()->setCellSize(shownCell);
        },
        150.0);
}

void Assembly::addRain(const PointPart &part)
{
    m_doc.addHeading(QStringLiteral("降雨与暴雨事件"), 2);
    if (!part.haveRain) {
        m_doc.addParagraph(QStringLiteral("本测点没有可用的雨量计。"));
        return;
    }
    const RainSeries &rain = part.rain.series;
    m_doc.addParagraph(
        QStringLiteral(
            "雨量计 %1: 本时段降雨 %2 mm; 暴雨事件以 6 小时无雨分隔, 雨量不足 2 mm 的不列出 (%3 场)。")
            .arg(part.rain.gauge->name, numberText(depthBetween(rain, part.from, part.to), 1))
            .arg(part.storms.minor));
    ReportTable table;
    table.header = QStringList{QStringLiteral("开始"),         QStringLiteral("历时(h)"),
                               QStringLiteral("雨量(mm)"),     QStringLiteral("5分钟峰值(mm/h)"),
                               QStringLiteral("入流入渗(m³)"), QStringLiteral("入流峰值(L/s)"),
                               QStringLiteral("峰值时间"),     QStringLiteral("R")};
    for (const StormEvent &e : part.storms.events) {
        if (e.end < part.from || e.start > part.to)
            continue;
        const auto r = std::find_if(part.rdii.events.cbegin(), part.rdii.events.cend(),
                                    [&](const RdiiEvent &x) { return x.start == e.start; });
        const bool has = r != part.rdii.events.cend();
        table.rows.push_back({clockText(e.start), numberText(e.durationHours(), 1), numberText(e.depthMm, 1),
                              e.peak5 ? numberText(*e.peak5, 1) : QStringLiteral("-"),
                              has ? volumeText(r->volumeM3) : QStringLiteral("-"),
                              has ? flowText(r->peakRdii) : QStringLiteral("-"),
                              has ? clockText(r->peakTime) : QStringLiteral("-"),
                              has ? numberText(r->runoffRatio, 3) : QStringLiteral("-")});
    }
    if (table.rows.isEmpty()) {
        m_doc.addParagraph(QStringLiteral("本时段没有暴雨事件。"));
    } else {
        m_doc.addTable(std::move(table));
    }
    if (part.rdii.summary.withRatio > 0)
        m_doc.addParagraph(
            QStringLiteral("R (入流入渗水量 / 汇水面积上的雨量): 平均 %1, 最小 %2, 最大 %3 (%4 场)。")
                .arg(numberText(part.rdii.summary.meanRatio, 3), numberText(part.rdii.summary.minRatio, 3),
                     numberText(part.rdii.summary.maxRatio, 3))
                .arg(part.rdii.summary.withRatio));
    for (const QString &n : part.rdii.notes)
        m_doc.addParagraph(n);
}

void Assembly::addDryWeather(const PointPart &part)
{
    m_doc.addHeading(QStringLiteral("旱季流量"), 2);
    if (part.survey.layer().family != Family::Rva || part.survey.layer().empty()) {
        m_doc.addParagraph(QStringLiteral("没有流量记录。"));
        return;
    }
    const DwfFigures &f = part.dwf.figures;
    m_doc.addKeyValues({{QStringLiteral("旱季日"), QStringLiteral("工作日 %1 天, 周末 %2 天")
                                                       .arg(part.dwf.weekday.days.size())
                                                       .arg(part.dwf.weekend.days.size())},
                        {QStringLiteral("平均旱季流量 ADWF"), flowText(f.adwf) + QStringLiteral(" L/s")},
                        {QStringLiteral("最小夜间流量 MNF"), flowText(f.mnf) + QStringLiteral(" L/s")},
                        {QStringLiteral("峰值流量"), flowText(f.peak) + QStringLiteral(" L/s")},
                        {QStringLiteral("峰值系数"), numberText(f.peakFactor, 2)},
                        {QStringLiteral("地下水入渗 GWI"), flowText(f.gwi) + QStringLiteral(" L/s")},
                        {QStringLiteral("基本污水流量"), flowText(f.baseSanitary) + QStringLiteral(" L/s")}});
    for (const QString &n : part.dwf.notes)
        m_doc.addParagraph(n);
    if (part.dwf.weekday.present() || part.dwf.weekend.present()) {
        const DryWeatherResult *dwf = &part.dwf;
        const QFont font = m_plotFont;
        m_doc.addPicture(
            [dwf, font](QPainter *painter, const QRectF &rect) { paintProfiles(painter, rect, *dwf, font); },
            80.0);
    }
}

void Assembly::addQuality(const PointPart &part)
{
    m_doc.addHeading(QStringLiteral("数据质量"), 2);
    const SurveyFigures &fig = part.figures;
    const JoinedSurvey &joined = part.survey.survey();
    m_doc.addKeyValues(
        {{QStringLiteral("覆盖率"), percentText(fig.coverage()) + QStringLiteral(" %")},
         {QStringLiteral("记录"), QString::number(part.survey.layer().size())},
         {QStringLiteral("重复与冲突"),
          QStringLiteral("重复 %1 条, 冲突 %2 处").arg(joined.duplicates).arg(joined.conflicts.size())},
         {QStringLiteral("检查发现"), QString::number(fig.check.findings.size())}});
    for (const LeftOutFile &f : joined.leftOut)
        m_doc.addParagraph(QStringLiteral("未采用 %1: %2").arg(f.name, f.reason));
    for (const JoinFinding &f : joined.findings)
        m_doc.addParagraph(
            QStringLiteral("%1: %2").arg(joinFindingKindText(f.kind), joinFindingText(f, part.survey.raw())));
    if (!fig.check.findings.isEmpty()) {
        ReportTable table;
        table.header = QStringList{QStringLiteral("类型"), QStringLiteral("开始"), QStringLiteral("结束"),
                                   QStringLiteral("说明")};
        table.alignment = {Qt::AlignLeft, Qt::AlignLeft, Qt::AlignLeft, Qt::AlignLeft};
        for (qsizetype i = 0; i < fig.check.findings.size() && i < kMaxFindingRows; ++i) {
            const Finding &f = fig.check.findings[i];
            table.rows.push_back({findingKindText(f.kind), clockText(f.start), clockText(f.end),
                                  findingDetail(f, fig.check.channelNames)});
        }
        m_doc.addTable(std::move(table));
        if (fig.check.findings.size() > kMaxFindingRows)
            m_doc.addParagraph(
                QStringLiteral("另有 %1 项未列出。").arg(fig.check.findings.size() - kMaxFindingRows));
    }
    m_doc.addHeading(QStringLiteral("数据修改"), 3);
    if (m_request.layer == LayerChoice::Raw)
        m_doc.addParagraph(QStringLiteral("本报告采用原始数据, 下列修改未计入。"));
    if (!part.survey.editsReadable())
        m_doc.addParagraph(QStringLiteral("修改记录无法读取: %1").arg(part.survey.dbMessage()));
    if (part.survey.edits().empty()) {
        m_doc.addParagraph(QStringLiteral("没有修改。"));
        return;
    }
    ReportTable table;
    table.header = QStringList{QStringLiteral("编号"), QStringLiteral("操作"),   QStringLiteral("时段"),
                               QStringLiteral("原因"), QStringLiteral("修改人"), QStringLiteral("状态")};
    table.alignment = {Qt::AlignRight, Qt::AlignLeft, Qt::AlignLeft,
                       Qt::AlignLeft,  Qt::AlignLeft, Qt::AlignLeft};
    for (const Edit &e : part.survey.edits())
        table.rows.push_back({QString::number(e.id), editOpText(e.op), periodText(e.from, e.to), e.reason,
                              e.user, stateText(e)});
    m_doc.addTable(std::move(table));
}

SurveyReportResult Assembly::run(const QString &path)
{
    SurveyReportResult result;
    QString fontError;
    if (reportFontFamily(&fontError).isEmpty()) {
        result.error = fontError;
        return result;
    }
    m_plotFont = reportFont(7.5);
    const ProjectFiles project =
        m_request.project.opened ? m_request.project : readProjectFiles(m_request.indexPath);
    if (!project.opened) {
        result.error = QStringLiteral("无法读取 %1").arg(m_request.indexPath);
        return result;
    }
    QStringList names = m_request.points;
    if (names.isEmpty())
        for (const PointFiles &p : project.points)
            names << p.name;
    for (const QString &n : std::as_const(names))
        if (!project.point(n)) {
            result.error = QStringLiteral("项目中没有测点 %1").arg(n);
            return result;
        }
    if (names.isEmpty()) {
        result.error = QStringLiteral("项目中没有测点");
        return result;
    }
    const ProjectDb db(ProjectDb::pathFor(project.indexPath));
    for (int i = 0; i < names.size(); ++i) {
        if (cancelled()) {
            result.outcome = WriteOutcome::Cancelled;
            return result;
        }
        progress(40 * i / int(names.size()), QStringLiteral("读取测点 %1").arg(names[i]));
        auto part = std::make_unique<PointPart>();
        part->name = names[i];
        readPoint(*part, project, db);
        m_parts.push_back(std::move(part));
    }
    progress(40, QStringLiteral("排版"));
    m_doc.setTitle(QStringLiteral("%1 流量监测报告").arg(project.name));
    m_doc.setCreator(QStringLiteral("Limnova Viewer %1").arg(m_request.version));
    addCover(project, projectGauges(db));
    for (const auto &part : m_parts) {
        m_doc.addPageBreak();
        m_doc.setRunningHeader(project.name, part->name);
        m_doc.addHeading(QStringLiteral("测点 %1").arg(part->name), 1);
        addSiteSheet(*part);
        addDailyTable(*part);
        addHydrographs(*part);
        addScatter(*part);
        addRain(*part);
        addDryWeather(*part);
        addQuality(*part);
    }
    m_doc.setCancelCheck([this] { return cancelled(); });
    m_doc.setProgress([this](int done, int total) {
        progress(40 + 60 * done / std::max(total, 1), QStringLiteral("写入第 %1/%2 页").arg(done).arg(total));
    });
    result.outcome = m_doc.write(path, &result.error);
    result.pages = m_doc.pageCount();
    result.notes = m_notes;
    return result;
}

} // namespace

SurveyReportResult writeSurveyReport(const SurveyReportRequest &request, const QString &path,
                                     const SurveyReportCallbacks &callbacks)
{
    Assembly assembly(request, callbacks);
    return assembly.run(path);
}

} // namespace lmv::report
