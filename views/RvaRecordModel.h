#pragma once

#include "data/Records.h"
#include "views/RecordModel.h"

#include <vector>

// The RVA detail table: nine columns over the decoded records of one file, and a tenth, the
// flag column "标记", while the records shown are a point's edited ones with their flags.
//
// Columns 1, 3, 5 and 8 show the stored level, velocity, flow and serial number (hidden in the
// view); 2, 4 and 6 the level, velocity and flow in the selected units with the file's correction
// factors; 0 the time text and 7 the rounded temperature. The shown values are computed from the
// stored ones whenever they are asked for, so a unit switch or a new correction changes exactly
// the shown values and never accumulates rounding.
class RvaRecordModel : public RecordModel
{
    Q_OBJECT

public:
    enum Column
    {
        TimeColumn = 0,
        StoredLevelColumn = 1,
        LevelColumn = 2,
        StoredVelocityColumn = 3,
        VelocityColumn = 4,
        StoredFlowColumn = 5,
        FlowColumn = 6,
        TemperatureColumn = 7,
        SequenceColumn = 8,
        ColumnCount = 9,
        FlagColumn = 9, // only while flags are set
    };

    explicit RvaRecordModel(QObject *parent = nullptr);

    // Shows the records of a file in file order with its corrections vc and fc.
    void setRecords(std::vector<lmv::RvaRecord> records, float velocityCorrection, float flowCorrection);
    void clearRecords() override;

    // Unit factors of the shown level, velocity and flow (1 for m, m/s, L/s).
    void setLevelFactor(float factor);
    void setVelocityFactor(float factor);
    void setFlowFactor(float factor);
    void setUnitFactors(float levelFactor, float velocityFactor, float flowFactor);
    // New correction factors for the shown velocities and flows; stored values stay.
    void setVelocityCorrection(float velocityCorrection);
    void setCorrections(float velocityCorrection, float flowCorrection);
    // The edit flags of the shown records (survey::RecordFlag bits, file order): the flag column
    // appears and flagged cells are tinted. Empty: the nine columns alone. New records drop them.
    void setFlags(std::vector<quint8> flags);
    const std::vector<quint8> &flags() const { return m_flags; }
    // Replaces the stored flow of every record (file order), as when a new pipe is tried on the view.
    void setStoredFlows(const std::vector<float> &flows);

    float levelFactor() const { return m_levelFactor; }
    float velocityFactor() const { return m_velocityFactor; }
    float flowFactor() const { return m_flowFactor; }
    float velocityCorrection() const { return m_vc; }
    float flowCorrection() const { return m_fc; }

    // Records in file order.
    const std::vector<lmv::RvaRecord> &records() const { return m_records; }
    // The record shown in a row.
    const lmv::RvaRecord &recordAtRow(int row) const
    {
        return m_records[static_cast<std::size_t>(recordIndex(row))];
    }

    // Shown values of a record with the current factors.
    float shownLevel(const lmv::RvaRecord &r) const;
    float shownVelocity(const lmv::RvaRecord &r) const;
    float shownFlow(const lmv::RvaRecord &r) const;
    static float shownTemperature(const lmv::RvaRecord &r);

    QVariant cellValue(int row, int column) const override;
    void appendCellText(QString &out, int row, int column, const NumberText &numbers) const override;
    int writeCellLatin1(char *dst, int row, int column, const NumberText &numbers) const override;
    bool latin1Column(int column) const override { return column != FlagColumn; }
    QVariant cellBackground(int row, int column) const override;

protected:
    bool sortKey(int record, int column, std::uint64_t &key) const override;

private:
    float numberAt(const lmv::RvaRecord &r, int column) const;

    quint8 flagAtRow(int row) const;

    std::vector<lmv::RvaRecord> m_records;
    std::vector<quint8> m_flags;
    float m_vc = 1.0f;
    float m_fc = 1.0f;
    float m_levelFactor = 1.0f;
    float m_velocityFactor = 1.0f;
    float m_flowFactor = 1.0f;
};
