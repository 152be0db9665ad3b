#pragma once

// The site visits of the point a survey window shows: each visit's time, the depth and velocity
// read by hand beside what the logger recorded then and the difference, the note, who entered
// it and when; "添加" asks for a new visit and stores it, "撤销" withdraws the chosen one with a
// reason (it stays listed, greyed). Writes go to the project database in one transaction each.

#include "survey/SurveyLayer.h"
#include "survey/Visits.h"

#include <QVector>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class QTableWidget;

namespace lmv::survey {
class ProjectDb;
}

class VisitPanel : public QWidget
{
    Q_OBJECT

public:
    explicit VisitPanel(QWidget *parent = nullptr);

    // Shows the visits of a point from a database (not owned; null: none can be kept, and
    // `noDatabase` says why) compared with a layer (not owned, kept while shown).
    void setPoint(lmv::survey::ProjectDb *db, const QString &point, const lmv::survey::SurveyLayer *layer,
                  const QString &noDatabase = {});
    // Reads the visits again and compares them with the layer.
    void refresh();
    // Lets visits be added and withdrawn, or not, with the reason shown above the list.
    void setWritable(bool writable, const QString &why = {});
    bool writable() const { return m_writable; }

    // The listed visits by time, withdrawn ones included, and their comparisons.
    const QVector<lmv::survey::Visit> &visits() const { return m_visits; }
    const QVector<lmv::survey::VisitComparison> &comparisons() const { return m_comparisons; }

    // Asks for a new visit starting from `initial`; nothing when cancelled. The dialog unless
    // replaced (tests).
    std::function<std::optional<lmv::survey::Visit>(QWidget *, const lmv::survey::Visit &)> askVisit;
    // Asks why a visit is withdrawn; empty when cancelled. An input box unless replaced.
    std::function<QString(QWidget *, const lmv::survey::Visit &)> askWithdrawReason;
    // The time a new visit starts at (the window's cursor, say); the survey's last record without.
    std::function<qint64()> suggestedTime;

    // Asks for a visit and stores it; false when cancelled or refused (the reason shown).
    bool addVisit();
    // Withdraws the chosen visit after asking why; false when none is chosen, cancelled or refused.
    bool withdrawSelected();

    QTableWidget *table = nullptr;
    QPushButton *addButton = nullptr;
    QPushButton *withdrawButton = nullptr;
    QLabel *messageLabel = nullptr; // why writing is off, or what the last action did

signals:
    // A visit was added or withdrawn.
    void visitsChanged();
    // A write failed: the database may have turned read-only.
    void writeFailed();
    // A visit was clicked: its time.
    void visitSelected(qint64 time);

private:
    void fill();
    void updateButtons();

    lmv::survey::ProjectDb *m_db = nullptr;
    QString m_point;
    const lmv::survey::SurveyLayer *m_layer = nullptr;
    QVector<lmv::survey::Visit> m_visits;
    QVector<lmv::survey::VisitComparison> m_comparisons;
    bool m_writable = false;
    QString m_why;
};

// A number of a visit table cell: fixed decimals, "-" for none.
QString visitNumberText(const std::optional<double> &value, int decimals);
