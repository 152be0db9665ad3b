#pragma once

// "添加现场记录": the time of a site visit, the depth and velocity read by hand and a note.
// Collects and checks the values and returns them; it writes nothing.

#include "survey/Visits.h"

#include <QDialog>

#include <optional>

class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

class VisitDialog : public QDialog
{
    Q_OBJECT

public:
    // Opens on the values of `initial` (time, and depth, velocity and note when set).
    explicit VisitDialog(const lmv::survey::Visit &initial, QWidget *parent = nullptr);

    // Asks for a visit; nothing when cancelled.
    static std::optional<lmv::survey::Visit> ask(QWidget *parent, const lmv::survey::Visit &initial);

    // The visit the fields hold, or why they hold none (Chinese): a field that is not a number,
    // or what visitProblem refuses. An empty field is a value not measured.
    std::optional<lmv::survey::Visit> visit(QString *problem = nullptr) const;

    // OK: closes with the visit when the fields hold one, else says why and stays open.
    void accept() override;

    QDateTimeEdit *timeEdit = nullptr;
    QLineEdit *depthEdit = nullptr;    // mm
    QLineEdit *velocityEdit = nullptr; // m/s
    QPlainTextEdit *noteEdit = nullptr;
    QLabel *problemLabel = nullptr;
};
