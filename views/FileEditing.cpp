#include "views/FileEditing.h"

#include <QStringList>

#include <algorithm>
#include <unordered_set>

using namespace lmv::survey;

namespace lmv {

SurveyLayer fileRecords(const SurveyLayer &layer, const QString &path)
{
    SurveyLayer out;
    out.family = layer.family;
    out.sources = layer.sources;
    out.intervalSeconds = layer.intervalSeconds;
    const bool rva = !layer.rva.empty();
    const bool rvb = !layer.rvb.empty();
    const bool flags = !layer.flags.empty();
    for (std::size_t i = 0; i < layer.times.size(); ++i) {
        if (layer.sources[layer.source[i]].path != path)
            continue;
        out.times.push_back(layer.times[i]);
        if (rva)
            out.rva.push_back(layer.rva[i]);
        if (rvb)
            out.rvb.push_back(layer.rvb[i]);
        out.source.push_back(layer.source[i]);
        out.sourceRecord.push_back(layer.sourceRecord[i]);
        if (flags)
            out.flags.push_back(layer.flags[i]);
    }
    return out;
}

bool editTouchesFile(const Edit &edit, const FileEditView &file)
{
    if (file.fileName.isEmpty())
        return false;
    if (!edit.file.isEmpty())
        return edit.file == file.fileName;
    return file.first <= file.last && edit.from <= file.last && edit.to >= file.first;
}

FileEditView fileEditView(const PointSurvey &point, const QString &path)
{
    FileEditView view;
    for (const SurveySource &s : point.wholeRaw().sources)
        if (s.path == path)
            view.fileName = s.name;
    if (view.fileName.isEmpty())
        return view;
    view.raw = fileRecords(point.wholeRaw(), path);
    view.edited = fileRecords(point.edited(), path);

    for (const SurveyLayer *l : {&view.raw, &view.edited})
        if (!l->empty()) {
            const bool none = view.first > view.last;
            view.first = none ? l->times.front() : std::min(view.first, l->times.front());
            view.last = none ? l->times.back() : std::max(view.last, l->times.back());
        }
    for (const Edit &e : point.edits())
        view.editsInForce += !e.undone && editTouchesFile(e, view) ? 1 : 0;

    std::unordered_set<qint64> present;
    for (qsizetype i = 0; i < view.edited.size(); ++i) {
        const quint8 f = view.edited.flag(i);
        view.filled += (f & FlagFilled) ? 1 : 0;
        view.corrected += (f & FlagCorrected) ? 1 : 0;
        if (view.edited.sourceRecord[std::size_t(i)] >= 0)
            present.insert(view.edited.sourceRecord[std::size_t(i)]);
    }
    for (const qint64 r : view.raw.sourceRecord)
        view.removed += present.count(r) ? 0 : 1;
    return view;
}

QString fileEditSummary(const FileEditView &view)
{
    if (view.fileName.isEmpty())
        return QStringLiteral("本文件不在监测点的调查中, 不能修正");
    if (!view.touched())
        return QStringLiteral("没有涉及本文件的修正");
    // Only what happened, to keep the line short.
    QStringList parts;
    const std::pair<qsizetype, QString> counts[] = {{view.removed, QStringLiteral("删除")},
                                                    {view.filled, QStringLiteral("插补")},
                                                    {view.corrected, QStringLiteral("修正")}};
    for (const auto &[count, what] : counts)
        if (count > 0)
            parts << QStringLiteral("%1 %2 条").arg(what).arg(count);
    const QString line = QStringLiteral("%1 条修正涉及本文件").arg(view.editsInForce);
    return parts.isEmpty() ? line : line + QStringLiteral(": ") + parts.join(QStringLiteral(", "));
}

} // namespace lmv
