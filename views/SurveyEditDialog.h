#pragma once

// The dialog of one edit of a point's survey: the operation (删除, 插补, 水位偏移, 漂移修正,
// 流速系数), its range, its values, the longest gap a fill bridges, the drift offsets from the
// visits at either end or typed, and the reason, which is required. OK asks (editRequested) for
// the edit to be stored; the window answers with accept() or with showProblem(), and the dialog
// stays open until the edit is stored or the user gives up.

#include "survey/Edits.h"

#include <QDialog>

#include <vector>

class QComboBox;
class QDateTimeEdit;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;

class SurveyEditDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SurveyEditDialog(QWidget *parent = nullptr);

    // The range the dialog opens with (clock seconds, both ends included).
    void setRange(qint64 from, qint64 to);
    // The level differences of the point's visits, for the drift offsets.
    void setVisitDifferences(std::vector<lmv::survey::VisitDifference> visits);
    // The edit as the fields give it (id, user and time unset).
    lmv::survey::Edit edit() const;
    // Says why the edit was not stored; the dialog stays open.
    void showProblem(const QString &text);
    // Takes the drift offsets from the visits at either end of the range; false with the reason
    // shown when they cannot be told.
    bool takeDriftFromVisits();

    QComboBox *opCombo = nullptr; // item data: EditOp
    QDateTimeEdit *fromEdit = nullptr;
    QDateTimeEdit *toEdit = nullptr;
    QLabel *valueLabel = nullptr;
    QDoubleSpinBox *valueSpin = nullptr;
    QLabel *value2Label = nullptr;
    QDoubleSpinBox *value2Spin = nullptr;
    QLabel *maxGapLabel = nullptr;
    QDoubleSpinBox *maxGapSpin = nullptr; // minutes
    QPushButton *visitDriftButton = nullptr;
    QLineEdit *reasonEdit = nullptr;
    QLabel *messageLabel = nullptr;
    QPushButton *okButton = nullptr;

signals:
    void editRequested(const lmv::survey::Edit &edit);

private:
    void opChanged();

    std::vector<lmv::survey::VisitDifference> m_visits;
};
