#include "survey/EditExport.h"

#include "data/Tables.h"
#include "survey/Edits.h"

#include <QSaveFile>

#include <cstdio>

namespace lmv::survey {

namespace {

// Appends fields and lines in the exports' forms.
class Rows
{
public:
    explicit Rows(char separator) : m_sep(separator) {}

    void sep() { m_out.append(m_sep); }
    void text(const QString &s) { m_out.append(s.toUtf8()); }
    void fixed(float value, int decimals) { m_out.append(formatFixed(value, decimals).c_str()); }
    void number(quint64 value) { m_out.append(QByteArray::number(value)); }
    void hex(quint32 value) { m_out.append("0x").append(QByteArray::number(value, 16)); }
    void time(const RecordTime &t)
    {
        char buf[48];
        std::snprintf(buf, sizeof buf, "[%u-%02u-%02u %02u:%02u:%02u]", unsigned(t.year), unsigned(t.month),
                      unsigned(t.day), unsigned(t.hour), unsigned(t.minute), unsigned(t.second));
        m_out.append(buf);
    }
    void endLine() { m_out.append("\r\n"); }
    void reserve(qsizetype bytes) { m_out.reserve(int(bytes)); }
    QByteArray take() { return std::move(m_out); }

private:
    char m_sep;
    QByteArray m_out;
};

// Rows are built in memory; a layer whose text would pass this is not exported.
constexpr qsizetype kMaxRowBytes = qsizetype(1) << 30;

const QString kFlagColumn = QStringLiteral("数据标记");

void rvaColumns(Rows &w, bool withFlags)
{
    const char *columns[] = {"序号", "液位(m)", "流速(m/s)", "流量(L/s)", "记录时间"};
    for (int i = 0; i < 5; ++i) {
        if (i > 0)
            w.sep();
        w.text(QString::fromUtf8(columns[i]));
    }
    if (withFlags) {
        w.sep();
        w.text(kFlagColumn);
    }
    w.endLine();
}

// One record of the edited layer; a removed raw record when values is false.
void rvaRow(Rows &w, const SurveyLayer &layer, qsizetype i, bool values, bool withFlags, quint8 flags)
{
    const RvaRecord &r = layer.rva[std::size_t(i)];
    if (layer.sourceRecord[std::size_t(i)] >= 0)
        w.number(r.sequence);
    w.sep();
    if (values) {
        const CalcParams &calc = layer.calc(i);
        w.fixed(r.level, 3);
        w.sep();
        w.fixed(r.velocity * calc.velocityCorrection, 3);
        w.sep();
        w.fixed(r.flow * calc.velocityCorrection * calc.flowCorrection, 3);
    } else {
        w.sep();
        w.sep();
    }
    w.sep();
    w.time(r.time);
    if (withFlags) {
        w.sep();
        w.text(recordFlagText(flags));
    }
    w.endLine();
}

void rvbColumns(Rows &w, const SurveyLayer &layer, bool withFlags)
{
    const int model = layer.sources.empty() ? 0 : layer.sources.front().header.device.modelCode();
    const QStringList names = modelChannelNameList(model);
    const QStringList units = modelChannelUnitList(model);
    for (const auto &[channels, fixedColumns] :
         {std::pair{&names, &RvbColumnNames}, std::pair{&units, &RvbUnitLabels}}) {
        for (int c = 0; c < kRvbColumnCount; ++c) {
            w.text(c >= 1 && c <= 6 ? channels->at(c - 1) : fixedColumns->at(c));
            w.sep();
        }
        if (withFlags && channels == &names)
            w.text(kFlagColumn);
        w.endLine();
    }
}

void rvbRow(Rows &w, const SurveyLayer &layer, qsizetype i, bool values, bool withFlags, quint8 flags)
{
    const RvbRecord &r = layer.rvb[std::size_t(i)];
    w.time(secondsToRecordTime(r.timeSeconds));
    if (values) {
        w.sep();
        for (float value : r.channel) {
            w.fixed(value, 3);
            w.sep();
        }
        w.hex(r.alarm);
        w.sep();
        w.hex(r.faultCode);
        w.sep();
        w.fixed(r.supplyVoltage, 3);
        w.sep();
        for (quint32 seconds : {r.gprsSeconds, r.deviceSeconds, r.sensorSeconds}) {
            w.fixed(float(seconds) / 3600.0f, 3);
            w.sep();
        }
        for (quint16 value : {r.vga, r.maxValue, r.acValue, r.dcValue}) {
            w.number(value);
            w.sep();
        }
        w.number(r.csq);
        w.sep();
        w.hex(r.baseStation);
        w.sep();
        for (float value : {r.monitor5V, r.monitor12V, r.monitor3V9, r.cpuTemperature}) {
            w.fixed(value, 3);
            w.sep();
        }
        for (quint16 value : r.mainG) {
            w.number(value);
            w.sep();
        }
        for (quint16 value : r.mainM) {
            w.number(value);
            w.sep();
        }
        for (std::size_t k = 0; k < r.spare.size(); ++k) {
            w.number(r.spare[k]);
            if (k + 1 < r.spare.size())
                w.sep();
        }
    } else {
        for (int c = 1; c < kRvbColumnCount; ++c)
            w.sep();
    }
    if (withFlags) {
        w.sep();
        w.text(recordFlagText(flags));
    }
    w.endLine();
}

} // namespace

QByteArray formatLayerRows(const SurveyLayer &raw, const SurveyLayer &edited, char separator, bool withFlags)
{
    Rows w(separator);
    const bool rva = edited.family == Family::Rva;
    const qsizetype expected =
        (qsizetype(edited.size()) + (withFlags ? raw.size() : 0)) * (rva ? 64 : 256) + 4096;
    if ((!rva && edited.family != Family::Rvb) || expected > kMaxRowBytes)
        return QByteArray();
    w.reserve(expected);
    auto row = [&](const SurveyLayer &layer, qsizetype i, bool values, quint8 flags) {
        if (rva)
            rvaRow(w, layer, i, values, withFlags, flags);
        else
            rvbRow(w, layer, i, values, withFlags, flags);
    };
    if (rva)
        rvaColumns(w, withFlags);
    else
        rvbColumns(w, edited, withFlags);

    const bool listRemoved = withFlags && raw.family == edited.family &&
                             (rva ? raw.rva.size() : raw.rvb.size()) == raw.times.size() &&
                             raw.sourceRecord.size() == raw.times.size();
    qsizetype i = 0, j = 0;
    const qsizetype n = listRemoved ? raw.size() : 0, m = edited.size();
    while (i < n || j < m) {
        const qint64 te = j < m ? edited.times[std::size_t(j)] : 0;
        if (j < m && (i >= n || te < raw.times[std::size_t(i)])) {
            row(edited, j, true, edited.flag(j)); // filled, or every row without the raw layer
            ++j;
        } else if (j < m && te == raw.times[std::size_t(i)] && edited.sourceRecord[std::size_t(j)] >= 0) {
            row(edited, j, true, edited.flag(j)); // the raw record, as edited
            ++i;
            ++j;
        } else {
            row(raw, i, false, FlagRemoved); // an edited record at this time, if any, is a filled one
            ++i;
        }
    }
    return w.take();
}

int exportLayerRows(const SurveyLayer &raw, const SurveyLayer &edited, const QString &targetPath,
                    ExportFormat format, bool withFlags)
{
    const QByteArray text = formatLayerRows(raw, edited, exportSeparator(format), withFlags);
    QSaveFile target(targetPath);
    if (text.isEmpty() || !target.open(QIODevice::WriteOnly) || target.write(text) != text.size()) {
        target.cancelWriting();
        return ExportWriteFailed;
    }
    return target.commit() ? ExportOk : ExportWriteFailed;
}

} // namespace lmv::survey
