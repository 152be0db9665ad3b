// Fuzz entry of a point's edits: a history read back from a project database may hold anything
// (ranges reversed or far outside the survey, values that are no numbers, fills of any length,
// edits of files the survey does not hold). The input makes a small layer and such a history;
// the edited layer must stay a sound layer whatever the history says.
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/FuzzEntries.h"

#include "data/Hydraulics.h"
#include "data/Tables.h"
#include "data/TimeSteps.h"
#include "survey/EditExport.h"
#include "survey/Edits.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lmv::fuzz {

namespace {

using survey::Edit;
using survey::EditOp;
using survey::SurveyLayer;

// Reads the input a field at a time; past the end every field is 0.
class Input
{
public:
    Input(const std::uint8_t *data, std::size_t size) : m_data(data), m_size(size) {}
    template <typename T>
    T take()
    {
        T value{};
        const std::size_t n = std::min(sizeof value, m_size - m_at);
        std::memcpy(&value, m_data + m_at, n);
        m_at += n;
        return value;
    }
    bool done() const { return m_at >= m_size; }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

constexpr qint64 kStart = 1710115200; // 2024-03-11 on the logger's clock

// Header: options (bit 0 RVB, bits 1-2 sources − 1), records, edits, interval in 10 s. Then per
// record its step (s) and level byte; then per edit op, from and to (steps from the start, may be
// negative), value, value2, maximum gap (10 s) and a byte (bit 0 undone, bits 1-3 file).
SurveyLayer layerOf(Input &in, std::size_t &editCount)
{
    const auto options = in.take<std::uint8_t>();
    const auto records = in.take<std::uint8_t>();
    editCount = in.take<std::uint8_t>() % 48;
    const auto interval = qint64(in.take<std::uint8_t>() % 60 + 1) * 10;
    const std::size_t sources = ((options >> 1) & 3) + 1;
    SurveyLayer layer;
    layer.family = (options & 1) ? Family::Rvb : Family::Rva;
    for (std::size_t s = 0; s < sources; ++s) {
        survey::SurveySource src;
        src.name = QStringLiteral("f%1.lmv").arg(s);
        src.header.point = makePointRecord(QStringLiteral("p"), QStringLiteral("q"), quint32(s % 4),
                                           800 + 200 * quint32(s), 1000, 400, quint32(s) * 30);
        src.header.calc.recordInterval = quint32(interval);
        src.header.calc.velocityCorrection = 1.0f + 0.1f * float(s);
        layer.sources.push_back(src);
    }
    qint64 t = kStart;
    for (std::size_t i = 0; i < records; ++i) {
        const auto step = in.take<std::uint8_t>();
        const auto level = in.take<std::uint8_t>();
        t += qint64(step % 64 + 1) * (interval / 2);
        const quint32 source = quint32(std::min<std::size_t>(i * sources / records, sources - 1));
        layer.times.push_back(t);
        layer.source.push_back(source);
        layer.sourceRecord.push_back(qint64(i));
        if (layer.family == Family::Rva) {
            RvaRecord r;
            r.time = recordTimeOf(t);
            r.sequence = quint32(i);
            r.level = float(level) / 256.0f;
            r.velocity = float(level % 17) / 10.0f;
            r.flow = recordFlow(pipeGeometryFrom(layer.sources[source].header.point), r.level, r.velocity);
            layer.rva.push_back(r);
        } else {
            RvbRecord r;
            r.timeSeconds = quint32(t - kRvbEpochSeconds);
            r.channel[0] = float(level);
            layer.rvb.push_back(r);
        }
    }
    layer.intervalSeconds = interval;
    return layer;
}

Edit editOf(Input &in, qint64 id, qint64 interval)
{
    Edit e;
    e.id = id;
    e.op = EditOp(in.take<std::uint8_t>() % 5);
    e.from = kStart + qint64(in.take<qint16>()) * interval / 2;
    e.to = kStart + qint64(in.take<qint16>()) * interval / 2;
    e.value = double(in.take<float>());
    e.value2 = double(in.take<float>());
    e.maxGapSeconds = qint64(in.take<quint16>()) * 10 - 100;
    const auto bits = in.take<std::uint8_t>();
    e.undone = bits & 1;
    const int file = (bits >> 1) & 7;
    if (file > 0)
        e.file = QStringLiteral("f%1.lmv").arg(file - 1);
    e.reason = QStringLiteral("r");
    return e;
}

QByteArray bytesOf(const SurveyLayer &l)
{
    QByteArray out;
    auto add = [&out](const auto &v) {
        out.append(reinterpret_cast<const char *>(v.data()), int(v.size() * sizeof(v[0])));
    };
    add(l.times);
    add(l.rva);
    add(l.rvb);
    add(l.source);
    add(l.sourceRecord);
    add(l.flags);
    out.append(reinterpret_cast<const char *>(&l.intervalSeconds), int(sizeof l.intervalSeconds));
    return out;
}

void checkLayer(const SurveyLayer &raw, const SurveyLayer &edited)
{
    const std::size_t n = edited.times.size();
    require(edited.family == raw.family && edited.intervalSeconds == raw.intervalSeconds, "layer kind kept");
    require((raw.family == Family::Rva ? edited.rva.size() : edited.rvb.size()) == n &&
                edited.source.size() == n && edited.sourceRecord.size() == n &&
                (edited.flags.empty() || edited.flags.size() == n),
            "arrays of one length");
    require(std::adjacent_find(edited.times.begin(), edited.times.end(), std::greater_equal<qint64>()) ==
                edited.times.end(),
            "times strictly ascending");
    for (std::size_t j = 0; j < n; ++j) {
        const quint8 flag = edited.flag(qsizetype(j));
        require(edited.source[j] < edited.sources.size(), "source index");
        require(!(flag & ~(survey::FlagFilled | survey::FlagCorrected)), "only filled and corrected flags");
        require((edited.sourceRecord[j] < 0) == bool(flag & survey::FlagFilled),
                "filled records have no number");
        if (edited.sourceRecord[j] >= 0) {
            const auto i = std::size_t(edited.sourceRecord[j]);
            require(i < raw.times.size() && raw.times[i] == edited.times[j],
                    "a present record keeps its time");
            if (raw.family == Family::Rva && !(flag & survey::FlagCorrected))
                require(std::memcmp(&raw.rva[i], &edited.rva[j], sizeof(RvaRecord)) == 0,
                        "raw records unchanged");
            if (raw.family == Family::Rvb)
                require(std::memcmp(&raw.rvb[i], &edited.rvb[j], sizeof(RvbRecord)) == 0,
                        "raw records unchanged");
        }
        if (raw.family == Family::Rva) {
            const RvaRecord &r = edited.rva[j];
            require(std::isfinite(r.level) && std::isfinite(r.velocity) && std::isfinite(r.flow),
                    "finite values");
            require(clockSeconds(r.time) == edited.times[j], "record time matches");
        }
    }
}

} // namespace

int surveyEdits(const std::uint8_t *data, std::size_t size)
{
    Input in(data, size);
    std::size_t editCount = 0;
    const SurveyLayer raw = layerOf(in, editCount);
    std::vector<Edit> edits;
    for (std::size_t k = 0; k < editCount; ++k)
        edits.push_back(
            editOf(in, k % 2 ? qint64(k) : qint64(1000 - k), raw.intervalSeconds)); // ids out of order
    const QByteArray rawBytes = bytesOf(raw);

    const SurveyLayer edited = survey::applyEdits(raw, edits);
    require(bytesOf(raw) == rawBytes, "raw layer untouched");
    checkLayer(raw, edited);
    require(bytesOf(survey::applyEdits(raw, edits)) == bytesOf(edited), "same history, same layer");

    const std::vector<survey::EditVolume> volumes = survey::editVolumes(raw, edits);
    require(volumes.size() == edits.size(), "a volume per edit");
    for (const survey::EditVolume &v : volumes)
        require(std::isfinite(v.volumeM3), "finite volumes");

    // The latest edit, when it could be made on the layer before it, holds in the result.
    if (!edits.empty()) {
        auto latest = std::max_element(edits.begin(), edits.end(),
                                       [](const Edit &a, const Edit &b) { return a.id < b.id; });
        std::vector<Edit> before(edits);
        before.erase(before.begin() + (latest - edits.begin()));
        if (!latest->undone && latest->op == EditOp::Remove &&
            survey::validateEdit(survey::applyEdits(raw, before), *latest).isEmpty())
            for (std::size_t j = 0; j < edited.times.size(); ++j)
                require(
                    edited.times[j] < latest->from || edited.times[j] > latest->to ||
                        (!latest->file.isEmpty() && edited.sources[edited.source[j]].name != latest->file),
                    "a removal leaves nothing of its range");
    }

    for (Edit &e : edits)
        e.undone = true;
    require(bytesOf(survey::applyEdits(raw, edits)) == rawBytes, "all undone gives the raw layer");

    const QByteArray rows = survey::formatLayerRows(raw, edited, ',', true);
    qsizetype kept = 0;
    for (qint64 r : edited.sourceRecord)
        kept += r >= 0;
    const qsizetype header = raw.family == Family::Rva ? 1 : 2;
    require(rows.count('\n') == header + edited.size() + (raw.size() - kept), "a row per record and removal");
    return 0;
}

} // namespace lmv::fuzz
