#pragma once

// Site visits of a monitoring point: when an engineer was there, the depth and velocity read by
// hand, and a note; each compared with what the logger recorded at that time. Visits are never
// deleted: one entered by mistake is withdrawn with a reason and stays in the database.

#include "survey/SurveyLayer.h"

#include <QString>
#include <QVector>
#include <QtGlobal>

#include <optional>

namespace lmv::survey {

class ProjectDb;

// Limits of what a visit may hold.
constexpr int kVisitFirstYear = 1990;
constexpr int kVisitLastYear = 2100;
constexpr double kVisitMaxDepthMm = 20000.0;
constexpr double kVisitMaxSpeed = 10.0; // m/s, either direction
constexpr int kVisitMaxNoteChars = 2000;

struct Visit
{
    qint64 id = 0;
    qint64 time = 0; // clock seconds (data/TimeSteps.h)
    std::optional<double> manualDepthMm;
    std::optional<double> manualVelocity; // m/s
    QString note;
    QString user;    // who entered it
    QString created; // when, ISO local time of the computer
    bool withdrawn = false;
    QString withdrawReason;
};

// Why a visit cannot be stored (Chinese, for the window); empty when it can: a time outside
// 1990..2100, a depth that is negative, not a number or above 20 m, a velocity that is not a
// number or beyond ±10 m/s, a note longer than 2000 characters.
QString visitProblem(const Visit &visit);

// Adds a visit to a point in one transaction (the point is added to the database when new).
// False with *error set when refused or not written; visit->id, user and created are set.
bool addVisit(ProjectDb &db, const QString &point, Visit &visit, QString *error = nullptr);
// Withdraws a visit of the point with a reason (required); the row stays.
bool withdrawVisit(ProjectDb &db, const QString &point, qint64 visitId, const QString &reason,
                   QString *error = nullptr);
// The visits of a point by time (then by entry); withdrawn ones only when asked for.
QVector<Visit> visitsOf(const ProjectDb &db, const QString &point, bool withWithdrawn = false);

// A visit beside the logger: the record nearest the visit's time within one interval of the
// survey (the earlier on a tie; removed records are passed over).
struct VisitComparison
{
    qsizetype record = -1;                // index in the layer; -1 when none is near enough
    std::optional<double> loggerDepthMm;  // level × 1000, to 0.01 mm
    std::optional<double> loggerVelocity; // m/s with its file's velocity correction, to 1e-6
    // Manual − logger, where both are known.
    std::optional<double> depthDifferenceMm;
    std::optional<double> velocityDifference;
};
VisitComparison compareVisit(const Visit &visit, const SurveyLayer &layer);

} // namespace lmv::survey
