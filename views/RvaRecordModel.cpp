#include "views/RvaRecordModel.h"

#include "data/Statistics.h"
#include "survey/Edits.h"
#include "views/SurveyRecordModel.h"

RvaRecordModel::RvaRecordModel(QObject *parent) : RecordModel(ColumnCount, parent) {}

void RvaRecordModel::setRecords(std::vector<lmv::RvaRecord> records, float velocityCorrection,
                                float flowCorrection)
{
    removeRecords(m_records);
    setFlags({});
    m_vc = velocityCorrection;
    m_fc = flowCorrection;
    insertRecords(m_records, std::move(records));
}

void RvaRecordModel::clearRecords()
{
    removeRecords(m_records);
    setFlags({});
}

void RvaRecordModel::setFlags(std::vector<quint8> flags)
{
    m_flags = flags.size() == m_records.size() ? std::move(flags) : std::vector<quint8>();
    setColumns(m_flags.empty() ? ColumnCount : ColumnCount + 1);
    if (!m_flags.empty())
        columnsChanged({TimeColumn, LevelColumn, VelocityColumn, FlowColumn, TemperatureColumn, FlagColumn});
}

quint8 RvaRecordModel::flagAtRow(int row) const
{
    return m_flags.empty() ? quint8(0) : m_flags[std::size_t(recordIndex(row))];
}

QVariant RvaRecordModel::cellBackground(int row, int column) const
{
    if (m_flags.empty())
        return QVariant();
    const quint8 flags = flagAtRow(row);
    // A correction changes level, velocity and flow; a filled record is made whole, temperature too.
    switch (column) {
    case LevelColumn:
    case VelocityColumn:
    case FlowColumn:
    case FlagColumn:
        return lmv::flagTint(flags);
    case TemperatureColumn:
        return (flags & lmv::survey::FlagFilled) ? lmv::flagTint(flags) : QVariant();
    default:
        return QVariant();
    }
}

void RvaRecordModel::setLevelFactor(float factor)
{
    m_levelFactor = factor;
    columnsChanged({LevelColumn});
}

void RvaRecordModel::setVelocityFactor(float factor)
{
    m_velocityFactor = factor;
    columnsChanged({VelocityColumn});
}

void RvaRecordModel::setFlowFactor(float factor)
{
    m_flowFactor = factor;
    columnsChanged({FlowColumn});
}

void RvaRecordModel::setUnitFactors(float levelFactor, float velocityFactor, float flowFactor)
{
    m_levelFactor = levelFactor;
    m_velocityFactor = velocityFactor;
    m_flowFactor = flowFactor;
    columnsChanged({LevelColumn, VelocityColumn, FlowColumn});
}

void RvaRecordModel::setVelocityCorrection(float velocityCorrection)
{
    m_vc = velocityCorrection;
    columnsChanged({VelocityColumn, FlowColumn});
}

void RvaRecordModel::setCorrections(float velocityCorrection, float flowCorrection)
{
    m_vc = velocityCorrection;
    m_fc = flowCorrection;
    columnsChanged({VelocityColumn, FlowColumn});
}

void RvaRecordModel::setStoredFlows(const std::vector<float> &flows)
{
    const std::size_t n = std::min(flows.size(), m_records.size());
    for (std::size_t i = 0; i < n; ++i)
        m_records[i].flow = flows[i];
    columnsChanged({StoredFlowColumn, FlowColumn});
}

float RvaRecordModel::shownLevel(const lmv::RvaRecord &r) const
{
    return lmv::round3(r.level) * m_levelFactor;
}

float RvaRecordModel::shownVelocity(const lmv::RvaRecord &r) const
{
    return lmv::round3(r.velocity * m_vc) * m_velocityFactor;
}

float RvaRecordModel::shownFlow(const lmv::RvaRecord &r) const
{
    return lmv::round3(m_vc * r.flow * m_fc * m_flowFactor);
}

float RvaRecordModel::shownTemperature(const lmv::RvaRecord &r)
{
    return lmv::round2(r.temperature);
}

float RvaRecordModel::numberAt(const lmv::RvaRecord &r, int column) const
{
    switch (column) {
    case StoredLevelColumn:
        return r.level;
    case LevelColumn:
        return shownLevel(r);
    case StoredVelocityColumn:
        return r.velocity;
    case VelocityColumn:
        return shownVelocity(r);
    case StoredFlowColumn:
        return r.flow;
    case FlowColumn:
        return shownFlow(r);
    case TemperatureColumn:
        return shownTemperature(r);
    default:
        return 0.0f;
    }
}

QVariant RvaRecordModel::cellValue(int row, int column) const
{
    const lmv::RvaRecord &r = recordAtRow(row);
    switch (column) {
    case TimeColumn: {
        QString text;
        appendTimeText(text, r.time.year, r.time.month, r.time.day, r.time.hour, r.time.minute,
                       r.time.second);
        return text;
    }
    case SequenceColumn:
        return QVariant(uint(r.sequence));
    case FlagColumn:
        return lmv::survey::recordFlagText(flagAtRow(row));
    default:
        return QVariant(numberAt(r, column));
    }
}

void RvaRecordModel::appendCellText(QString &out, int row, int column, const NumberText &numbers) const
{
    const lmv::RvaRecord &r = recordAtRow(row);
    switch (column) {
    case TimeColumn:
        appendTimeText(out, r.time.year, r.time.month, r.time.day, r.time.hour, r.time.minute, r.time.second);
        break;
    case SequenceColumn:
        numbers.appendUnsigned(out, r.sequence);
        break;
    case FlagColumn:
        out += lmv::survey::recordFlagText(flagAtRow(row));
        break;
    default:
        numbers.appendFloat(out, numberAt(r, column));
    }
}

int RvaRecordModel::writeCellLatin1(char *dst, int row, int column, const NumberText &numbers) const
{
    const lmv::RvaRecord &r = recordAtRow(row);
    switch (column) {
    case TimeColumn:
        return writeTimeText(dst, r.time.year, r.time.month, r.time.day, r.time.hour, r.time.minute,
                             r.time.second);
    case SequenceColumn:
        return numbers.writeUnsigned(dst, r.sequence);
    case FlagColumn:
        return RecordModel::writeCellLatin1(dst, row, column, numbers);
    default:
        return numbers.writeFloat(dst, numberAt(r, column));
    }
}

bool RvaRecordModel::sortKey(int record, int column, std::uint64_t &key) const
{
    const lmv::RvaRecord &r = m_records[static_cast<std::size_t>(record)];
    switch (column) {
    case TimeColumn:
        // The time text has zero-padded fields after a four-digit year: its order is this one.
        key = (std::uint64_t(r.time.year) << 40) | (std::uint64_t(r.time.month) << 32) |
              (std::uint64_t(r.time.day) << 24) | (std::uint64_t(r.time.hour) << 16) |
              (std::uint64_t(r.time.minute) << 8) | std::uint64_t(r.time.second);
        return true;
    case SequenceColumn:
        key = r.sequence;
        return true;
    case FlagColumn:
        key = m_flags.empty() ? 0 : m_flags[std::size_t(record)];
        return true;
    default:
        key = floatSortKey(numberAt(r, column));
        return true;
    }
}
