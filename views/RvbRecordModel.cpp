#include "views/RvbRecordModel.h"

#include "data/Tables.h"

#include <cstdio>

namespace {

enum class Kind
{
    Time,
    Float,
    Unsigned,
    Hex
};

struct Cell
{
    Kind kind;
    float f = 0.0f;
    std::uint32_t u = 0;
};

// The value of one column of a record, following the column order of the RVB tables.
Cell cellOf(const lmv::RvbRecord &r, int column)
{
    if (column == 0)
        return {Kind::Time, 0.0f, r.timeSeconds};
    if (column >= 1 && column <= 6)
        return {Kind::Float, r.channel[std::size_t(column - 1)]};
    if (column >= 23 && column <= 25)
        return {Kind::Unsigned, 0.0f, r.mainG[std::size_t(column - 23)]};
    if (column >= 26 && column <= 28)
        return {Kind::Unsigned, 0.0f, r.mainM[std::size_t(column - 26)]};
    if (column >= 29 && column <= 34)
        return {Kind::Unsigned, 0.0f, r.spare[std::size_t(column - 29)]};
    switch (column) {
    case 7:
        return {Kind::Hex, 0.0f, r.alarm};
    case 8:
        return {Kind::Hex, 0.0f, r.faultCode};
    case 9:
        return {Kind::Float, r.supplyVoltage};
    case 10:
        return {Kind::Float, float(r.gprsSeconds) / 3600.0f};
    case 11:
        return {Kind::Float, float(r.deviceSeconds) / 3600.0f};
    case 12:
        return {Kind::Float, float(r.sensorSeconds) / 3600.0f};
    case 13:
        return {Kind::Unsigned, 0.0f, r.vga};
    case 14:
        return {Kind::Unsigned, 0.0f, r.maxValue};
    case 15:
        return {Kind::Unsigned, 0.0f, r.acValue};
    case 16:
        return {Kind::Unsigned, 0.0f, r.dcValue};
    case 17:
        return {Kind::Unsigned, 0.0f, r.csq};
    case 18:
        return {Kind::Hex, 0.0f, r.baseStation};
    case 19:
        return {Kind::Float, r.monitor5V};
    case 20:
        return {Kind::Float, r.monitor12V};
    case 21:
        return {Kind::Float, r.monitor3V9};
    case 22:
        return {Kind::Float, r.cpuTemperature};
    default:
        return {Kind::Unsigned, 0.0f, 0};
    }
}

void appendTime(QString &out, std::uint32_t seconds)
{
    const lmv::RecordTime t = lmv::secondsToRecordTime(seconds);
    appendTimeText(out, t.year, t.month, t.day, t.hour, t.minute, t.second);
}

void appendChars(QString &out, const char *text, int size)
{
    out.append(QLatin1String(text, size));
}

void appendHex(QString &out, std::uint32_t value)
{
    char buf[16];
    appendChars(out, buf, std::snprintf(buf, sizeof buf, "0x%x", value));
}

} // namespace

RvbRecordModel::RvbRecordModel(QObject *parent) : RecordModel(ColumnCount, parent) {}

void RvbRecordModel::setRecords(std::vector<lmv::RvbRecord> records)
{
    insertRecords(m_records, std::move(records));
}

void RvbRecordModel::clearRecords()
{
    removeRecords(m_records);
}

QVariant RvbRecordModel::cellValue(int row, int column) const
{
    const Cell c = cellOf(recordAtRow(row), column);
    QString text;
    switch (c.kind) {
    case Kind::Time:
        appendTime(text, c.u);
        return text;
    case Kind::Hex:
        appendHex(text, c.u);
        return text;
    case Kind::Float:
        return QVariant(c.f);
    case Kind::Unsigned:
        return QVariant(uint(c.u));
    }
    return QVariant();
}

void RvbRecordModel::appendCellText(QString &out, int row, int column, const NumberText &numbers) const
{
    const Cell c = cellOf(recordAtRow(row), column);
    switch (c.kind) {
    case Kind::Time:
        appendTime(out, c.u);
        break;
    case Kind::Hex:
        appendHex(out, c.u);
        break;
    case Kind::Float:
        numbers.appendFloat(out, c.f);
        break;
    case Kind::Unsigned:
        numbers.appendUnsigned(out, c.u);
        break;
    }
}

int RvbRecordModel::writeCellLatin1(char *dst, int row, int column, const NumberText &numbers) const
{
    const Cell c = cellOf(recordAtRow(row), column);
    switch (c.kind) {
    case Kind::Time: {
        const lmv::RecordTime t = lmv::secondsToRecordTime(c.u);
        return writeTimeText(dst, t.year, t.month, t.day, t.hour, t.minute, t.second);
    }
    case Kind::Hex:
        return std::snprintf(dst, kMaxCellLatin1, "0x%x", c.u);
    case Kind::Float:
        return numbers.writeFloat(dst, c.f);
    case Kind::Unsigned:
        return numbers.writeUnsigned(dst, c.u);
    }
    return 0;
}

bool RvbRecordModel::sortKey(int record, int column, std::uint64_t &key) const
{
    const Cell c = cellOf(m_records[static_cast<std::size_t>(record)], column);
    switch (c.kind) {
    case Kind::Time: // seconds since 2014 order like the time texts
    case Kind::Unsigned:
        key = c.u;
        return true;
    case Kind::Float:
        key = floatSortKey(c.f);
        return true;
    case Kind::Hex:
        return false; // "0x1f" sorts before "0x2", as texts do
    }
    return false;
}
