#include "views/SurveyCheckLink.h"

#include "plots/Hydrograph.h"
#include "views/RecordWindowBase.h"
#include "views/SurveyCheckView.h"

#include <QAbstractItemModel>
#include <QEvent>
#include <QLabel>
#include <QTableView>

#include <memory>

using namespace lmv;

namespace {

const QColor kSurchargeColour(220, 30, 30, 45);

// The check of the shown records, computed at most once per change.
struct CheckCache
{
    std::function<SurveyCheck()> source;
    std::function<QVector<Finding>()> surcharge;
    SurveyCheck check;
    bool stale = true;
    bool shadingStale = true;

    const SurveyCheck &current()
    {
        if (stale) {
            check = source ? source() : SurveyCheck{};
            stale = false;
        }
        return check;
    }
};

QVector<TimeSpan> surchargeSpans(const QVector<Finding> &findings)
{
    QVector<TimeSpan> spans;
    for (const Finding &f : findings)
        if (f.kind == FindingKind::Surcharge)
            spans.push_back({f.start, f.end});
    return spans;
}

void applyShading(Hydrograph *hydrograph, CheckCache &cache)
{
    cache.shadingStale = false;
    // A check already made has them; else the surcharge periods alone are found.
    const QVector<Finding> findings =
        !cache.stale || !cache.surcharge ? cache.current().findings : cache.surcharge();
    hydrograph->setShadedRanges(Hydrograph::SurchargeShade, kSurchargeColour, surchargeSpans(findings));
}

// Brings the hydrograph's shading up to date whenever it is shown.
class ShowWatcher : public QObject
{
public:
    ShowWatcher(Hydrograph *hydrograph, std::shared_ptr<CheckCache> cache)
        : QObject(hydrograph), m_hydrograph(hydrograph), m_cache(std::move(cache))
    {
        hydrograph->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_hydrograph && event->type() == QEvent::Show && m_cache->shadingStale)
            applyShading(m_hydrograph, *m_cache);
        return false;
    }

private:
    Hydrograph *m_hydrograph;
    std::shared_ptr<CheckCache> m_cache;
};

} // namespace

QPair<qint64, qint64> findingViewRange(qint64 start, qint64 end, qint64 intervalSeconds)
{
    const qint64 width = std::max({3 * std::abs(end - start), 40 * intervalSeconds, qint64(3600)});
    return {start - width / 2, start + width - width / 2};
}

SurveyCheckView *attachSurveyCheck(RecordWindowBase &window, std::function<SurveyCheck()> source,
                                   std::function<QVector<Finding>()> surcharge)
{
    auto cache = std::make_shared<CheckCache>();
    cache->source = std::move(source);
    cache->surcharge = std::move(surcharge);
    auto *view = new SurveyCheckView;
    view->setSource([cache] { return cache->current(); });
    window.addLowerView(QStringLiteral("数据检查"), view);
    Hydrograph *hydrograph = window.hydrograph;
    new ShowWatcher(hydrograph, cache);

    // Records in or out, other corrections or units: check again where it is seen.
    const auto changed = [cache, view, hydrograph] {
        cache->stale = true;
        cache->shadingStale = true;
        view->markStale();
        if (hydrograph->isVisible())
            applyShading(hydrograph, *cache);
    };
    QAbstractItemModel *model = window.UnitTable->model();
    QObject::connect(model, &QAbstractItemModel::rowsInserted, view, changed);
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, view, changed);
    QObject::connect(model, &QAbstractItemModel::dataChanged, view, changed);

    QObject::connect(view, &SurveyCheckView::findingSelected, view,
                     [&window, cache, view, hydrograph](qint64 start, qint64 end) {
                         // Drawn from the current records first, so that a later first showing
                         // does not reset the view and the mark.
                         window.refreshHydrograph();
                         const auto [from, to] = findingViewRange(start, end, view->check().intervalSeconds);
                         hydrograph->setTimeRange(double(from), double(to));
                         hydrograph->showTime(start);
                         view->statusLabel->setText(
                             QStringLiteral("过程线已定位到 %1").arg(clockText(start)));
                     });
    QObject::connect(view, &SurveyCheckView::recordRequested, view,
                     [&window](int record) { window.showRecordRow(record); });
    return view;
}
