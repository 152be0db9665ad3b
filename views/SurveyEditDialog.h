#pragma once

// The dialog of one edit of a point's survey: the operation (删除, 插补, 水位偏移, 漂移修正,
// 流速系数), its range, its values, the longest gap a fill bridges, the drift offsets from the
// visits at either end or typed, and the reason, which is required. OK asks (editRequested) for
// the edit to be stored; the window answers with accept() or with showProblem(), and the dialog
// stays open until the edit is stored or the user gives up.

#include "survey/Edits.h"
#include "views/SurveyEditing.h"

#include <QDialog>
#include <QPointer>

#include <functional>
#include <vector>

class QComboBox;
class QDateTimeEdit;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QHBoxLayout;
class QPushButton;

class SurveyEditDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SurveyEditDialog(QWidget *parent = nullptr);

    // Stores an edit for a window: true when stored, false with *error (Chinese) when refused.
    using StoreEdit = std::function<bool(lmv::survey::Edit &edit, QString *error)>;
    // A dialog over [from, to] with the visits' level differences, deleted when closed: OK stores
    // through `store`, then the dialog closes, or it shows why not and stays open.
    static SurveyEditDialog *create(QWidget *parent, qint64 from, qint64 to,
                                    std::vector<lmv::survey::VisitDifference> visits, StoreEdit store);

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

// The buttons the edit bars of the survey window and of a file's window share.
struct EditButtons
{
    QPushButton *cursor = nullptr;    // 修正光标 A-B 之间…
    QPushButton *selection = nullptr; // 修正表中所选…
    QPushButton *undo = nullptr;
    QPushButton *redo = nullptr;
    QPushButton *exportData = nullptr; // 导出数据… (left for the caller to place)
};
// Makes them under a parent and adds all but the export button to the bar, in this order.
EditButtons addEditButtons(QHBoxLayout *bar, QWidget *parent, const QString &selectionTip);
// Asks where an export of the shown records goes (a save dialog, .txt or .csv); empty: cancelled.
QString askExportFile(QWidget *parent, const QString &title, const QString &suggested);

// How an edit bar opens its dialog over a range: the dialog open before goes, a new one made by
// SurveyEditDialog::create (visits asked for only then) is kept in `slot` and shown with `show`.
// When edits cannot be stored (`refusal` says why) or the range is invalid, `message` says why
// and no dialog opens.
struct EditDialogRequest
{
    QString refusal;
    std::function<std::vector<lmv::survey::VisitDifference>()> visits;
    SurveyEditDialog::StoreEdit store;
    std::function<void(SurveyEditDialog *)> show;
};
void openEditDialog(QPointer<SurveyEditDialog> &slot, QWidget *parent, const lmv::EditRange &range,
                    QLabel *message, const EditDialogRequest &request);
